// Phone clips store their picture turned or mirrored with a display matrix: movara-convert turns
// them upright before anything else, so outputs and crops are of the picture as it is meant to
// be shown, and outputs carry no matrix of their own. Where a stream header's pixel shape and its
// container's disagree, the container's is the shape shown.
#include "ConvertToolSupport.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

// The picture as meant to be shown: 180x320 portrait, blue, red block top-left, green block
// bottom-left; the pair tells every turn and mirror apart.
const char* const kShown = "color=c=blue:s=180x320:r=25:d=1,"
                           "drawbox=x=0:y=0:w=60:h=40:c=red:t=fill,"
                           "drawbox=x=0:y=280:w=60:h=40:c=lime:t=fill";
constexpr int kShownWidth = 180, kShownHeight = 320;

// Writes a track header matrix (QuickTime order: a b u c d v x y w) into an MP4 in place of the
// one the muxer wrote, as cameras that mirror do.
bool setTrackMatrix(const std::string& path, const int32_t (&matrix)[9]) {
    std::ifstream in(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), {});
    const size_t at = data.find("tkhd");
    if (at == std::string::npos || at + 100 > data.size())
        return false;
    size_t offset = at + (data[at + 4] == 0 ? 44 : 56);
    for (int32_t value : matrix) {
        for (int shift = 24; shift >= 0; shift -= 8)
            data[offset++] = char((uint32_t(value) >> shift) & 0xff);
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
    return true;
}

struct Clip {
    const char* name;
    const char* storedFilter; // turns the shown picture into the stored one
    const char* rotateTag;    // written by the muxer, or empty
    int32_t matrix[9];        // patched in when rotateTag is empty
};

std::string makeClip(const Clip& clip, const testmedia::ScratchDir& dir) {
    std::string error;
    const std::string stored =
        testmedia::generateWith({"-f", "lavfi", "-i", std::string(kShown) + "," + clip.storedFilter,
                                 "-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "5", "{out}"},
                                "mp4", &error);
    if (stored.empty())
        return {};
    const std::string path = dir.file(std::string(clip.name) + ".mp4");
    std::vector<std::string> args = {"-i", stored, "-c", "copy"};
    if (*clip.rotateTag)
        args.insert(args.end(), {"-metadata:s:v", std::string("rotate=") + clip.rotateTag});
    args.push_back(path);
    if (!testmedia::runFfmpeg(args, &error))
        return {};
    return *clip.rotateTag || setTrackMatrix(path, clip.matrix) ? path : std::string();
}

bool hasDisplayMatrix(const std::string& path) {
    const auto r = testmedia::runTool(
        {"ffprobe", "-v", "error", "-select_streams", "v", "-show_streams", path});
    return r.out.find("displaymatrix") != std::string::npos ||
           r.out.find("rotation=") != std::string::npos;
}

// Mean red, green and blue of a box of an RGB picture.
struct Colour {
    double r, g, b;
};
Colour colourAt(const std::vector<uint8_t>& rgb, int width, int x0, int y0, int x1, int y1) {
    return {testmedia::meanOf(rgb, width, 3, 0, x0, y0, x1, y1),
            testmedia::meanOf(rgb, width, 3, 1, x0, y0, x1, y1),
            testmedia::meanOf(rgb, width, 3, 2, x0, y0, x1, y1)};
}

// How many pixels are clearly of the one primary colour `channel`, and where their middle is.
struct Marker {
    int pixels = 0;
    double x = 0, y = 0;
};
Marker markerOf(const std::vector<uint8_t>& rgb, int width, int height, int channel) {
    Marker m;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
            if (p[channel] > 150 && p[(channel + 1) % 3] < 90 && p[(channel + 2) % 3] < 90) {
                ++m.pixels;
                m.x += x;
                m.y += y;
            }
        }
    if (m.pixels) {
        m.x /= m.pixels;
        m.y /= m.pixels;
    }
    return m;
}

// Checks the shown picture's markers inside the box (x, y, w, h) of a decoded output frame.
void expectUpright(const std::vector<uint8_t>& rgb, int frameWidth, int x, int y, int w, int h) {
    auto box = [&](double fx0, double fy0, double fx1, double fy1) {
        return colourAt(rgb, frameWidth, x + int(fx0 * w), y + int(fy0 * h), x + int(fx1 * w),
                        y + int(fy1 * h));
    };
    const Colour topLeft = box(0.03, 0.01, 0.25, 0.10), bottomLeft = box(0.03, 0.90, 0.25, 0.99);
    const Colour topRight = box(0.75, 0.01, 0.97, 0.10), middle = box(0.4, 0.4, 0.6, 0.6);
    EXPECT_GT(topLeft.r, 150);
    EXPECT_LT(topLeft.b, 100);
    EXPECT_GT(bottomLeft.g, 150);
    EXPECT_LT(bottomLeft.r, 100);
    EXPECT_GT(topRight.b, 150);
    EXPECT_LT(topRight.r, 100);
    EXPECT_GT(middle.b, 150);
}

