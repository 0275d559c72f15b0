// Files as people have them: containers whose header gives a length their streams do not hold,
// and streams that do not decode. movara-convert measures the first by what they hold, and
// refuses the second with the reason instead of sizing or writing black pictures or silence.
#include "ConvertToolSupport.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

const char* const kProfile = "H.264 Video(*.mp4)";

// A one-second MP4 with a tone; `movflags` as the mp4 muxer takes them.
std::string oneSecondMp4(const std::string& movflags) {
    std::vector<std::string> args = {"-f",
                                     "lavfi",
                                     "-i",
                                     "testsrc2=s=320x240:r=30000/1001:d=1",
                                     "-f",
                                     "lavfi",
                                     "-i",
                                     "sine=d=1",
                                     "-c:v",
                                     "libx264",
                                     "-c:a",
                                     "aac",
                                     "-movie_timescale",
                                     "30000"};
    if (!movflags.empty())
        args.insert(args.end(), {"-movflags", movflags});
    args.push_back("{out}");
    return testmedia::generateWith(args, "mp4");
}

// The movie header's duration, 2^32 - 1 units of 1/30000 s (143,165 s).
bool lieInMovieHeader(std::string* data) {
    const size_t at = data->find("mvhd");
    if (at == std::string::npos || (*data)[at + 4] != 0)
        return false;
    data->replace(at + 20, 4, 4, char(0xff)); // after version, two times and the time scale
    return true;
}

// The Matroska segment's Duration (an 8-byte float of milliseconds) says 143,165 s.
bool lieInSegmentInfo(std::string* data) {
    const size_t at = data->find("\x44\x89\x88");
    if (at == std::string::npos)
        return false;
    const double lie = 143165576.0;
    uint64_t bits;
    std::memcpy(&bits, &lie, sizeof bits);
    for (int i = 0; i < 8; ++i)
        (*data)[at + 3 + i] = char(bits >> (56 - 8 * i));
    return true;
}

// A copy of `source` in `dir` with its header's duration made to lie by `lie`.
std::string lyingCopy(const std::string& source, const testmedia::ScratchDir& dir,
                      const std::string& name, bool (*lie)(std::string*)) {
    std::ifstream in(source, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), {});
    if (!lie(&data))
        return {};
    const std::string path = dir.file(name);
    std::ofstream(path, std::ios::binary) << data;
    return path;
}

int64_t estimateOf(const std::string& path) {
    const auto r = converttest::runConvert({"--estimate", "--profile", kProfile, path});
    return r.exitCode == 0 ? std::atoll(r.out.c_str()) : -1;
}

TEST(MovaraConvertDamagedSource, LengthIsWhatTheStreamsHold) {
    testmedia::ScratchDir work;
    struct Case {
        const char* name;
        std::string honest;
        bool (*lie)(std::string*);
    };
    const Case cases[] = {
        {"plain.mp4", oneSecondMp4(""), lieInMovieHeader},
        {"fragmented.mp4", oneSecondMp4("frag_keyframe+default_base_moof"), lieInMovieHeader},
        {"segment.mkv",
         testmedia::generateWith({"-f", "lavfi", "-i", "testsrc2=s=320x240:r=25:d=1", "-f", "lavfi",
                                  "-i", "sine=d=1", "-c:v", "libx264", "-g", "5", "-c:a", "aac",
                                  "{out}"},
                                 "mkv"),
         lieInSegmentInfo},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.honest.empty());
        const std::string lying = lyingCopy(c.honest, work, c.name, c.lie);
        ASSERT_FALSE(lying.empty());
        const std::string& honest = c.honest;

        const int64_t truth = estimateOf(honest), estimate = estimateOf(lying);
        ASSERT_GT(truth, 0);
        EXPECT_GT(estimate, truth / 2);
        EXPECT_LT(estimate, truth * 2);

        // The length the list and trim bar get: a begin past one second is past the end.
        const auto late = converttest::runConvert(
            {"--estimate", "--begin", "1500", "--profile", kProfile, lying});
        EXPECT_EQ(late.exitCode, 1);
        EXPECT_NE(late.err.find("past the end of the source"), std::string::npos) << late.err;

        testmedia::ScratchDir out;
        const auto fitted = converttest::runConvert(
            {"--profile", kProfile, "--fit-size", "10M", "--output", out.path(), lying});
        ASSERT_EQ(fitted.exitCode, 0) << fitted.err;
        const std::string output = fitted.out.substr(0, fitted.out.find('\n'));
        EXPECT_LE(fs::file_size(output), 10u << 20);
        EXPECT_NEAR(testmedia::probe(output).duration, 1.0, 0.15);
    }
}

TEST(MovaraConvertDamagedSource, UndecodableStreamsAreRefusedWithTheReason) {
    std::string error;
    const std::string vp9 = testmedia::generateWith(
        {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=25:d=2", "-f", "lavfi", "-i", "sine=d=2",
         "-c:v", "libvpx-vp9", "-deadline", "realtime", "-c:a", "libopus", "{out}"},
        "webm", &error);
    ASSERT_FALSE(vp9.empty()) << error;
    const std::string h264 = oneSecondMp4("");
    ASSERT_FALSE(h264.empty());
    struct Case {
        std::string source;
        const char* bitstreamFilter; // damages every packet of one stream
        const char* extension;
        const char* reason;
    };
    const Case cases[] = {
        {vp9, "-bsf:v", "webm", "the source's pictures cannot be decoded"},
        {h264, "-bsf:a", "mp4", "the source's sound cannot be decoded"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const std::string damaged = testmedia::generateWith(
            {"-i", c.source, "-c", "copy", c.bitstreamFilter, "noise=amount=3", "{out}"},
            c.extension, &error);
        ASSERT_FALSE(damaged.empty()) << error;

        const auto estimate =
            converttest::runConvert({"--estimate", "--profile", kProfile, damaged});
        EXPECT_EQ(estimate.exitCode, 1);
        EXPECT_TRUE(estimate.out.empty()) << estimate.out;
        EXPECT_NE(estimate.err.find(std::string("cannot estimate its size: ") + c.reason),
                  std::string::npos)
            << estimate.err;

        const auto fit = converttest::runConvert(
            {"--estimate", "--fit-size", "10M", "--profile", kProfile, damaged});
        EXPECT_EQ(fit.exitCode, 1);
        EXPECT_NE(fit.err.find(c.reason), std::string::npos) << fit.err;

        testmedia::ScratchDir out;
        const auto run =
            converttest::runConvert({"--profile", kProfile, "--output", out.path(), damaged});
        EXPECT_NE(run.exitCode, 0);
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        EXPECT_TRUE(fs::is_empty(out.path()));
    }
}

} // namespace
