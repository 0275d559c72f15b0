#pragma once

#include <string>

class ProfileCatalogue;
struct VelSettings;

// Which elements a settings file held, so the main window applies only what was read (the
// check boxes of "Flag", the play control's volume, the effect/original switch).
struct SettingsFileContents {
    bool flag = false;
    bool volume = false;
    bool savePath = false;
    bool snapshotPath = false;
    bool recentProfiles = false;
};

// The settings file "Movara.cfg": the persisted fields of the settings record and the recent
// profiles, one element each, always in the same order (the reader searches forward only).
class SettingsFile {
public:
    // `defaultFolder` stands in for the output and snapshot folders when the file cannot be read
    // or names a folder that no longer exists. Returns false when the file could not be read or
    // holds no VelConfig element; the folders then get the default and every other field keeps
    // its value.
    static bool load(const std::string& path, VelSettings& settings, ProfileCatalogue& catalogue,
                     const std::string& defaultFolder, SettingsFileContents* contents = nullptr);

    // Writes every persisted field and the recent list's indexes, replacing the file atomically.
    // `outputPath` is the live text of the output path box; `skinFileName` the loaded skin.
    static bool save(const std::string& path, const VelSettings& settings,
                     const ProfileCatalogue& catalogue, const std::string& outputPath,
                     const std::string& skinFileName);

    // The "Movara" folder inside the documents folder, created when missing.
    static std::string defaultFolder(const std::string& documentsFolder);
};
