#include "FileListGeometry.h"

#include <algorithm>
#include <cstdint>

namespace filelist {

std::array<Span, kColumnCount> columnSpans(int rowWidth, int x0, const ColumnNeeds* needs) {
    static constexpr int kShares[kColumnCount] = {27, 17, 23, 18, 15};
    std::array<Span, kColumnCount> spans;
    spans[0] = {x0, rowWidth * kShares[0] / 100 - x0};
    for (int i = 1; i < kColumnCount; ++i)
        spans[i] = {spans[i - 1].right() + kColumnGap, rowWidth * kShares[i] / 100 - kColumnGap};
    if (!needs)
        return spans;
    int freed = 0;
    for (int i = 1; i < kColumnCount; ++i) {
        const int width = std::clamp((*needs)[i], 0, std::max(0, spans[i].width));
        freed += spans[i].width - width;
        spans[i].width = width;
    }
    spans[0].width += freed;
    for (int i = 1; i < kColumnCount; ++i)
        spans[i].left = spans[i - 1].right() + kColumnGap;
    return spans;
}

ScrollParts scrollParts(int height, int firstRow, int visible, int count) {
    ScrollParts s;
    s.upTop = kHeaderHeight;
    s.upBottom = kHeaderHeight + kArrowHeight;
    s.downTop = height - kArrowHeight;
    s.downBottom = height;
    // The thumb runs between the arrows, so that neither arrow ever hides it.
    s.trackTop = s.upBottom;
    s.trackBottom = std::max(s.trackTop, s.downTop);
    const int length = s.trackBottom - s.trackTop;
    const int room = length - 2; // a pixel kept free at either end
    if (count <= 0 || room <= 0)
        return s;
    const int64_t span = length;
    int thumb = static_cast<int>(span * visible / count);
    thumb = std::min(std::max(thumb, kMinThumb), room);
    const int offset = std::max(static_cast<int>(span * firstRow / count), 1);
    int top = s.trackTop + offset;
    // At the end of the track the thumb stops one pixel short of the down arrow.
    if (top + thumb > s.trackBottom - 1)
        top = s.trackBottom - 1 - thumb;
    s.thumbTop = top;
    s.thumbBottom = top + thumb;
    return s;
}

int clampFirstRow(int first, int visible, int count) {
    return std::max(0, std::min(first, count - visible));
}

} // namespace filelist
