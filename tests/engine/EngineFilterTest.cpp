// Edits attached through the edit brackets change the pixels they should: crop, crop scaling,
// flip, colour, image and text watermarks; attaching again replaces instead of doubling.
#include "EngineHarness.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace enginetest;

namespace {

// 160x120, four flat quadrants of luma: top-left 235, top-right 16, bottom-left 128,
// bottom-right 80. Neutral chroma.
std::string quadrantSource() {
    testmedia::SourceSpec spec;
    spec.width = 160;
    spec.height = 120;
    spec.videoFilter = "color=c=black:s=160x120:r=25,format=yuv420p,"
                       "geq=lum='if(lt(X,80),if(lt(Y,60),235,128),if(lt(Y,60),16,80))':"
                       "cb=128:cr=128";
    spec.seconds = 1.0;
    spec.extraOutputArgs = {"-qp", "0"};
    return testmedia::generate(spec);
}

// Moderate colours (chroma within 128 +- 20), so stronger saturation has room to show.
std::string pastelSource() {
    testmedia::SourceSpec spec;
    spec.width = 160;
    spec.height = 120;
    spec.videoFilter = "color=c=black:s=160x120:r=25,format=yuv420p,"
                       "geq=lum='90+X/2':cb='128+(X-80)/4':cr='128-(Y-60)/3'";
    spec.seconds = 1.0;
    spec.extraOutputArgs = {"-qp", "0"};
    return testmedia::generate(spec);
}

double gray(double y) {
    return (y - 16.0) * 255.0 / 219.0;
}

struct Picture {
    std::vector<uint8_t> rgb;
    int width = 0, height = 0;

    double luma(int x0, int y0, int x1, int y1) const {
        double r = testmedia::meanOf(rgb, width, 3, 0, x0, y0, x1, y1);
        double g = testmedia::meanOf(rgb, width, 3, 1, x0, y0, x1, y1);
        double b = testmedia::meanOf(rgb, width, 3, 2, x0, y0, x1, y1);
        return 0.299 * r + 0.587 * g + 0.114 * b;
    }
    double channel(int c, int x0, int y0, int x1, int y1) const {
        return testmedia::meanOf(rgb, width, 3, c, x0, y0, x1, y1);
    }
    // Mean distance between the colour channels: 0 for grey pictures.
    double colourfulness() const {
        double sum = 0;
        for (size_t i = 0; i + 2 < rgb.size(); i += 3)
            sum += std::abs(rgb[i] - rgb[i + 1]) + std::abs(rgb[i + 1] - rgb[i + 2]);
        return sum / double(rgb.size() / 3);
    }
};

class EngineFilter : public ::testing::Test {
protected:
    // Converts `source` with the edits `attach` adds inside one edit bracket; returns the
    // middle picture of the result.
    Picture convert(const std::string& source, const std::function<void(int id)>& attach,
                    int width = 160, int height = 120) {
        Picture picture;
        int id = m_timeline.add(source);
        EXPECT_GE(id, 0);
        if (attach) {
            tagVeldesEditInfo edit;
            std::memset(&edit, 0, sizeof edit);
            edit.mediaId = id;
            edit.aspect = 4.0 / 3.0;
            EXPECT_EQ(VeldesEditBegin(m_timeline.handle(), &edit), 0);
            attach(id);
            VeldesEditEnd(m_timeline.handle(), 1);
        }
        OutputSpec spec;
        spec.width = width;
        spec.height = height;
        spec.videoBitrate = 3000000;
        spec.audioCodec = 0;
        std::string out = m_dir.file("out" + std::to_string(++m_outputs) + ".mp4");
        RunRecorder recorder(id);
        EXPECT_GE(m_timeline.runAndWait({id}, exportInfo(spec, out), &recorder), 0);
        EXPECT_TRUE(recorder.succeeded());
        picture.rgb = testmedia::grabFrame(out, 0.5, "rgb24", &picture.width, &picture.height);
        EXPECT_FALSE(picture.rgb.empty());
        return picture;
    }

    int addFilter(int id, const tagVeldesFilterInfo& f) {
        return VeldesAddFilter(m_timeline.handle(), f.id, &f);
    }

    static tagVeldesFilterInfo filter(int id) {
        tagVeldesFilterInfo f;
        std::memset(&f, 0, sizeof f);
        f.id = id;
        return f;
    }

