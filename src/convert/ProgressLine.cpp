#include "ProgressLine.h"

#include <algorithm>
#include <cstdio>

std::string ProgressLine::text(const MediaItem& item, Clock::time_point now) {
    if (&item != item_) {
        item_ = &item;
        start_ = now;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - start_);
    return progressLineText(item, elapsed.count());
}

int64_t clipLengthOf(const MediaItem& item) {
    const int64_t begin = std::max<int64_t>(item.clipBegin, 0);
    const int64_t end = item.clipEnd >= 0 ? std::min(item.clipEnd, item.duration) : item.duration;
    return std::max<int64_t>(end - begin, 0);
}

std::string progressLineText(const MediaItem& item, int64_t elapsedMs) {
    const int32_t progress = std::clamp(item.progress.load(), 0, 10000);
    const int64_t remaining = progress > 0 ? elapsedMs * (10000 - progress) / progress : 0;
    const int64_t converted = clipLengthOf(item) * progress / 10000;

    char speed[32] = "-";
    // Under a tenth of a second the ratio is mostly noise.
    if (elapsedMs >= 100 && converted > 0)
        std::snprintf(speed, sizeof speed, "%.1fx", static_cast<double>(converted) / elapsedMs);
    return item.displayName + ": " + item.progressText() + "  elapsed " +
           mediaTimeText(elapsedMs) + "  remaining " + mediaTimeText(remaining) + "  speed " +
           speed;
}
