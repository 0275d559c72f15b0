// movara-convert with sources that carry several sound tracks, subtitles, tags and a cover: the
// tracks are listed with their numbers, languages and codings; --audio-track chooses the sound
// heard; text subtitles stay switchable in MP4 and Matroska or are burned with
// --burn-subtitles; tags and cover go along; a merge takes its first item's.
#include "ConvertToolSupport.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ScratchDir.h"
#include "ToolRunner.h"
#include "TrackMedia.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kH264 = "h264-mp4";

TEST(MovaraConvertTracks, ListTracksNamesEveryTrackWithItsNumberLanguageAndCoding) {
    const std::string movie = trackmedia::multiTrackMovie();
    ASSERT_FALSE(movie.empty());
    auto r = converttest::runConvert({"--list-tracks", movie});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, movie +
                         "\n"
                         "  audio 1: eng, aac, mono, 48 kHz\n"
                         "  audio 2: ger, aac, mono, 48 kHz, default\n"
                         "  subtitle 1: eng, subrip, text\n"
                         "  subtitle 2: fre, ass, text\n");
    r = converttest::runConvert({"--list-tracks", "--json", movie, "/nonexistent.mkv"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4);
    EXPECT_NE(r.out.find("\"language\":\"ger\""), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("/nonexistent.mkv"), std::string::npos);
}

TEST(MovaraConvertTracks, TheChosenSoundTrackIsHeardAndTheDefaultOneWithoutAChoice) {
    const std::string movie = trackmedia::multiTrackMovie();
    ASSERT_FALSE(movie.empty());
    testmedia::ScratchDir dir;
    struct Case {
        std::vector<std::string> option;
        double hz;
    };
    for (const Case& c : {Case{{}, 1000.0}, Case{{"--audio-track", "1"}, 440.0},
                          Case{{"--audio-track", "2"}, 1000.0}}) {
        const std::string out = dir.file("o" + std::to_string(int(c.hz)) + ".mp4");
        std::vector<std::string> args = {"--profile", kH264, "-o", out, "--exists", "overwrite"};
        args.insert(args.end(), c.option.begin(), c.option.end());
        args.push_back(movie);
        const auto r = converttest::runConvert(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NEAR(trackmedia::toneFrequency(out, 0.5, 2.5), c.hz, 30.0);
    }
    // The estimate is measured for the chosen track.
    auto r = converttest::runConvert(
        {"--estimate", "--profile", kH264, "--audio-track", "1", "--burn-subtitles", "1", movie});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_GT(std::stoll(r.out), 10000);
    // A track the file does not have is refused with the count it has.
    r = converttest::runConvert(
        {"--profile", kH264, "--output", dir.path(), "--audio-track", "3", movie});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no sound track 3: it has 2 sound tracks"), std::string::npos) << r.err;
}

TEST(MovaraConvertTracks, SubtitlesAreKeptSwitchableOrBurned) {
    const std::string movie = trackmedia::multiTrackMovie();
    ASSERT_FALSE(movie.empty());
    testmedia::ScratchDir dir;
    const std::string mp4 = dir.file("soft.mp4");
    auto r = converttest::runConvert({"--profile", kH264, "-o", mp4, movie});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(trackmedia::subtitleCodecs(mp4), (std::vector<std::string>{"mov_text", "mov_text"}));
    EXPECT_EQ(trackmedia::subtitleLanguages(mp4), (std::vector<std::string>{"eng", "fre"}));
    ASSERT_EQ(trackmedia::cuesOf(mp4).size(), 2u);
    EXPECT_EQ(trackmedia::cuesOf(mp4)[1].text, "Two");

    const std::string burned = dir.file("burned.mp4");
    r = converttest::runConvert({"--profile", kH264, "-o", burned, "--burn-subtitles", "1", movie});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(trackmedia::subtitleLanguages(burned), (std::vector<std::string>{"fre"}));
    // "One" shows from about 0.5 to 1.5 s: the bottom of the picture differs from the kept
    // output's there, and not at 2.5 s, where no subtitle shows.
    int w = 0, h = 0, w2 = 0, h2 = 0;
    for (double at : {1.0, 2.5}) {
        const auto plain = testmedia::grabFrame(mp4, at, "gray", &w, &h);
        const auto drawn = testmedia::grabFrame(burned, at, "gray", &w2, &h2);
        ASSERT_FALSE(plain.empty() || drawn.empty());
        ASSERT_EQ(w, w2);
        const double bottom = trackmedia::lumaDifference(plain, drawn, w, h, 0.3, 0.8, 0.7, 1.0);
        const double top = trackmedia::lumaDifference(plain, drawn, w, h, 0.0, 0.0, 1.0, 0.5);
        if (at == 1.0)
            EXPECT_GT(bottom, 3.0 * top + 2.0) << "at " << at;
        else
            EXPECT_LT(bottom, 3.0) << "at " << at;
    }

    r = converttest::runConvert({"--profile", "mp3", "--output", dir.path(), "--burn-subtitles",
                                 "1", movie});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--burn-subtitles draws into pictures"), std::string::npos) << r.err;
}

TEST(MovaraConvertTracks, TagsAndCoverGoAlongAndAMergeTakesTheFirstItems) {
    const std::string first = trackmedia::taggedSound({"-c:a", "libmp3lame"}, "mp3", "First");
    const std::string second = trackmedia::taggedSound({"-c:a", "flac"}, "flac", "Second");
    ASSERT_FALSE(first.empty() || second.empty());
    testmedia::ScratchDir dir;
    for (const char* profile : {"mp3", "m4a"}) {
        SCOPED_TRACE(profile);
        const std::string out = dir.file(std::string("merged.") + profile);
        const auto r = converttest::runConvert(
            {"--profile", profile, "--merge", "-o", out, second, first});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto tags = trackmedia::tagsOf(out);
        EXPECT_EQ(tags.count("title") ? tags.at("title") : "", "Second");
        EXPECT_EQ(tags.count("album") ? tags.at("album") : "", "The Album");
        EXPECT_TRUE(trackmedia::hasCover(out));
    }
}

} // namespace