    void crop(int id, double l, double t, double r, double b, bool scale) {
        tagVeldesFilterInfo f = filter(VELDES_FILTER_CROP);
        f.left = l, f.top = t, f.right = r, f.bottom = b;
        EXPECT_EQ(addFilter(id, f), 0);
        if (scale) {
            tagVeldesFilterInfo s = filter(VELDES_FILTER_CROP_SCALE);
            s.scaleEnabled = 1;
            s.sourceWidth = 160, s.sourceHeight = 120;
            s.cropWidth = int(r - l) & ~1, s.cropHeight = int(b - t) & ~1;
            EXPECT_EQ(addFilter(id, s), 0);
        }
    }

    void colour(int id, int brightness, int contrast, int saturation) {
        tagVeldesFilterInfo f = filter(VELDES_FILTER_COLOR);
        f.brightness = brightness, f.contrast = contrast, f.saturation = saturation;
        EXPECT_EQ(addFilter(id, f), 0);
    }

    std::string image(const std::string& name, const std::string& colour, int w, int h) {
        std::string path = m_dir.file(name);
        std::string error;
        EXPECT_TRUE(testmedia::runFfmpeg(
            {"-f", "lavfi", "-i",
             "color=c=" + colour + ":s=" + std::to_string(w) + "x" + std::to_string(h), "-frames:v",
             "1", path},
            &error))
            << error;
        return path;
    }

    int imageWatermark(int id, const std::string& path, int x, int y, int w, int h, int alpha) {
        tagVeldesFilterInfo f = filter(VELDES_FILTER_WATERMARK_IMAGE);
        f.x = x, f.y = y, f.width = w, f.height = h, f.alpha = alpha;
        f.imagePath = path.c_str();
        (void)id;
        return VeldesAddWatermark(m_timeline.handle(), f.id, &f);
    }

    int textWatermark(const char* text, int style, int x, int y, int w, int h) {
        tagVeldesFilterInfo f = filter(VELDES_FILTER_WATERMARK_TEXT);
        f.x = x, f.y = y, f.width = w, f.height = h, f.alpha = 255;
        f.text = text;
        f.fontName = "Arial";
        f.fontSize = 24;
        f.style = style;
        f.red = 255, f.green = 255, f.blue = 0;
        return VeldesAddWatermark(m_timeline.handle(), f.id, &f);
    }

    testmedia::ScratchDir m_dir;
    Timeline m_timeline;
    int m_outputs = 0;
};

// Pixels whose colour is clearly the yellow text colour.
int yellowPixels(const Picture& p, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint8_t* px = &p.rgb[(size_t(y) * p.width + x) * 3];
            n += px[0] > 150 && px[1] > 150 && px[2] < 100;
        }
    return n;
}

} // namespace

TEST_F(EngineFilter, CropWithScalingFillsTheFrameWithTheRegion) {
    Picture p = convert(quadrantSource(), [&](int id) { crop(id, 0, 0, 80, 60, true); });
    // Only the white quadrant is left, enlarged to the whole frame.
    EXPECT_GT(p.luma(0, 0, 160, 120), gray(235) - 8);
}

TEST_F(EngineFilter, CropWithoutScalingKeepsTheRegionSizeOnBlack) {
    Picture p = convert(quadrantSource(), [&](int id) { crop(id, 80, 0, 160, 60, false); });
    // The black (luma 16) top-right quadrant, 80x60, centred: its surroundings are black too,
    // so use the bottom-left quadrant instead for a visible region.
    Picture q = convert(quadrantSource(), [&](int id) { crop(id, 0, 60, 80, 120, false); });
    EXPECT_NEAR(q.luma(44, 34, 116, 86), gray(128), 8); // the region, centred
    EXPECT_NEAR(q.luma(0, 0, 160, 20), gray(16), 8);    // black around it
    EXPECT_NEAR(p.luma(44, 34, 116, 86), gray(16), 8);
}

TEST_F(EngineFilter, FlipMirrorsTheQuadrants) {
    const std::string source = quadrantSource();
    Picture none = convert(source, nullptr);
    Picture h = convert(source, [&](int id) {
        tagVeldesFilterInfo f = filter(VELDES_FILTER_FLIP);
        f.flip = 1;
        EXPECT_EQ(addFilter(id, f), 0);
    });
    Picture v = convert(source, [&](int id) {
        tagVeldesFilterInfo f = filter(VELDES_FILTER_FLIP);
        f.flip = 2;
        EXPECT_EQ(addFilter(id, f), 0);
    });
    EXPECT_NEAR(none.luma(10, 10, 70, 50), gray(235), 8);
    EXPECT_NEAR(h.luma(10, 10, 70, 50), gray(16), 8);
    EXPECT_NEAR(h.luma(90, 10, 150, 50), gray(235), 8);
    EXPECT_NEAR(v.luma(10, 10, 70, 50), gray(128), 8);
    EXPECT_NEAR(v.luma(10, 70, 70, 110), gray(235), 8);
}

