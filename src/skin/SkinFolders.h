// Where skin archives are found: the program's own "skin" folder and the user's skin folder
// ($XDG_DATA_HOME/movara/skins), and the usable archives in them.
#pragma once

#include <string>
#include <vector>

class CBaseSkin;

struct SkinChoice {
    std::string name;  // the file name without ".skin"
    std::string path;  // absolute
    bool user = false; // from the user's skin folder
};

// $XDG_DATA_HOME/movara/skins (~/.local/share/movara/skins when the variable is unset).
std::string userSkinFolder();

// The ".skin" files of `programFolder`, then those of `userFolder`, each folder's sorted by name;
// only archives that `skin` can load (every image and the style sheet present) are listed.
std::vector<SkinChoice> findSkins(CBaseSkin& skin, const std::string& programFolder,
                                  const std::string& userFolder);
