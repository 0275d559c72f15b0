// movara-convert --fit-size: outputs land at or under their limit and make good use of it,
// merged outputs fit as a whole, and a limit nothing can meet is refused with its reason.
#include "ConvertToolSupport.h"
#include "MediaGenerators.h"
#include "RandomSource.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

TEST(MovaraConvertFitSize, OutputsFitTheirLimitOrAreRefusedWithTheReason) {
    testmedia::SourceSpec spec;
    spec.width = 640;
    spec.height = 480;
    spec.seconds = 20.0;
    spec.sampleRate = 44100;
    const std::string source = testmedia::generate(spec);
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir work;
    fs::copy_file(source, work.file("first.mp4"));
    fs::copy_file(source, work.file("second.mp4"));
    // Noise that MPEG-4 at its coarsest quantiser keeps far over a small limit.
    std::string error;
    const std::string noise = testmedia::generateWith(
        {"-f", "lavfi", "-i", "nullsrc=s=320x240:r=25:d=3,geq=random(1)*255:128:128", "-c:v",
         "libx264", "-pix_fmt", "yuv420p", "{out}"},
        "mp4", &error);
    ASSERT_FALSE(noise.empty()) << error;
    // Bars with a moving box and a low tone: at under a third of its plain size the pictures
    // need rate the sound's profile rate would take, and get it from lower sound rates.
    const std::string bars =
        testmedia::generateWith({"-f",
                                 "lavfi",
                                 "-i",
                                 "smptebars=s=854x480:r=30:d=75",
                                 "-f",
                                 "lavfi",
                                 "-i",
                                 "color=c=white:s=48x48:r=30:d=75",
                                 "-f",
                                 "lavfi",
                                 "-i",
                                 "sine=f=200:r=22050:d=75",
                                 "-filter_complex",
                                 "[0][1]overlay=x='mod(t*160,806)':y='200+100*sin(t)'",
                                 "-c:v",
                                 "libx264",
                                 "-pix_fmt",
                                 "yuv420p",
                                 "-c:a",
                                 "aac",
                                 "-shortest",
                                 "{out}"},
                                "mp4", &error);
    ASSERT_FALSE(bars.empty()) << error;
    testmedia::ScratchDir plainBars;
    ASSERT_EQ(converttest::runConvert(
                  {"--profile", "H.264 Video(*.mp4)", "--output", plainBars.path(), bars}, 300)
                  .exitCode,
              0);
    const int64_t barsLimit =
        int64_t(fs::file_size(plainBars.file(fs::path(bars).stem().string() + ".mp4"))) * 3 / 10;

    struct Case {
        const char* profile;
        std::string size;
        int64_t bytes;
        std::vector<std::string> extra; // more options and the inputs
        const char* refusal;            // empty: it must fit
    };
    const Case cases[] = {
        {"H.264 Video(*.mp4)", "600K", 600 << 10, {source}, ""},
        {"BlackBerry H.263 3GP Video(176x144)(*.3gp)", "300K", 300 << 10, {source}, ""},
        // Short enough for its calibration to encode it whole: that encode is the output.
        {"MPEG-4 Video(*.mp4)", "150K", 150 << 10, {"--end", "4000", source}, ""},
        {"MPEG-4 Video(*.mp4)",
         "1M",
         1 << 20,
         {"--merge", "--end", "10000", work.file("first.mp4"), work.file("second.mp4")},
         ""},
        {"MP3-MPEG Layer 3 Audio(*.mp3)",
         "10K",
         10 << 10,
         {source},
         "10 KB is too small for 20 s of sound"},
        {"H.264 Video(*.mp4)", std::to_string(barsLimit), barsLimit, {bars}, ""},
        {"H.264 Video(*.mp4)",
         "30K",
         30 << 10,
         {source},
         "30 KB is too small for 20 s of 480x320 video (it needs about"},
        {"MPEG-4 Video(*.mp4)", "300K", 300 << 10, {noise}, "480x320 video (it needs about"},
    };
    testmedia::ScratchDir plain;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.profile) + " " + c.size);
        testmedia::ScratchDir out;
        std::vector<std::string> args = {"--profile", c.profile,  "--fit-size",
                                         c.size,      "--output", out.path()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const auto result = converttest::runConvert(args, 300);
        if (*c.refusal) {
            EXPECT_EQ(result.exitCode, 1);
            EXPECT_NE(result.err.find(c.refusal), std::string::npos) << result.err;
            EXPECT_TRUE(fs::is_empty(out.path()));
            continue;
        }
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::string output = result.out.substr(0, result.out.find('\n'));
        const auto size = int64_t(fs::file_size(output));
        EXPECT_LE(size, c.bytes);
        EXPECT_GT(size, c.bytes * 85 / 100);
        if (&c == &cases[0])
            fs::copy_file(output, plain.file("fitted.mp4"));
    }
    // The first limit leaves the sound its profile's rate: the measurement's encode of it, which
    // the run writes instead of encoding it again, is the sound a plain conversion makes.
    ASSERT_EQ(converttest::runConvert(
                  {"--profile", cases[0].profile, "--output", plain.path(), source}, 300)
                  .exitCode,
              0);
    auto soundOf = [&](const std::string& file) {
        const std::string packets = plain.file("sound.data");
        EXPECT_TRUE(
            testmedia::runFfmpeg({"-i", file, "-map", "0:a", "-c", "copy", "-f", "data", packets}));
        std::ifstream in(packets, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string fitted = soundOf(plain.file("fitted.mp4"));
    ASSERT_FALSE(fitted.empty());
    EXPECT_TRUE(fitted == soundOf(plain.file(fs::path(source).stem().string() + ".mp4")));
}

// Content of kinds nobody tuned the fit to: sources drawn from a fixed seed (short and small ones,
// to keep the run short), each limited to half of its plain output, land under it and use it.
TEST(MovaraConvertFitSize, RandomSourcesFitHalfTheirPlainSize) {
    std::vector<benchsource::RandomSource> drawn;
    for (const auto& r : benchsource::drawSources(40, 20261208))
        if (drawn.size() < 2 && r.seconds <= 30 && r.width * r.height <= 640 * 480)
            drawn.push_back(r);
    ASSERT_EQ(drawn.size(), 2u);
    const char* profiles[] = {"H.264 Video(*.mp4)", "BlackBerry H.263 3GP Video(176x144)(*.3gp)"};
    for (size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(drawn[i].name + " " + profiles[i]);
        std::vector<std::string> args = drawn[i].args;
        args.push_back("{out}");
        std::string error;
        const std::string source = testmedia::generateWith(args, drawn[i].extension, &error);
        ASSERT_FALSE(source.empty()) << error;
        testmedia::ScratchDir plain, fitted;
        const auto made = converttest::runConvert(
            {"--profile", profiles[i], "--output", plain.path(), source}, 300);
        ASSERT_EQ(made.exitCode, 0) << made.err;
        const auto limit = int64_t(fs::file_size(made.out.substr(0, made.out.find('\n')))) / 2;
        const auto fit = converttest::runConvert({"--profile", profiles[i], "--fit-size",
                                                  std::to_string(limit), "--output",
                                                  fitted.path(), source},
                                                 300);
        ASSERT_EQ(fit.exitCode, 0) << fit.err;
        const auto size = int64_t(fs::file_size(fit.out.substr(0, fit.out.find('\n'))));
        EXPECT_LE(size, limit);
        EXPECT_GT(size, limit * 85 / 100);
    }
}

} // namespace