TEST_F(EngineFilter, ColourMovesLumaAndSaturationTheRightWay) {
    const std::string quadrants = quadrantSource();
    const double mid = convert(quadrants, nullptr).luma(10, 70, 70, 110); // the 128 quadrant
    EXPECT_GT(convert(quadrants, [&](int id) { colour(id, 60, 0, 0); }).luma(10, 70, 70, 110),
              mid + 20);
    EXPECT_LT(convert(quadrants, [&](int id) { colour(id, -60, 0, 0); }).luma(10, 70, 70, 110),
              mid - 20);
    // Contrast pulls the dark grey (80) quadrant further down, or up towards the middle.
    const double dark = convert(quadrants, nullptr).luma(90, 70, 150, 110);
    EXPECT_LT(convert(quadrants, [&](int id) { colour(id, 0, 80, 0); }).luma(90, 70, 150, 110),
              dark - 10);
    EXPECT_GT(convert(quadrants, [&](int id) { colour(id, 0, -80, 0); }).luma(90, 70, 150, 110),
              dark + 10);
    // Saturation: -100 is nearly grey but not flat, +100 is clearly more colourful.
    const std::string colours = pastelSource();
    double normal = convert(colours, nullptr).colourfulness();
    Picture washed = convert(colours, [&](int id) { colour(id, 0, 0, -100); });
    EXPECT_LT(washed.colourfulness(), normal * 0.5);
    EXPECT_GT(washed.colourfulness(), normal * 0.1);
    EXPECT_GT(convert(colours, [&](int id) { colour(id, 0, 0, 100); }).colourfulness(),
              normal * 2.0);
}

TEST_F(EngineFilter, AttachingAgainReplacesTheEdits) {
    const std::string source = quadrantSource();
    Picture once = convert(source, [&](int id) { colour(id, 50, 0, 0); });
    Picture twice = convert(source, [&](int id) {
        colour(id, 50, 0, 0);
        colour(id, 50, 0, 0);
    });
    EXPECT_NEAR(twice.luma(10, 70, 70, 110), once.luma(10, 70, 70, 110), 2.0);

    // Removing the watermark before attaching anew clears the earlier edits, so an edit that
    // is no longer in force (colour back to neutral) is not re-added and not applied.
    int id = m_timeline.add(source);
    tagVeldesEditInfo edit{};
    edit.mediaId = id;
    ASSERT_EQ(VeldesEditBegin(m_timeline.handle(), &edit), 0);
    colour(id, 80, 0, 0);
    VeldesEditEnd(m_timeline.handle(), 1);
    EXPECT_EQ(VeldesRemoveWatermark(m_timeline.handle(), id), 0);
    OutputSpec spec;
    spec.width = 160, spec.height = 120, spec.audioCodec = 0, spec.videoBitrate = 3000000;
    RunRecorder recorder(id);
    ASSERT_GE(m_timeline.runAndWait({id}, exportInfo(spec, m_dir.file("plain.mp4")), &recorder), 0);
    Picture plain;
    plain.rgb =
        testmedia::grabFrame(m_dir.file("plain.mp4"), 0.5, "rgb24", &plain.width, &plain.height);
    EXPECT_NEAR(plain.luma(10, 70, 70, 110), gray(128), 8);
}

