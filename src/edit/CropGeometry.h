// The crop rectangle's rules in source pixels: the target ratio of an aspect mode, the three
// fits that bring a rectangle near that ratio, the mapping of a dragged rectangle, and the
// clamping that "Confirm" (and movara-convert) apply. Plain functions over MediaCrop, no widgets.
#pragma once

#include "MediaItem.h"

// The smallest rectangle that is ever stored.
inline constexpr int kCropMinWidth = 60;
inline constexpr int kCropMinHeight = 40;

// The picture a crop applies to.
struct CropSource {
    int width = 320;
    int height = 240;
    double aspect = 4.0 / 3.0;
};

// Which edge a fit moved.
enum class CropEdge { None, Left, Top, Right, Bottom };

// 4/3 for mode 1, 16/9 for mode 2, the source's aspect for mode 0 when it is at least 1.3;
// 0 (no target, no fitting) otherwise.
double cropTargetRatio(int aspectMode, double sourceAspect);

// A fit runs only when the rectangle's ratio is more than 0.1 away from `target` (> 0).
// General: lower the bottom edge to match, else widen the right edge.
CropEdge fitCropGeneral(MediaCrop& crop, double target, const CropSource& source);
// After the right edge moved: the bottom edge, else the left edge.
CropEdge fitCropRightEdge(MediaCrop& crop, double target, const CropSource& source);
// After the bottom edge moved: the right edge, else the top edge.
CropEdge fitCropBottomEdge(MediaCrop& crop, double target, const CropSource& source);

// A rectangle dragged inside `area` (both in window pixels, right and bottom exclusive) in
// source pixels. False, leaving *out alone, when it is narrower than 60 or lower than 40 source
// pixels.
struct CropArea {
    int left = 0, top = 0, right = 0, bottom = 0;
};
bool mapCropDrag(const CropArea& area, const CropArea& dragged, const CropSource& source,
                 MediaCrop* out);

// Inside the source, and at least 60 x 40 where the source allows it.
void clampCropToSource(MediaCrop& crop, const CropSource& source);
