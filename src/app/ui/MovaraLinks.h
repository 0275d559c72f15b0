// The maker's addresses and the help file, shown by the about dialog and opened by the Help menu.
#pragma once

inline constexpr const char* kHomePageUrl = "https://www.movara.example/";
inline constexpr const char* kSupportUrl = "https://www.movara.example/support/";
// Looked up in the program's data folder.
// The user guide, an HTML page the default browser opens.
inline constexpr const char* kHelpFileName = "help/index.html";

// The program's version, four numbers.
inline constexpr int kVersionNumbers[4] = {2, 1, 3, 1};