TEST_F(EngineFilter, EditsNeedAnOpenBracketAndValidValues) {
    int id = m_timeline.add(quadrantSource());
    tagVeldesFilterInfo f = filter(VELDES_FILTER_COLOR);
    f.brightness = 10;
    EXPECT_LT(VeldesAddFilter(m_timeline.handle(), 3, &f), 0) << "no edit open";
    tagVeldesEditInfo edit{};
    edit.mediaId = id;
    ASSERT_EQ(VeldesEditBegin(m_timeline.handle(), &edit), 0);
    EXPECT_EQ(VeldesAddFilter(m_timeline.handle(), 3, &f), 0);
    tagVeldesFilterInfo empty = filter(VELDES_FILTER_CROP);
    empty.right = 0.5, empty.bottom = 10;
    EXPECT_LT(VeldesAddFilter(m_timeline.handle(), 0, &empty), 0);
    EXPECT_LT(VeldesAddFilter(m_timeline.handle(), 9, &f), 0);
    EXPECT_LT(VeldesAddFilter(m_timeline.handle(), 3, nullptr), 0);
    EXPECT_LT(textWatermark("", 0, 0, 0, 10, 10), 0);
    // An image is read by the run that uses it (an unreadable one fails that run); only a
    // missing path is refused here.
    EXPECT_LT(imageWatermark(id, "", 0, 0, 10, 10, 255), 0);
    VeldesEditEnd(m_timeline.handle(), 1);
}

TEST_F(EngineFilter, ImageWatermarkCoversItsBoxWithItsOpacity) {
    const std::string source = quadrantSource();
    std::string red = image("red.png", "red", 40, 20);
    Picture opaque = convert(
        source, [&](int id) { EXPECT_EQ(imageWatermark(id, red, 20, 70, 40, 20, 255), 0); });
    EXPECT_GT(opaque.channel(0, 24, 74, 56, 86), 200); // red inside the box
    EXPECT_LT(opaque.channel(1, 24, 74, 56, 86), 60);
    EXPECT_NEAR(opaque.luma(4, 100, 16, 116), gray(128), 8); // untouched beside it

    Picture half = convert(
        source, [&](int id) { EXPECT_EQ(imageWatermark(id, red, 20, 70, 40, 20, 128), 0); });
    double g = half.channel(1, 24, 74, 56, 86);
    EXPECT_GT(g, 40); // the grey shows through
    EXPECT_LT(g, 100);
    EXPECT_GT(half.channel(0, 24, 74, 56, 86), half.channel(1, 24, 74, 56, 86) + 40);

    Picture invisible =
        convert(source, [&](int id) { EXPECT_EQ(imageWatermark(id, red, 20, 70, 40, 20, 0), 0); });
    EXPECT_NEAR(invisible.luma(24, 74, 56, 86), gray(128), 8);

    // The box is in source pixels: at twice the size it lands twice as far and as large.
    Picture large = convert(
        source, [&](int id) { EXPECT_EQ(imageWatermark(id, red, 20, 70, 40, 20, 255), 0); }, 320,
        240);
    EXPECT_GT(large.channel(0, 48, 148, 112, 172), 200);
    EXPECT_LT(large.channel(1, 48, 148, 112, 172), 60);
}

TEST_F(EngineFilter, ImageWatermarkReadsTheUsualFormats) {
    int id = m_timeline.add(quadrantSource());
    tagVeldesEditInfo edit{};
    edit.mediaId = id;
    ASSERT_EQ(VeldesEditBegin(m_timeline.handle(), &edit), 0);
    for (const char* name : {"mark.png", "mark.jpg", "mark.bmp", "mark.gif", "mark.tiff"})
        EXPECT_EQ(imageWatermark(id, image(name, "blue", 16, 16), 0, 0, 16, 16, 255), 0) << name;
    VeldesEditEnd(m_timeline.handle(), 1);
}

TEST_F(EngineFilter, TextWatermarkDrawsItsTextWithItsStyle) {
    const std::string source = quadrantSource();
    // Drawn over the black top-right quadrant.
    Picture plain =
        convert(source, [&](int) { EXPECT_EQ(textWatermark("MW", 0, 84, 4, 70, 50), 0); });
    Picture bold = convert(
        source, [&](int) { EXPECT_EQ(textWatermark("MW", VELDES_TEXT_BOLD, 84, 4, 70, 50), 0); });
    Picture underlined = convert(source, [&](int) {
        EXPECT_EQ(textWatermark("MW", VELDES_TEXT_UNDERLINE, 84, 4, 70, 50), 0);
    });
    int regularInk = yellowPixels(plain, 80, 0, 160, 60);
    EXPECT_GT(regularInk, 60);
    EXPECT_EQ(yellowPixels(plain, 0, 60, 160, 120), 0) << "nothing outside the box";
    EXPECT_GT(yellowPixels(bold, 80, 0, 160, 60), regularInk * 1.15);
    EXPECT_GT(yellowPixels(underlined, 80, 0, 160, 60), regularInk + 20);
}
