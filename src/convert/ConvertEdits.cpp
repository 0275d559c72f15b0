#include "ConvertEdits.h"

#include "CropGeometry.h"
#include "Profile.h"

#include <charconv>
#include <filesystem>

namespace {

std::optional<int32_t> integer(const std::string& text) {
    int32_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

// Comma-separated integers, each at least 0; empty on any malformed part.
std::vector<int32_t> integers(const std::string& text) {
    std::vector<int32_t> values;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const auto value = integer(text.substr(start, comma - start));
        if (!value || *value < 0)
            return {};
        values.push_back(*value);
        if (comma == std::string::npos)
            return values;
        start = comma + 1;
    }
}

std::optional<uint32_t> hexColour(std::string text) {
    if (!text.empty() && text[0] == '#')
        text.erase(0, 1);
    uint32_t rgb = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, rgb, 16);
    if (text.size() != 6 || ec != std::errc() || ptr != end)
        return std::nullopt;
    // RRGGBB as written; the item keeps red in the lowest byte.
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

bool fail(std::string* error, const std::string& message) {
    if (error)
        *error = message;
    return false;
}

} // namespace

bool parseEditOption(const std::string& option, const std::string& value, ConvertEdits& edits,
                     std::string* error) {
    const std::string quoted = "\"" + value + "\"";
    if (option == "--brightness" || option == "--contrast" || option == "--saturation") {
        const auto number = integer(value);
        if (!number || *number < -100 || *number > 100)
            return fail(error, option + " takes a number from -100 to 100, not " + quoted);
        (option == "--brightness" ? edits.brightness
         : option == "--contrast" ? edits.contrast
                                  : edits.saturation) = *number;
    } else if (option == "--flip") {
        if (value == "h")
            edits.flip = 1;
        else if (value == "v")
            edits.flip = 2;
        else if (value == "hv" || value == "vh")
            edits.flip = 3;
        else
            return fail(error, "--flip takes h, v or hv, not " + quoted);
    } else if (option == "--crop") {
        const std::vector<int32_t> edges = integers(value);
        if (edges.size() != 4 || edges[2] <= edges[0] || edges[3] <= edges[1])
            return fail(error, "--crop takes LEFT,TOP,RIGHT,BOTTOM in source pixels with right "
                               "above left and bottom above top, not " +
                                   quoted);
        edits.crop = MediaCrop{-1, edges[0], edges[1], edges[2], edges[3]};
    } else if (option == "--text-watermark") {
        if (value.empty())
            return fail(error, "--text-watermark needs a text");
        edits.text = value;
    } else if (option == "--image-watermark") {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(value, ec))
            return fail(error, "--image-watermark: no image file " + quoted);
        const std::filesystem::path path = std::filesystem::absolute(value, ec);
        edits.image = ec ? value : path.lexically_normal().string();
    } else if (option == "--font") {
        if (value.empty())
            return fail(error, "--font needs a font name");
        edits.font = value;
    } else if (option == "--font-size") {
        const auto number = integer(value);
        if (!number || *number < 1 || *number > 999)
            return fail(error, "--font-size takes a size from 1 to 999 points, not " + quoted);
        edits.fontSize = *number;
    } else if (option == "--colour") {
        const auto colour = hexColour(value);
        if (!colour)
            return fail(error, "--colour takes RRGGBB in hexadecimal, not " + quoted);
        edits.colour = *colour;
    } else if (option == "--position") {
        std::vector<int32_t> numbers = integers(value);
        if (numbers.size() != 2 && numbers.size() != 4)
            return fail(error,
                        "--position takes X,Y or X,Y,WIDTH,HEIGHT (0 or more), not " + quoted);
        edits.position = std::move(numbers);
    } else if (option == "--alpha") {
        const auto number = integer(value);
        if (!number || *number < 0 || *number > 255)
            return fail(error, "--alpha takes a number from 0 to 255, not " + quoted);
        edits.alpha = *number;
    } else {
        return fail(error, "unknown option " + option);
    }
    return true;
}

std::string checkEdits(const ConvertEdits& edits) {
    if (edits.text && edits.image)
        return "--text-watermark and --image-watermark exclude each other";
    if (!edits.text && (edits.font || edits.fontSize || edits.colour))
        return "--font, --font-size and --colour need --text-watermark";
    if (!edits.watermark() && (!edits.position.empty() || edits.alpha))
        return "--position and --alpha need --text-watermark or --image-watermark";
    return {};
}

std::string editsRefusal(const ConvertEdits& edits, const Profile& profile) {
    if (edits.any() && !profile.hasVideo())
        return "the profile \"" + profile.name + "\" makes no video: it takes no picture edits";
    return {};
}

void applyEdits(const ConvertEdits& edits, MediaItem& item) {
    if (edits.brightness)
        item.brightness = *edits.brightness;
    if (edits.contrast)
        item.contrast = *edits.contrast;
    if (edits.saturation)
        item.saturation = *edits.saturation;
    if (edits.flip)
        item.flip = *edits.flip;
    if (edits.crop)
        item.crop = *edits.crop;
    if (!edits.watermark())
        return;
    MediaWatermark& mark = item.watermark;
    if (edits.text) {
        mark.mode = kWatermarkText;
        mark.text = *edits.text;
    } else {
        mark.mode = kWatermarkImage;
        mark.imagePath = *edits.image;
    }
    if (edits.font)
        mark.fontName = *edits.font;
    if (edits.fontSize)
        mark.fontSize = *edits.fontSize;
    if (edits.colour)
        mark.colour = *edits.colour;
    if (edits.alpha)
        mark.alpha = *edits.alpha;
    if (edits.position.size() >= 2) {
        mark.left = edits.position[0];
        mark.top = edits.position[1];
    }
    if (edits.position.size() == 4) {
        mark.width = edits.position[2];
        mark.height = edits.position[3];
    }
}

bool fitCropToSource(const ConvertEdits& edits, MediaItem& item,
                     const std::vector<tagVeldesStreamInfo>& streams) {
    if (!edits.crop)
        return true;
    for (const tagVeldesStreamInfo& stream : streams) {
        if (stream.type != VELDES_STREAM_VIDEO)
            continue;
        CropSource source;
        source.width = stream.width;
        source.height = stream.height;
        item.crop = *edits.crop;
        clampCropToSource(item.crop, source);
        return true;
    }
    item.crop = MediaCrop{};
    return false;
}

CliGroup editOptionGroup() {
    return {"Picture edits, set on every item",
            {{{"brightness"}, "N", "-100 to 100; 0 leaves the picture as it is."},
             {{"contrast"}, "N", "-100 to 100."},
             {{"saturation"}, "N", "-100 to 100."},
             {{"flip"}, "h|v|hv", "Mirror horizontally, vertically or both."},
             {{"crop"},
              "LEFT,TOP,RIGHT,BOTTOM",
              "The region to keep, in source pixels; held inside the picture, at least 60 x 40."},
             {{"text-watermark"}, "TEXT", "A caption drawn over the video."},
             {{"font"}, "NAME", "The caption's font (Arial)."},
             {{"font-size"}, "POINTS", "The caption's size (36)."},
             {{"colour"}, "RRGGBB", "The caption's colour (FFFFFF)."},
             {{"image-watermark"}, "FILE", "A picture drawn over the video."},
             {{"position"}, "X,Y[,WIDTH,HEIGHT]", "The watermark's box (10,50,200,40)."},
             {{"alpha"}, "0..255", "The watermark's opacity (255, opaque)."}}};
}
