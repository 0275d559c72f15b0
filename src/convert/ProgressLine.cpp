#include "ProgressLine.h"

#include "velcodecutil.h"

#include <algorithm>
#include <cstdio>
#include <vector>

ProgressFigures ProgressLine::figures(const MediaItem& item, Clock::time_point now) {
    if (&item != item_) {
        item_ = &item;
        start_ = now;
    }
    return progressFigures(
        item, std::chrono::duration_cast<std::chrono::milliseconds>(now - start_).count());
}

std::string ProgressLine::text(const MediaItem& item, size_t columns, Clock::time_point now) {
    return progressLineText(item, figures(item, now).elapsedMs, columns);
}

std::string shownName(const MediaItem& item) {
    if (IsDevicePath(item.sourcePath) || item.sourcePath.empty())
        return item.displayName;
    return item.sourcePath.substr(item.sourcePath.rfind('/') + 1);
}

int64_t clipLengthOf(const MediaItem& item) {
    const int64_t begin = std::max<int64_t>(item.clipBegin, 0);
    const int64_t end = item.clipEnd >= 0 ? std::min(item.clipEnd, item.duration) : item.duration;
    return std::max<int64_t>(end - begin, 0);
}

ProgressFigures progressFigures(const MediaItem& item, int64_t elapsedMs) {
    const int32_t progress = std::clamp(item.progress.load(), 0, 10000);
    ProgressFigures figures;
    figures.percent = progress / 100.0;
    figures.elapsedMs = elapsedMs;
    figures.remainingMs = progress > 0 ? elapsedMs * (10000 - progress) / progress : 0;
    const int64_t converted = clipLengthOf(item) * progress / 10000;
    // Under a tenth of a second the ratio is mostly noise.
    if (elapsedMs >= 100 && converted > 0)
        figures.speed = static_cast<double>(converted) / elapsedMs;
    return figures;
}

std::string shortenMiddle(const std::string& text, size_t columns) {
    std::vector<size_t> starts; // byte offset of each code point
    for (size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    if (starts.size() <= columns)
        return text;
    if (columns <= 3)
        return std::string("...").substr(0, columns);
    const size_t keep = columns - 3;
    const size_t head = (keep + 1) / 2;
    const size_t tail = keep - head;
    return text.substr(0, starts[head]) + "..." +
           (tail > 0 ? text.substr(starts[starts.size() - tail]) : std::string());
}

std::string progressLineText(const MediaItem& item, int64_t elapsedMs, size_t columns) {
    const ProgressFigures figures = progressFigures(item, elapsedMs);
    char speed[32] = "-";
    if (figures.speed)
        std::snprintf(speed, sizeof speed, "%.1fx", *figures.speed);
    const std::string rest = ": " + item.progressText() + "  elapsed " +
                             mediaTimeText(figures.elapsedMs) + "  remaining " +
                             mediaTimeText(figures.remainingMs) + "  speed " + speed;
    const std::string name = shownName(item);
    if (columns == 0)
        return name + rest;
    // The figures matter most; the name takes what is left, at least a few characters.
    const size_t room = columns > rest.size() + 8 ? columns - rest.size() : 8;
    return shortenMiddle(shortenMiddle(name, room) + rest, columns);
}