TEST(MovaraConvertOrientation, TurnedAndMirroredClipsComeOutAsShown) {
    constexpr int32_t kUnit = 1 << 16, kW = 1 << 30;
    const Clip clips[] = {
        {"rotate90", "transpose=clock", "90", {}},
        {"rotate-90", "transpose=cclock", "-90", {}},
        {"rotate180", "hflip,vflip", "180", {}},
        {"mirrored", "hflip", "", {-kUnit, 0, 0, 0, kUnit, 0, kShownWidth * kUnit, 0, kW}},
        {"transposed", "transpose=cclock_flip", "", {0, kUnit, 0, kUnit, 0, 0, 0, 0, kW}},
    };
    testmedia::ScratchDir work;
    for (const Clip& clip : clips) {
        SCOPED_TRACE(clip.name);
        const std::string source = makeClip(clip, work);
        ASSERT_FALSE(source.empty());
        ASSERT_TRUE(hasDisplayMatrix(source));

        // The original size is the shown one; a landscape frame gets the portrait with bars.
        testmedia::ScratchDir out;
        const auto original =
            converttest::runConvert({"--profile", "MP4-MPEG-4 Video (original size)(*.mp4)", "-o",
                                     out.file("original.mp4"), source});
        ASSERT_EQ(original.exitCode, 0) << original.err;
        int width = 0, height = 0;
        auto rgb = testmedia::grabFrame(out.file("original.mp4"), 0.5, "rgb24", &width, &height);
        ASSERT_FALSE(rgb.empty());
        EXPECT_NEAR(double(width) / height, double(kShownWidth) / kShownHeight, 0.03 * 0.5625);
        EXPECT_FALSE(hasDisplayMatrix(out.file("original.mp4")));
        expectUpright(rgb, width, 0, 0, width, height);

        const auto framed = converttest::runConvert(
            {"--profile", "H.264 Video(*.mp4)", "-o", out.file("framed.mp4"), source});
        ASSERT_EQ(framed.exitCode, 0) << framed.err;
        rgb = testmedia::grabFrame(out.file("framed.mp4"), 0.5, "rgb24", &width, &height);
        ASSERT_FALSE(rgb.empty());
        EXPECT_GT(width, height);
        EXPECT_FALSE(hasDisplayMatrix(out.file("framed.mp4")));
        const int shownWidth = height * kShownWidth / kShownHeight;
        const int barWidth = (width - shownWidth) / 2;
        expectUpright(rgb, width, barWidth, 0, shownWidth, height);
        const Colour bar = colourAt(rgb, width, 2, 0, barWidth - 4, height);
        EXPECT_LT(bar.r + bar.g + bar.b, 60);

        // Crops are in the shown picture's pixels, and are checked against its size: the bottom
        // half lies outside a stored landscape picture.
        const auto cropped = converttest::runConvert(
            {"--profile", "MP4-MPEG-4 Video (original size)(*.mp4)", "--crop", "0,160,180,320",
             "-o", out.file("cropped.mp4"), source});
        ASSERT_EQ(cropped.exitCode, 0) << cropped.err;
        rgb = testmedia::grabFrame(out.file("cropped.mp4"), 0.5, "rgb24", &width, &height);
        ASSERT_FALSE(rgb.empty());
        const Marker red = markerOf(rgb, width, height, 0), lime = markerOf(rgb, width, height, 1);
        EXPECT_EQ(red.pixels, 0); // the red block was in the top half
        EXPECT_GT(lime.pixels, 200);
        EXPECT_LT(lime.x, width / 2);
        EXPECT_GT(lime.y, height / 2);
    }
}

// The shape a grey picture is shown with in a decoded output frame: the extent of its
// non-black pixels, stretched by the output's pixel shape.
double shownShape(const std::string& path) {
    int width = 0, height = 0;
    const auto grey = testmedia::grabFrame(path, 0.5, "gray", &width, &height);
    if (grey.empty())
        return 0.0;
    int columns = 0, rows = 0;
    for (int x = 0; x < width; ++x)
        columns += testmedia::meanOf(grey, width, 1, 0, x, 0, x + 1, height) > 40;
    for (int y = 0; y < height; ++y)
        rows += testmedia::meanOf(grey, width, 1, 0, 0, y, width, y + 1) > 40;
    const std::string sar = testmedia::probe(path).first("video")->sampleAspect;
    const size_t colon = sar.find(':');
    double stretch = 1.0;
    if (colon != std::string::npos && std::atof(sar.c_str() + colon + 1) > 0)
        stretch = std::atof(sar.c_str()) / std::atof(sar.c_str() + colon + 1);
    return rows > 0 ? columns * stretch / rows : 0.0;
}

TEST(MovaraConvertOrientation, ContainerPixelShapeWinsOverTheStreamHeader) {
    const std::string square =
        testmedia::generateWith({"-f", "lavfi", "-i", "color=c=0x808080:s=320x240:r=25:d=1", "-vf",
                                 "setsar=1", "-c:v", "libx264", "-pix_fmt", "yuv420p", "{out}"},
                                "mp4");
    ASSERT_FALSE(square.empty());
    const std::string conflicting = testmedia::generateWith(
        {"-i", square, "-c", "copy", "-bsf:v", "h264_metadata=sample_aspect_ratio=27/64", "{out}"},
        "mp4");
    ASSERT_FALSE(conflicting.empty());
    for (const char* profile : {"MP4-MPEG-4 Video (original size)(*.mp4)", "H.264 Video(*.mp4)"}) {
        SCOPED_TRACE(profile);
        testmedia::ScratchDir out;
        const auto r =
            converttest::runConvert({"--profile", profile, "-o", out.file("o.mp4"), conflicting});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NEAR(shownShape(out.file("o.mp4")), 4.0 / 3.0, 0.03 * 4.0 / 3.0);
    }
}

} // namespace
