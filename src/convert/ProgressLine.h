#pragma once

// The progress of one item as movara-convert shows it on stderr:
//   "clip.avi: 42.50%  elapsed 00:00:03  remaining 00:00:04  speed 3.1x"
// The speed is the media time converted per second of wall-clock time, so 2.0x means twice as
// fast as playing it; "-" until there is enough to tell. The engine counts whole seconds, too
// coarse for short items, so the line keeps its own clock from an item's first update. On a
// terminal the line fits its width: the name gives way in the middle.

#include "MediaItem.h"

#include <chrono>
#include <optional>
#include <string>

struct ProgressFigures {
    double percent = 0;
    int64_t elapsedMs = 0;
    int64_t remainingMs = 0;
    std::optional<double> speed; // none until it means something
};

class ProgressLine {
public:
    using Clock = std::chrono::steady_clock;

    ProgressFigures figures(const MediaItem& item, Clock::time_point now = Clock::now());
    // `columns` 0: no limit.
    std::string text(const MediaItem& item, size_t columns = 0,
                     Clock::time_point now = Clock::now());

private:
    const MediaItem* item_ = nullptr;
    Clock::time_point start_;
};

// The name an item is shown by: a file's own name (-o renames only the output), a device's
// display name.
std::string shownName(const MediaItem& item);

// Milliseconds of media the item's output spans: its clip, else the whole source.
int64_t clipLengthOf(const MediaItem& item);

ProgressFigures progressFigures(const MediaItem& item, int64_t elapsedMs);
std::string progressLineText(const MediaItem& item, int64_t elapsedMs, size_t columns = 0);
// `text` in at most `columns` characters (UTF-8 code points), its middle replaced by "...".
std::string shortenMiddle(const std::string& text, size_t columns);
