// What a user asked for is what lands on disk: picture shapes, containers, sound, odd sources
// and watermarks, through movara-convert and read back with ffprobe and decoded pixels.
#include "ConvertToolSupport.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using converttest::runConvert;

namespace fs = std::filesystem;

double ratio(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        return 0.0;
    return std::stod(text.substr(0, colon)) / std::stod(text.substr(colon + 1));
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

// The bounding box of bright pixels of a decoded frame (gray).
Box brightBox(const std::vector<uint8_t>& gray, int width, int height, int threshold = 160) {
    Box box;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (gray[size_t(y) * width + x] > threshold) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

// A white square (and a grey frame around the whole picture, so bars can be told from it) on
// black, with a sound track.
// `sar` as "num/den": the square is square as displayed.
std::string squareSource(int width, int height, const std::string& sar = "1/1") {
    testmedia::SourceSpec spec;
    spec.width = width;
    spec.height = height;
    spec.seconds = 1.0;
    spec.sampleRate = 44100;
    const int side = height / 3;
    const int across =
        int(side / ratio(sar.substr(0, sar.find('/')) + ":" + sar.substr(sar.find('/') + 1)));
    spec.videoFilter = "color=c=0x404040:s=" + std::to_string(width) + "x" +
                       std::to_string(height) +
                       ":r=25,drawbox=x=" + std::to_string(width / 2 - across / 2) +
                       ":y=" + std::to_string(height / 3) + ":w=" + std::to_string(across) +
                       ":h=" + std::to_string(side) + ":color=white:t=fill,setsar=" + sar;
    return testmedia::generate(spec);
}

// "original" keeps the shape: the frame is the profile's, the picture fits inside it with black
// bars, the container's display aspect is what is shown, and a square stays square.
TEST(MovaraConvertResults, PicturesKeepTheirShape) {
    struct Case {
        const char* what;
        int width, height;
        const char* sar;
        const char* profile;
        std::vector<std::string> edits;
        int frameWidth, frameHeight;     // 0: the source's
        int pictureWidth, pictureHeight; // the grey area inside the bars
    };
    const Case cases[] = {
        {"16:9 into 480x320 (letterbox)",
         1920,
         1080,
         "1/1",
         "MPEG-4 Video(*.mp4)",
         {},
         480,
         320,
         480,
         270},
        {"4:3 into 480x320 (pillarbox)",
         640,
         480,
         "1/1",
         "H.264 Video(*.mp4)",
         {},
         480,
         320,
         426,
         320},
        {"16:9 into QCIF",
         1280,
         720,
         "1/1",
         "3GPP-3rd Generation Partnership Project(176x144)(*.3gp)",
         {},
         176,
         144,
         176,
         100},
        {"anamorphic, original size",
         720,
         576,
         "64/45",
         "MP4-MPEG-4 Video (original size)(*.mp4)",
         {},
         720,
         576,
         720,
         576},
        {"a wide crop keeps its shape",
         640,
         480,
         "1/1",
         "H.264 Video(*.mp4)",
         {"--crop", "0,120,640,360"},
         480,
         320,
         480,
         180},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string source = squareSource(c.width, c.height, c.sar);
        ASSERT_FALSE(source.empty());
        testmedia::ScratchDir out;
        std::vector<std::string> args = {"--profile", c.profile, "--output", out.path()};
        args.insert(args.end(), c.edits.begin(), c.edits.end());
        args.push_back(source);
        const auto result = runConvert(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::string output = result.out.substr(0, result.out.find('\n'));
        const testmedia::FileProbe probe = testmedia::probe(output);
        ASSERT_TRUE(probe.ok && probe.first("video")) << probe.error;
        const testmedia::StreamProbe& v = *probe.first("video");
        EXPECT_EQ(v.width, c.frameWidth);
        EXPECT_EQ(v.height, c.frameHeight);
        double sar = ratio(v.sampleAspect);
        if (sar <= 0.0)
            sar = 1.0;
        EXPECT_NEAR(ratio(v.displayAspect), v.width * sar / v.height, 0.01) << v.displayAspect;

        int width = 0, height = 0;
        const auto gray = testmedia::grabFrame(output, 0.5, "gray", &width, &height);
        ASSERT_FALSE(gray.empty());
        const Box picture = brightBox(gray, width, height, 40);
        EXPECT_NEAR(picture.width(), c.pictureWidth, 3);
        EXPECT_NEAR(picture.height(), c.pictureHeight, 3);
        const Box square = brightBox(gray, width, height);
        ASSERT_GT(square.width(), 4);
        // Within 3 %, or two pixels of blur on a small picture.
        EXPECT_NEAR(square.width() * sar, square.height(), std::max(0.03 * square.height(), 2.0))
            << square.width() << "x" << square.height() << " sar " << sar;
    }
}

// The containers the profile names, an audio profile refused for a silent source, and a tiny
// WebM whose frame rate is only its time base.
TEST(MovaraConvertResults, ContainersSoundAndOddSources) {
    testmedia::SourceSpec silent;
    silent.width = 320;
    silent.height = 240;
    silent.seconds = 1.0;
    const std::string noSound = testmedia::generate(silent);
    const std::string webm =
        testmedia::generateWith({"-f", "lavfi", "-i", "color=c=red:s=8x8:r=25", "-frames:v", "1",
                                 "-c:v", "libvpx", "-f", "webm", "{out}"},
                                "webm");
    ASSERT_FALSE(noSound.empty());
    ASSERT_FALSE(webm.empty());
    // Without its DefaultDuration (overwritten by a Void element of the same length) the
    // stream's only "rate" is the container's 1/1000 time base, as in files of the wild.
    testmedia::ScratchDir work;
    const std::string tiny = work.file("tiny.webm");
    {
        std::ifstream in(webm, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto at = bytes.find("\x23\xE3\x83");
        ASSERT_NE(at, std::string::npos);
        const size_t total = 4 + (static_cast<unsigned char>(bytes[at + 3]) & 0x7F);
        bytes.replace(at, total,
                      std::string(1, '\xEC') + char(0x80 | (total - 2)) +
                          std::string(total - 2, '\0'));
        std::ofstream(tiny, std::ios::binary) << bytes;
    }
    ASSERT_EQ(testmedia::probe(tiny).first("video")->rFrameRate, 1000.0);
    struct Case {
        const char* profile;
        std::string source;
        int exitCode;
        const char* extension; // of the output, or the reason on stderr when it fails
    };
    const Case cases[] = {
        {"MOV Video(*.mov)", noSound, 0, ".mov"},
        {"M4V Video(*.m4v)", noSound, 0, ".m4v"},
        {"MP3-MPEG Layer 3 Audio(*.mp3)", noSound, 1, "the source has no sound"},
        {"BlackBerry AMR Audio(*.amr)", noSound, 1, "the source has no sound"},
        {"3GPP-3rd Generation Partnership Project(176x144)(*.3gp)", noSound, 0, ".3gp"},
        {"H.264 Video(*.mp4)", tiny, 0, ".mp4"},
        {"MPEG-4 Video(*.mp4)", tiny, 0, ".mp4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.profile) + " " + c.source);
        testmedia::ScratchDir out;
        const auto result = runConvert({"--profile", c.profile, "--output", out.path(), c.source});
        ASSERT_EQ(result.exitCode, c.exitCode) << result.err;
        if (c.exitCode != 0) {
            EXPECT_NE(result.err.find(c.extension), std::string::npos) << result.err;
            EXPECT_TRUE(fs::is_empty(out.path()));
            continue;
        }
        const std::string output = result.out.substr(0, result.out.find('\n'));
        EXPECT_EQ(fs::path(output).extension(), c.extension);
        const testmedia::FileProbe probe = testmedia::probe(output);
        ASSERT_TRUE(probe.ok) << probe.error;
        EXPECT_EQ(probe.count("video"), 1);
        EXPECT_EQ(probe.count("audio"), 1); // phones expect a sound track, silent or not
    }
}

// A text is drawn whole however small its box, an image keeps its proportions in its box, a
// missing font falls back to the default and an unreadable image fails the item with its reason.
TEST(MovaraConvertResults, WatermarksAreWholeAndUndistorted) {
    testmedia::SourceSpec spec;
    spec.width = 640;
    spec.height = 480;
    spec.seconds = 1.0;
    spec.videoFilter = "color=c=black:s=640x480:r=25";
    const std::string source = testmedia::generate(spec);
    const std::string logo = testmedia::generateWith(
        {"-f", "lavfi", "-i", "color=c=white:s=160x80", "-frames:v", "1", "{out}"}, "png");
    testmedia::ScratchDir work;
    const std::string broken = work.file("broken.png");
    { std::ofstream(broken) << "not a picture"; }
    ASSERT_FALSE(source.empty());
    ASSERT_FALSE(logo.empty());

    struct Case {
        std::vector<std::string> edits;
        int exitCode;
        int inkWidth, inkHeight; // 0: only more than the box
    };
    const Case cases[] = {
        {{"--text-watermark", "MOVARA"}, 0, 0, 0},
        {{"--text-watermark", "MOVARA TEST"}, 0, 0, 0},
        {{"--text-watermark", "MOVARA TEST", "--font", "No Such Face Anywhere"}, 0, 0, 0},
        {{"--image-watermark", logo, "--position", "100,100,200,40"}, 0, 80, 40},
        {{"--image-watermark", broken}, 1, 0, 0},
    };
    std::vector<int> textWidths;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edits.back());
        testmedia::ScratchDir out;
        // Frame size "original", so output pixels are source pixels.
        std::vector<std::string> args = {"--profile", "MP4-MPEG-4 Video (original size)(*.mp4)",
                                         "--output", out.path()};
        args.insert(args.end(), c.edits.begin(), c.edits.end());
        args.push_back(source);
        const auto result = runConvert(args);
        ASSERT_EQ(result.exitCode, c.exitCode) << result.err;
        if (c.exitCode != 0) {
            EXPECT_NE(result.err.find("the watermark image could not be read"), std::string::npos)
                << result.err;
            EXPECT_TRUE(fs::is_empty(out.path()));
            continue;
        }
        int width = 0, height = 0;
        const auto gray = testmedia::grabFrame(result.out.substr(0, result.out.find('\n')), 0.5,
                                               "gray", &width, &height);
        const Box ink = brightBox(gray, width, height, 100);
        ASSERT_GT(ink.width(), 4);
        if (c.inkWidth) {
            EXPECT_NEAR(ink.width(), c.inkWidth, 3);
            EXPECT_NEAR(ink.height(), c.inkHeight, 3);
        } else {
            textWidths.push_back(ink.width());
        }
    }
    ASSERT_EQ(textWidths.size(), 3u);
    // Eleven letters take clearly more room than six, and more than the default 200 wide box.
    EXPECT_GT(textWidths[1], textWidths[0] * 3 / 2);
    EXPECT_GT(textWidths[1], 200);
    EXPECT_NEAR(textWidths[2], textWidths[1], textWidths[1] * 0.25);
}

} // namespace

// The estimate is measured on every profile, the "original size" ones too, and the same file
// estimated twice gives the same figure.
TEST(MovaraConvertResults, EstimatesHoldOnOriginalSizeProfiles) {
    testmedia::SourceSpec spec;
    spec.width = 1280;
    spec.height = 720;
    spec.seconds = 12.0; // longer than what is encoded whole: sampled
    spec.sampleRate = 44100;
    spec.videoFilter = "gradients=s=1280x720:r=25:speed=0.002,drawbox=x=560:y=260:w=160:h=200:"
                       "c=0xC08060:t=fill";
    const std::string source = testmedia::generate(spec);
    ASSERT_FALSE(source.empty());
    for (const char* profile : {"MP4-MPEG-4 Video (original size)(*.mp4)",
                                "3GPP-3rd Generation Partnership Project2(original size)(*.3g2)"}) {
        SCOPED_TRACE(profile);
        const auto first = runConvert({"--estimate", "--profile", profile, source});
        const auto second = runConvert({"--estimate", "--profile", profile, source});
        ASSERT_EQ(first.exitCode, 0) << first.err;
        EXPECT_EQ(first.out, second.out);
        testmedia::ScratchDir out;
        const auto converted = runConvert({"--profile", profile, "--output", out.path(), source});
        ASSERT_EQ(converted.exitCode, 0) << converted.err;
        const double real =
            double(fs::file_size(converted.out.substr(0, converted.out.find('\n'))));
        EXPECT_NEAR(double(std::stoll(first.out)) / real, 1.0, 0.1);
    }
}

// Keyframes further apart than the windows an estimate samples: the windows stay spread over the
// clip rather than gathering on the few keyframes, so content that changes every few seconds is
// all measured.
TEST(MovaraConvertResults, EstimatesHoldOnSparseKeyframes) {
    std::vector<std::string> args = testmedia::changingContentArgs(5);
    args.insert(args.end(), {"-g", "208", "-sc_threshold", "0", "{out}"});
    std::string error;
    const std::string source = testmedia::generateWith(args, "mp4", &error);
    ASSERT_FALSE(source.empty()) << error;
    for (const char* profile : {"H.264 Video(*.mp4)", "MPEG-4 Video(*.mp4)"}) {
        SCOPED_TRACE(profile);
        const auto estimate = runConvert({"--estimate", "--profile", profile, source});
        ASSERT_EQ(estimate.exitCode, 0) << estimate.err;
        testmedia::ScratchDir out;
        const auto converted = runConvert({"--profile", profile, "--output", out.path(), source});
        ASSERT_EQ(converted.exitCode, 0) << converted.err;
        const double real =
            double(fs::file_size(converted.out.substr(0, converted.out.find('\n'))));
        EXPECT_NEAR(double(std::stoll(estimate.out)) / real, 1.0, 0.1);
    }
}
