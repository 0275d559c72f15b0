#pragma once

// The progress of one item as movara-convert shows it on stderr:
//   "clip.avi: 42.50%  elapsed 00:00:03  remaining 00:00:04  speed 3.1x"
// The speed is the media time converted per second of wall-clock time, so 2.0x means twice as
// fast as playing it; "-" until there is enough to tell. The engine counts whole seconds, too
// coarse for short items, so the line keeps its own clock from an item's first update.

#include "MediaItem.h"

#include <chrono>
#include <string>

class ProgressLine {
public:
    using Clock = std::chrono::steady_clock;

    std::string text(const MediaItem& item, Clock::time_point now = Clock::now());

private:
    const MediaItem* item_ = nullptr;
    Clock::time_point start_;
};

// Milliseconds of media the item's output spans: its clip, else the whole source.
int64_t clipLengthOf(const MediaItem& item);

std::string progressLineText(const MediaItem& item, int64_t elapsedMs);
