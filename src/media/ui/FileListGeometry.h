// Where the parts of the file list pane go: header, rows, columns, check boxes and the scroll
// bar, as plain functions of the pane's size and scroll state.
#pragma once

#include <array>

namespace filelist {

constexpr int kHeaderHeight = 24; // the rows area begins here
constexpr int kRowHeight = 20;
constexpr int kScrollWidth = 12;
constexpr int kArrowHeight = 20;
constexpr int kBoxSize = 10;
constexpr int kBoxLeft = 4;
constexpr int kBoxTopInRow = 5;
constexpr int kHeaderTextX = 14;
constexpr int kRowTextX = 18;
constexpr int kColumnGap = 4;
constexpr int kColumnCount = 5;
constexpr int kMinThumb = 8;

struct Span {
    int left = 0;
    int width = 0;
    int right() const { return left + width; }
};

// The widths the columns' texts need (the widest each can show, its title included); the first
// is not used: the media names take whatever is left.
using ColumnNeeds = std::array<int, kColumnCount>;

// The five columns for a row width C and a text start x0 (14 in the header, 18 in a row): the
// shares 27, 17, 23, 18 and 15 percent, each column 4 px after the end of the previous one. With
// `needs`, a column narrower than its share fits gives the rest to the media names, so that
// names are not cut while other columns stand empty.
std::array<Span, kColumnCount> columnSpans(int rowWidth, int x0,
                                           const ColumnNeeds* needs = nullptr);

// Rows that fit whole below the header of a pane `height` pixels high.
inline int visibleRows(int height) {
    const int area = height - kHeaderHeight;
    return area > 0 ? area / kRowHeight : 0;
}

inline bool scrollBarShown(int count, int height) {
    return count > visibleRows(height);
}

// The scroll bar's vertical parts. The track is the space between the two arrows.
struct ScrollParts {
    int upTop = 0, upBottom = 0;     // up arrow, [upTop, upBottom)
    int downTop = 0, downBottom = 0; // down arrow
    int trackTop = 0, trackBottom = 0;
    int thumbTop = 0, thumbBottom = 0; // empty when the track has no room for a thumb
};

ScrollParts scrollParts(int height, int firstRow, int visible, int count);

// The first visible row after moving it by `delta`, kept so that it is never below 0 and never
// leaves fewer than the visible rows below it.
int clampFirstRow(int first, int visible, int count);

} // namespace filelist
