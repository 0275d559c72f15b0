// Watermark pictures: decoding the image of an image watermark and rendering the text of a text
// watermark (FreeType and fontconfig through libavfilter's drawtext), then bringing either to
// its box in output pixels with the watermark's opacity applied.
#pragma once

#include "MediaEdits.h"

#include <string>

namespace vel {

// Decodes the first picture of an image file (PNG, JPEG, BMP, GIF, TIFF...) into RGBA.
int loadImage(const std::string& path, RgbaImage* out);

// The watermark as it is overlaid: scaled by (scaleX, scaleY) from source picture pixels to
// output pixels, text rendered, alpha multiplied in.
int prepareWatermark(const Watermark& watermark, double scaleX, double scaleY, RgbaImage* out);

} // namespace vel
