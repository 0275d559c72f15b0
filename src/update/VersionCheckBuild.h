#pragma once

// What the build decided about the version check (CMake options MOVARA_VERSION_CHECK and
// MOVARA_UPDATE_SERVER). A distribution build without it offers no "Live Update" and no update
// preference, and never contacts the network.

inline constexpr bool kVersionCheckBuilt = MOVARA_VERSION_CHECK != 0;

// The maker's web server, "scheme://host[:port]". Tests hand a checker a server of their own.
inline constexpr const char* kVelUpdateServer = MOVARA_UPDATE_SERVER;
