// The "Skin" sub-menu of the main menu's "Edit" pop-up: every skin archive of the program's skin
// folder and of the user's own skin folder, the loaded one checked. Picking one hands its path to the window,
// which loads it through its skin change.
#pragma once

#include <functional>
#include <string>

class CBaseSkin;
class CMenuEx;

// Command ids of the pop-up's entries: the first entry's, then one more for each.
constexpr int kCmdSkinFirst = 34100;
constexpr int kCmdSkinLast = 34199;

// Appends a separator and the "Skin" sub-menu to the main menu's "Edit" pop-up (nothing when the
// menu has none). The entries are listed afresh each time the sub-menu opens; `apply` gets the
// picked archive's absolute path.
void attachSkinMenu(CMenuEx& mainMenu, CBaseSkin& skin, const std::string& programSkinFolder,
                    std::function<void(const std::string&)> apply);
