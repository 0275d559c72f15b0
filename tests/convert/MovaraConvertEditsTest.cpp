// movara-convert with picture edits on a known pattern, read back by ffmpeg: brightness, a
// horizontal flip, a crop and a text watermark all show in the converted frames.
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// 320 x 240: top-left luma 30, top-right 90, the bottom half white. Neutral chroma.
std::string pattern() {
    testmedia::SourceSpec spec;
    spec.width = 320;
    spec.height = 240;
    spec.seconds = 1.0;
    spec.videoFilter = "color=c=black:s=320x240:r=25,format=yuv420p,"
                       "geq=lum='if(lt(Y,120),if(lt(X,160),30,90),235)':cb=128:cr=128";
    spec.extraOutputArgs = {"-qp", "0"};
    return testmedia::generate(spec);
}

double gray(double luma) {
    return (luma - 16.0) * 255.0 / 219.0;
}

TEST(MovaraConvertEdits, BrightnessFlipCropAndTextShowInTheFrames) {
    const std::string source = pattern();
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir out;
    const auto result = testmedia::runTool(
        {"timeout", "--signal=KILL", "120", MOVARA_CONVERT_BIN, "--profile",
         "MP4-MPEG-4 Video (original size)(*.mp4)", "--output", out.path(), "--brightness", "50",
         "--flip", "h", "--crop", "0,0,320,120", "--text-watermark", "MW", "--colour", "FFFF00",
         "--font-size", "24", "--position", "200,20,100,40", source});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string output = out.file(std::filesystem::path(source).stem().string() + ".mp4");
    int width = 0, height = 0;
    const std::vector<uint8_t> rgb = testmedia::grabFrame(output, 0.5, "rgb24", &width, &height);
    ASSERT_FALSE(rgb.empty());
    ASSERT_EQ(width, 320);
    ASSERT_EQ(height, 240);
    auto luma = [&](int x0, int y0, int x1, int y1) {
        return 0.299 * testmedia::meanOf(rgb, width, 3, 0, x0, y0, x1, y1) +
               0.587 * testmedia::meanOf(rgb, width, 3, 1, x0, y0, x1, y1) +
               0.114 * testmedia::meanOf(rgb, width, 3, 2, x0, y0, x1, y1);
    };
    // The crop kept the top half in its own 8:3 shape: black bars above and below, no white.
    EXPECT_LT(luma(0, 0, 320, 55), gray(16) + 8);
    EXPECT_LT(luma(0, 185, 320, 240), gray(16) + 8);
    const double left = luma(10, 90, 150, 170);
    const double right = luma(170, 90, 310, 170);
    EXPECT_LT(std::max(left, right), gray(235) - 40);
    // Flipped: the brighter top-right quarter is now on the left; both are brighter than the
    // source's.
    EXPECT_GT(left, gray(90) + 20);
    EXPECT_GT(right, gray(30) + 20);
    EXPECT_GT(left, right + 30);
    // The yellow text inside its box, placed on the picture as on the source, none elsewhere.
    auto yellow = [&](int x0, int y0, int x1, int y1) {
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const uint8_t* px = &rgb[(size_t(y) * width + x) * 3];
                count += px[0] > 150 && px[1] > 150 && px[2] < 100;
            }
        return count;
    };
    EXPECT_GT(yellow(200, 70, 300, 100), 30);
    EXPECT_EQ(yellow(0, 100, 320, 240), 0);
}

TEST(MovaraConvertEdits, BadEditsEndWithExitCode2NamingTheOption) {
    const std::string source = pattern();
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir out;
    const struct {
        std::vector<std::string> args;
        const char* named;
    } cases[] = {
        {{"--profile", "MP4-MPEG-4 Video (original size)(*.mp4)", "--brightness", "101"},
         "--brightness"},
        {{"--profile", "MP3-MPEG Layer 3 Audio(*.mp3)", "--flip", "h"}, "makes no video"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{MOVARA_CONVERT_BIN, "--output", out.path()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        argv.push_back(source);
        const auto result = testmedia::runTool(argv);
        EXPECT_EQ(result.exitCode, 2) << result.err;
        EXPECT_NE(result.err.find(c.named), std::string::npos) << result.err;
        EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    }
}

} // namespace
