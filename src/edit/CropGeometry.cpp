#include "CropGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFitTolerance = 0.1;

bool needsFit(double target, int width, int height) {
    if (target <= 0.0 || width <= 0 || height <= 0)
        return false;
    return std::fabs(target - static_cast<double>(width) / height) > kFitTolerance;
}

// `base + span` truncated toward zero, as the edges are stored.
int edgeAt(double value) {
    return static_cast<int>(value);
}

} // namespace

double cropTargetRatio(int aspectMode, double sourceAspect) {
    switch (aspectMode) {
    case 1:
        return 4.0 / 3.0;
    case 2:
        return 16.0 / 9.0;
    case 0:
        return sourceAspect >= 1.3 ? sourceAspect : 0.0;
    default:
        return 0.0;
    }
}

namespace {

// Moves one edge so the crop gets the target ratio, if the other dimension may shrink and the
// moved edge stays inside the source.
bool moveEdge(MediaCrop& crop, double target, const CropSource& source, CropEdge edge) {
    const int w = crop.right - crop.left;
    const int h = crop.bottom - crop.top;
    switch (edge) {
    case CropEdge::Bottom:
        if (h <= kCropMinHeight || crop.top + w / target > source.height)
            return false;
        crop.bottom = edgeAt(crop.top + w / target);
        return true;
    case CropEdge::Top:
        if (h <= kCropMinHeight || crop.bottom - w / target < 0)
            return false;
        crop.top = edgeAt(crop.bottom - w / target);
        return true;
    case CropEdge::Right:
        if (w <= kCropMinWidth || crop.left + target * h > source.width)
            return false;
        crop.right = edgeAt(crop.left + target * h);
        return true;
    case CropEdge::Left:
        if (w <= kCropMinWidth || crop.right - target * h < 0)
            return false;
        crop.left = edgeAt(crop.right - target * h);
        return true;
    default:
        return false;
    }
}

// Fits the crop to the target ratio by the first edge that can move, of two.
CropEdge fitBy(MediaCrop& crop, double target, const CropSource& source, CropEdge first,
               CropEdge second) {
    if (!needsFit(target, crop.right - crop.left, crop.bottom - crop.top))
        return CropEdge::None;
    for (CropEdge edge : {first, second})
        if (moveEdge(crop, target, source, edge))
            return edge;
    return CropEdge::None;
}

} // namespace

CropEdge fitCropGeneral(MediaCrop& crop, double target, const CropSource& source) {
    return fitBy(crop, target, source, CropEdge::Bottom, CropEdge::Right);
}

CropEdge fitCropRightEdge(MediaCrop& crop, double target, const CropSource& source) {
    return fitBy(crop, target, source, CropEdge::Bottom, CropEdge::Left);
}

CropEdge fitCropBottomEdge(MediaCrop& crop, double target, const CropSource& source) {
    return fitBy(crop, target, source, CropEdge::Right, CropEdge::Top);
}

bool mapCropDrag(const CropArea& area, const CropArea& dragged, const CropSource& source,
                 MediaCrop* out) {
    const int areaWidth = area.right - area.left;
    const int areaHeight = area.bottom - area.top;
    if (areaWidth <= 0 || areaHeight <= 0 || !out)
        return false;
    const int left = (dragged.left - area.left) * source.width / areaWidth;
    const int right = (dragged.right - area.left) * source.width / areaWidth;
    if (right - left < kCropMinWidth)
        return false;
    const int top = (dragged.top - area.top) * source.height / areaHeight;
    const int bottom = (dragged.bottom - area.top) * source.height / areaHeight;
    if (bottom - top < kCropMinHeight)
        return false;
    out->left = left;
    out->top = top;
    out->right = right;
    out->bottom = bottom;
    return true;
}

void clampCropToSource(MediaCrop& crop, const CropSource& source) {
    crop.right = std::min(crop.right, source.width);
    crop.bottom = std::min(crop.bottom, source.height);
    crop.left = std::max(crop.left, 0);
    crop.top = std::max(crop.top, 0);
    if (crop.right - crop.left < kCropMinWidth) {
        if (crop.left + kCropMinWidth <= source.width)
            crop.right = crop.left + kCropMinWidth;
        else if (crop.right - kCropMinWidth >= 0)
            crop.left = crop.right - kCropMinWidth;
    }
    if (crop.bottom - crop.top < kCropMinHeight) {
        if (crop.top + kCropMinHeight <= source.height)
            crop.bottom = crop.top + kCropMinHeight;
        else if (crop.bottom - kCropMinHeight >= 0)
            crop.top = crop.bottom - kCropMinHeight;
    }
}
