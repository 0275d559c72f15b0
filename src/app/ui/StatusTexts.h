// The two texts of the main window's status bar, and the window's own message texts.
#pragma once

#include <string>

struct Profile;

// Item 1: "Total items : %d  selected : %d" (two blanks before "selected").
std::string itemCountsText(int count, int checked);
// Item 2: the profile's video bit rate and frame size and its audio bit rate and sample rate,
// with "auto" for a bit rate of 0 and "original" for a frame size with a 0 side.
std::string profileSummaryText(const Profile& profile);

// An existing folder the desktop could not open.
std::string couldNotShowText(const std::string& folder);
