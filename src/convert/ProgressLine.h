#pragma once

// The progress of one item as movara-convert shows it on stderr:
//   "clip.avi: 42.50%  elapsed 00:00:03  remaining 00:00:04  speed 3.1x"
// The speed is the media time converted per second of wall-clock time, so 2x means twice as
// fast as playing it; "-" until there is enough to tell.

#include "MediaItem.h"

#include <string>

// Milliseconds of media the item's output spans: its clip, else the whole source.
int64_t clipLengthOf(const MediaItem& item);

std::string progressLineText(const MediaItem& item);
