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

// The end of a conversion as the desktop notification says it: "3 files converted" when every
// item was, else "2 of 3 converted" with ", 1 failed" when any failed.
std::string conversionSummaryText(int converted, int failed, int total);
