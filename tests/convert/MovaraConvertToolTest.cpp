// The movara-convert program, run as a script would run it.
#include "ConvertToolSupport.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ProfileCatalogue.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using converttest::movie;
using converttest::runConvert;

namespace fs = std::filesystem;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

TEST(MovaraConvert, ListsTheBuiltInProfilesInCatalogueOrder) {
    const auto result = runConvert({"--list-profiles"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> names;
    for (const std::string& line : lines(result.out)) {
        names.push_back(line.substr(0, line.find('\t')));
    }
    std::vector<std::string> expected;
    for (int category = 0; category < kProfileCategoryCount; ++category) {
        for (const ProfileRef& p : ProfileCatalogue::instance().list(category)) {
            expected.push_back(p->name);
        }
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(names.size(), 21u);
}

TEST(MovaraConvert, VideoProfileWithClip) {
    const std::string source = movie(3.0);
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir out;
    const auto result =
        runConvert({"--profile", "3GPP-3rd Generation Partnership Project(176x144)(*.3gp)",
                    "--begin", "500", "--end", "2000", "--output", out.path(), source});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string expected = out.file(fs::path(source).stem().string() + ".3gp");
    EXPECT_EQ(lines(result.out), std::vector<std::string>{expected});
    const testmedia::FileProbe probe = testmedia::probe(expected);
    ASSERT_TRUE(probe.ok) << probe.error;
    ASSERT_TRUE(probe.first("video"));
    ASSERT_TRUE(probe.first("audio"));
    EXPECT_EQ(probe.first("video")->width, 176);
    EXPECT_EQ(probe.first("video")->height, 144);
    EXPECT_EQ(probe.first("audio")->codec, "amr_nb");
    EXPECT_NEAR(probe.duration, 1.5, 0.3);
    EXPECT_NE(result.err.find("Finish"), std::string::npos) << result.err;
}

// --estimate converts nothing and prints, per file, the measured size the conversion then comes
// close to; the clip halves it; a file that is not media fails the run.
TEST(MovaraConvert, EstimatesWithoutConverting) {
    const std::string source = movie(3.0);
    const std::string profile = "3GPP-3rd Generation Partnership Project(176x144)(*.3gp)";
    const auto whole = runConvert({"--estimate", "--profile", profile, source, "/no/such.mp4"});
    EXPECT_EQ(whole.exitCode, 1);
    const std::vector<std::string> out = lines(whole.out);
    ASSERT_EQ(out.size(), 1u) << whole.out;
    ASSERT_EQ(out[0].substr(out[0].find('\t') + 1), source);
    const long long estimate = std::stoll(out[0]);
    const auto clipped = runConvert({"--estimate", "--profile", profile, "--end", "1500", source});
    ASSERT_EQ(clipped.exitCode, 0) << clipped.err;
    EXPECT_NEAR(double(std::stoll(clipped.out)) / double(estimate), 0.5, 0.05);

    testmedia::ScratchDir dir;
    ASSERT_EQ(runConvert({"--profile", profile, "--output", dir.path(), source}).exitCode, 0);
    const double real = double(fs::file_size(dir.file(fs::path(source).stem().string() + ".3gp")));
    EXPECT_NEAR(double(estimate) / real, 1.0, 0.05); // measured: the whole clip encoded
}

TEST(MovaraConvert, AudioProfileMergesIntoOneFile) {
    const std::string source = movie(1.0);
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir work;
    fs::copy_file(source, work.file("first.mp4"));
    fs::copy_file(source, work.file("second.mp4"));
    fs::create_directories(work.file("out"));
    const auto result =
        runConvert({"--profile", "MP3-MPEG Layer 3 Audio(*.mp3)", "--merge", "--output",
                    work.file("out"), work.file("first.mp4"), work.file("second.mp4")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(lines(result.out), std::vector<std::string>{work.file("out/first.mp3")});
    const testmedia::FileProbe probe = testmedia::probe(work.file("out/first.mp3"));
    ASSERT_TRUE(probe.ok) << probe.error;
    EXPECT_EQ(probe.count("video"), 0);
    ASSERT_TRUE(probe.first("audio"));
    EXPECT_EQ(probe.first("audio")->codec, "mp3");
    EXPECT_NEAR(probe.duration, 2.0, 0.3);
}

TEST(MovaraConvert, ExistingOutputsAndFailuresSetTheExitCode) {
    const std::string source = movie(1.0);
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir out;
    const std::string profile = "H.264 Video(*.mp4)";
    const std::string first = out.file(fs::path(source).stem().string() + ".mp4");

    auto once = runConvert({"--profile", profile, "--output", out.path(), source});
    ASSERT_EQ(once.exitCode, 0) << once.err;
    const auto size = fs::file_size(first);

    // Skip: nothing written, and that is a success.
    auto skipped =
        runConvert({"--profile", profile, "--exists", "skip", "--output", out.path(), source});
    EXPECT_EQ(skipped.exitCode, 0) << skipped.err;
    EXPECT_TRUE(skipped.out.empty());
    EXPECT_NE(skipped.err.find("skipped (exists): " + first + "\n"), std::string::npos)
        << skipped.err;
    EXPECT_EQ(fs::file_size(first), size);

    // Rename (the default): a second, time-stamped file.
    auto renamed = runConvert({"--profile", profile, "--output", out.path(), source});
    ASSERT_EQ(renamed.exitCode, 0) << renamed.err;
    const auto written = lines(renamed.out);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_NE(written[0], first);
    EXPECT_TRUE(testmedia::probe(written[0]).ok);

    // A file that is no media, and a profile that does not exist.
    const std::string junk = out.file("junk.avi");
    { std::ofstream(junk) << "not a movie"; }
    auto failed = runConvert({"--profile", profile, "--output", out.path(), junk});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find("Failed to load file :\n" + junk), std::string::npos) << failed.err;
    auto unknown = runConvert({"--profile", "No Such Profile", "--output", out.path(), source});
    EXPECT_EQ(unknown.exitCode, 2);
}

// Every built-in profile produces a file ffprobe reads, with the streams the profile promises.
TEST(MovaraConvert, EveryBuiltInProfileProducesAReadableFile) {
    const std::string source = movie(1.0);
    ASSERT_FALSE(source.empty());
    for (int category = 0; category < kProfileCategoryCount; ++category) {
        for (const ProfileRef& p : ProfileCatalogue::instance().list(category)) {
            SCOPED_TRACE(p->name);
            testmedia::ScratchDir out;
            const auto result = runConvert({"--profile", p->name, "--output", out.path(), source});
            ASSERT_EQ(result.exitCode, 0) << result.err;
            const auto written = lines(result.out);
            ASSERT_EQ(written.size(), 1u);
            const testmedia::FileProbe probe = testmedia::probe(written[0]);
            ASSERT_TRUE(probe.ok) << probe.error;
            EXPECT_EQ(probe.count("video") > 0, p->hasVideo());
            EXPECT_EQ(probe.count("audio") > 0, p->hasAudio());
        }
    }
}

} // namespace
