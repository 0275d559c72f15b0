// The picture edits attached to one media entry through the edit brackets: crop, crop scaling,
// flip, colour and one watermark. A run takes a copy when it starts, so later edits never change
// a run in progress.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vel {

// Straight (not premultiplied) RGBA pixels, rows of width * 4 bytes.
struct RgbaImage {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

struct CropRect {
    double left = 0, top = 0, right = 0, bottom = 0; // source pixels, right and bottom exclusive
};

struct CropScale {
    int sourceWidth = 0, sourceHeight = 0;
    int cropWidth = 0, cropHeight = 0; // even
};

class CWatermarkImage;

struct Watermark {
    enum class Kind { Image, Text } kind = Kind::Image;
    // Box in source picture pixels; a width or height of 0 means the image's or text's own size.
    int x = 0, y = 0, width = 0, height = 0;
    int alpha = 255;                        // 0 transparent .. 255 opaque
    std::shared_ptr<CWatermarkImage> image; // Kind::Image, decoded when first needed
    std::string text, fontFamily;           // Kind::Text
    int fontSize = 0;
    int style = 0; // VELDES_TEXT_* bits
    uint8_t red = 255, green = 255, blue = 255;
};

struct MediaEdits {
    std::optional<CropRect> crop;
    std::optional<CropScale> cropScale;
    int flip = 0; // bit 0 horizontal, bit 1 vertical
    int brightness = 0, contrast = 0, saturation = 0;
    std::optional<Watermark> watermark;

    bool colourChanged() const { return brightness || contrast || saturation; }
};

} // namespace vel
