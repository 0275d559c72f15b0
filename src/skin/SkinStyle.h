#pragma once

#include <cstdint>
#include <map>
#include <string>

// The style tables of a skin. A colour value has red in the low byte, then green, then blue
// (high byte 0); it becomes ARGB only when handed to drawing code.

// The look of one item kind inside a window.
struct SkinObjectStyle {
    uint32_t bkbegin = 0;  // background gradient start
    uint32_t bkend = 0;    // background gradient end
    uint32_t bkhi = 0;     // highlighted background
    uint32_t border = 0;   // frame
    uint32_t text = 0;     // text
    uint32_t texthi = 0;   // highlighted text
    uint32_t textgray = 0; // disabled text
    int32_t bkmode = 0;    // fill type: 1 solid, 2 gradient, 3 image
    int32_t gradmode = 0;  // gradient direction
    std::string fontname;
    int32_t fontsize = 0;  // tenths of a point
    int32_t fontstyle = 0; // bits: 1 bold, 2 underline, 4 italic, 8 strike-out
};

using SkinObjectTable = std::map<int32_t, SkinObjectStyle>;

// The look of one pane or dialog kind, with its items' styles by item id.
struct SkinWindowStyle {
    uint32_t bkbegin = 0;
    uint32_t bkend = 0;
    uint32_t border = 0;
    int32_t bkmode = 0;
    int32_t gradmode = 0;
    SkinObjectTable objects;
};

enum SkinFontStyle : int32_t {
    kSkinFontBold = 1,
    kSkinFontUnderline = 2,
    kSkinFontItalic = 4,
    kSkinFontStrikeOut = 8,
};

// Colour value (red low) to ARGB with the given alpha in the top byte.
constexpr uint32_t skinColorToArgb(uint32_t color, uint32_t alpha) {
    const uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    return (alpha & 0xFF) << 24 | r << 16 | g << 8 | b;
}

constexpr uint32_t skinColor(uint32_t r, uint32_t g, uint32_t b) {
    return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16;
}
