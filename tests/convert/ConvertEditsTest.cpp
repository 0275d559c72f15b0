// movara-convert's picture edit options: what each sets on an item, and the usage errors that
// name the option.
#include "ConvertOptions.h"
#include "Profile.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

std::optional<ConvertOptions> parse(Args edits, std::string* error) {
    Args args{"--profile", "p", "--output", "o"};
    args.insert(args.end(), edits.begin(), edits.end());
    args.push_back("in.mp4");
    return parseConvertOptions(args, error);
}

TEST(ConvertEdits, OptionsSetTheItemAsThePagesDo) {
    std::string error;
    const auto options =
        parse({"--brightness", "50", "--contrast", "-100", "--flip", "hv", "--crop",
               "10,20,330,260", "--text-watermark", "Movara", "--font", "DejaVu Sans",
               "--font-size", "24", "--colour", "FF8000", "--position", "5,6", "--alpha", "128"},
              &error);
    ASSERT_TRUE(options) << error;
    MediaItem item;
    applyEdits(options->edits, item);
    EXPECT_EQ(item.brightness, 50);
    EXPECT_EQ(item.contrast, -100);
    EXPECT_EQ(item.saturation, 0);
    EXPECT_EQ(item.flip, 3);
    MediaWatermark mark;
    mark.mode = kWatermarkText;
    mark.text = "Movara";
    mark.fontName = "DejaVu Sans";
    mark.fontSize = 24;
    mark.colour = 0x0080FF; // red in the lowest byte
    mark.left = 5;
    mark.top = 6;
    mark.alpha = 128;
    EXPECT_EQ(item.watermark, mark);

    // The crop is held to a 320 x 240 picture and to its minimum size; no picture, no crop.
    std::vector<tagVeldesStreamInfo> streams(1);
    streams[0].type = VELDES_STREAM_VIDEO;
    streams[0].width = 320;
    streams[0].height = 240;
    EXPECT_TRUE(fitCropToSource(options->edits, item, streams));
    EXPECT_EQ(item.crop, (MediaCrop{-1, 10, 20, 320, 240}));
    streams[0].type = VELDES_STREAM_AUDIO;
    EXPECT_FALSE(fitCropToSource(options->edits, item, streams));
    EXPECT_FALSE(item.crop.applies());

    Profile audio;
    audio.name = "MP3";
    audio.flag = kProfileAudioOnly;
    EXPECT_NE(editsRefusal(options->edits, audio), "");
    EXPECT_EQ(editsRefusal(ConvertEdits{}, audio), "");
}

TEST(ConvertEdits, MalformedValuesAreUsageErrorsNamingTheOption) {
    const struct {
        Args args;
        const char* option;
    } cases[] = {
        {{"--brightness", "101"}, "--brightness"},
        {{"--saturation", "-101"}, "--saturation"},
        {{"--contrast", "5x"}, "--contrast"},
        {{"--flip", "x"}, "--flip"},
        {{"--crop", "0,0,100"}, "--crop"},
        {{"--crop", "100,0,50,80"}, "--crop"},
        {{"--crop", "-1,0,50,80"}, "--crop"},
        {{"--text-watermark", "a", "--colour", "FFF"}, "--colour"},
        {{"--text-watermark", "a", "--font-size", "0"}, "--font-size"},
        {{"--text-watermark", "a", "--position", "1,2,3"}, "--position"},
        {{"--text-watermark", "a", "--alpha", "256"}, "--alpha"},
        {{"--image-watermark", "/no/such/logo.png"}, "--image-watermark"},
        {{"--font", "Arial"}, "--font"},
        {{"--alpha", "10"}, "--alpha"},
        {{"--brightness"}, "--brightness"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(parse(c.args, &error)) << c.args[0];
        EXPECT_NE(error.find(c.option), std::string::npos) << error;
    }
}

} // namespace
