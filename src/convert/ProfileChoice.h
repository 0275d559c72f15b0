#pragma once

// How movara-convert names profiles: by their catalogue name in any case, by a short alias, or
// by a unique beginning of the name; and the catalogue as --list-profiles prints it.

#include "ProfileCatalogue.h"

#include <cstdio>
#include <string>

// The short alias of a built-in profile ("h264-mp4", "3gp-176x144"); "" for custom profiles.
std::string profileAlias(const Profile& profile);

// The profile `name` means, or null with *error saying why (unknown, or a beginning that fits
// several profiles, which it lists).
ProfileRef chooseProfile(const ProfileCatalogue& catalogue, const std::string& name,
                         std::string* error);

// One line per profile: name, category, extension and alias by tabs; `details` adds container,
// video codec, audio codec, frame size, video kbit/s, audio kbit/s, sample rate and channels.
// As JSON: one object per line with the same fields.
void printProfiles(const ProfileCatalogue& catalogue, bool details, bool json, std::FILE* out);
