#pragma once

// The user's custom profiles (category 16) on disk: "VelCustomProfile.xml", read once while the
// catalogue is built and written back when the main window goes, only when the custom list
// changed. A custom profile stores only what the setting dialog edits; the rest is inherited
// again from the built-in profile its `index` names.

#include <string>
#include <string_view>

class ProfileCatalogue;

inline constexpr std::string_view kCustomProfileFileName = "VelCustomProfile.xml";

// A bare file name lives in `folder` (the program's writable folder); a name with a "/" is taken
// as it stands. Empty when the name is bare and there is no folder.
std::string customProfilePath(std::string_view fileName, const std::string& folder);

// Adds every valid stored profile to category 16, in file order. True when the file was parsed
// and its VelProfile element found. A missing, unreadable or malformed file adds nothing.
bool loadCustomProfiles(ProfileCatalogue& catalogue, const std::string& path);
// The same from a document's text.
bool readCustomProfiles(ProfileCatalogue& catalogue, std::string_view text);

// Writes the whole custom list, atomically, when the catalogue's customChanged is set, and clears
// the flag whatever the outcome. True when a file was written. A file already there that a start
// could not take whole (unreadable, or holding profiles that are dropped) is kept beside it as
// "<name>.broken" rather than lost.
bool saveCustomProfiles(ProfileCatalogue& catalogue, const std::string& path);
// The document saveCustomProfiles writes, after the declaration line.
std::string customProfilesDocument(const ProfileCatalogue& catalogue);

// The process-wide catalogue's store in `folder`, read at most once per process (the catalogue
// itself is built once per process). True when this call read a store.
bool loadProcessCustomProfiles(const std::string& folder);
