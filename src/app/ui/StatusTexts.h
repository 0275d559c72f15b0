// The two texts of the main window's status bar.
#pragma once

#include <string>

struct Profile;

// Item 1: "Total items : %d  selected : %d" (two blanks before "selected").
std::string itemCountsText(int count, int checked);
// Item 2: the profile's video bit rate and frame size and its audio bit rate and sample rate,
// with "auto" for a bit rate of 0 and "original" for a frame size with a 0 side.
std::string profileSummaryText(const Profile& profile);
