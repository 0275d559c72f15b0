#pragma once

#include "Profile.h"

#include <vector>

// The 21 built-in profiles in catalogue order (categories 0, 1 and 11).
std::vector<Profile> builtInProfiles();
