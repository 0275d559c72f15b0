// An item's choice of sound track and burned subtitles, from the command line (--audio-track,
// --burn-subtitles, --list-tracks) through the item and the session file to what the engine is
// told: the export setting takes the chosen track's stream, and the engine hears of a burned
// track only when it changes.
#include "ConvertOptions.h"
#include "ConvertTestSupport.h"
#include "MediaItem.h"
#include "ProfileCatalogue.h"
#include "SessionFile.h"
#include "TrackCommand.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

using Args = std::vector<std::string>;

std::vector<tagVeldesTrack> sampleTracks() {
    return {FakeSource::track(VELDES_STREAM_AUDIO, 1, "eng", "aac", 0, 2),
            FakeSource::track(VELDES_STREAM_AUDIO, 2, "ger", "ac3", VELDES_TRACK_DEFAULT, 3),
            FakeSource::track(VELDES_STREAM_SUBTITLE, 1, "eng", "subrip", VELDES_TRACK_TEXT, 4),
            FakeSource::track(VELDES_STREAM_SUBTITLE, 2, "", "hdmv_pgs_subtitle",
                              VELDES_TRACK_BITMAP | VELDES_TRACK_FORCED, 5)};
}

TEST(TrackChoice, OptionsTakeTrackNumbers) {
    std::string error;
    auto options = parseConvertOptions({"--profile", "p", "--output", "o", "--audio-track", "2",
                                        "--burn-subtitles=1", "f"},
                                       &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->audioTrack, 2);
    EXPECT_EQ(options->burnSubtitles, 1);
    options = parseConvertOptions({"--list-tracks", "a.mkv", "b.mp4"}, &error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->listTracks);
    EXPECT_EQ(options->files, (Args{"a.mkv", "b.mp4"}));

    for (const Args& args : {Args{"--profile", "p", "--output", "o", "--audio-track", "0", "f"},
                             Args{"--profile", "p", "--output", "o", "--audio-track", "x", "f"},
                             Args{"--profile", "p", "--output", "o", "--burn-subtitles", "-1", "f"}}) {
        EXPECT_FALSE(parseConvertOptions(args, &error));
        EXPECT_NE(error.find("takes a track number from 1 to 99"), std::string::npos) << error;
    }
    EXPECT_FALSE(parseConvertOptions({"--list-tracks"}, &error));
    EXPECT_EQ(error, "no input files");
    EXPECT_NE(convertUsage().find("--audio-track <N>"), std::string::npos);
    EXPECT_NE(convertUsage().find("--list-tracks"), std::string::npos);
}

TEST(TrackChoice, ASourceWithoutTheChosenTrackIsRefusedWithTheCount) {
    ConvertOptions options;
    const std::vector<tagVeldesTrack> tracks = sampleTracks();
    EXPECT_EQ(trackRefusal(options, tracks), "");
    options.audioTrack = 2;
    options.burnSubtitles = 2;
    EXPECT_EQ(trackRefusal(options, tracks), "");
    options.audioTrack = 3;
    EXPECT_EQ(trackRefusal(options, tracks),
              "no sound track 3: it has 2 sound tracks (see --list-tracks)");
    options.audioTrack = 0;
    options.burnSubtitles = 1;
    EXPECT_EQ(trackRefusal(options, {tracks[0]}),
              "no subtitle track 1: it has no subtitle track (see --list-tracks)");
}

TEST(TrackChoice, TracksAreDescribedWithLanguageAndCoding) {
    std::vector<tagVeldesTrack> tracks = sampleTracks();
    std::snprintf(tracks[1].title, sizeof tracks[1].title, "Director's commentary");
    tracks[1].channels = 6;
    EXPECT_EQ(trackDescription(tracks[0]), "1: eng, aac, stereo, 48 kHz");
    EXPECT_EQ(trackDescription(tracks[1]),
              "2: ger, ac3, 5.1, 48 kHz, default - Director's commentary");
    EXPECT_EQ(trackDescription(tracks[2]), "1: eng, subrip, text");
    EXPECT_EQ(trackDescription(tracks[3]), "2: no language, hdmv_pgs_subtitle, pictures, forced");
    tracks[0].sampleRate = 22050;
    EXPECT_EQ(trackDescription(tracks[0]), "1: eng, aac, stereo, 22.1 kHz");

    // Without a choice the file's default plays, else the first; a choice the file lacks falls
    // back the same way.
    MediaItem item;
    EXPECT_EQ(effectiveAudioTrack(item, tracks), 2);
    item.audioTrack = 1;
    EXPECT_EQ(effectiveAudioTrack(item, tracks), 1);
    item.audioTrack = 7;
    EXPECT_EQ(effectiveAudioTrack(item, tracks), 2);
    tracks[1].flags = 0;
    EXPECT_EQ(effectiveAudioTrack(item, tracks), 1);
    EXPECT_EQ(effectiveAudioTrack(item, {tracks[2]}), 0);
}

TEST(TrackChoice, TheChoicesSurviveTheSessionFile) {
    SessionSnapshot snapshot;
    MediaItem item;
    item.sourcePath = "/in/film.mkv";
    item.audioTrack = 2;
    item.burnSubtitles = 3;
    SessionFile::addItem(snapshot, item, "");
    const std::string document = SessionFile::document(snapshot);
    EXPECT_NE(document.find("<AudioTrack>2</AudioTrack>"), std::string::npos);
    EXPECT_NE(document.find("<BurnSubtitles>3</BurnSubtitles>"), std::string::npos);
    const std::string path = testing::TempDir() + "/TrackChoiceSession.xml";
    ASSERT_TRUE(SessionFile::write(path, document));
    ProfileCatalogue catalogue;
    std::vector<SessionEntry> entries;
    ASSERT_EQ(SessionFile::load(path, catalogue, entries), SessionFile::LoadResult::Loaded);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].item.audioTrack, 2);
    EXPECT_EQ(entries[0].item.burnSubtitles, 3);

    // A session of an earlier build has neither: the defaults.
    std::string old = document;
    for (const char* element : {"<AudioTrack>2</AudioTrack>", "<BurnSubtitles>3</BurnSubtitles>"})
        old.erase(old.find(element), std::strlen(element));
    ASSERT_TRUE(SessionFile::write(path, old));
    ASSERT_EQ(SessionFile::load(path, catalogue, entries), SessionFile::LoadResult::Loaded);
    EXPECT_EQ(entries[0].item.audioTrack, 0);
    EXPECT_EQ(entries[0].item.burnSubtitles, 0);
    std::remove(path.c_str());
}

class TrackChoiceConvert : public converttest::ConvertFixture {};

// The export setting takes the chosen sound stream's values (the file's default without a
// choice); the burned track reaches the engine once per change.
TEST_F(TrackChoiceConvert, TheSettingTakesTheChosenSoundAndTheEngineTheBurnedTrack) {
    FakeSource source = FakeSource::movie();
    tagVeldesStreamInfo second = FakeSource::audioStream(48000, 6, 448000);
    source.streams[1].audioValues[0] = 2;
    second.audioValues[0] = 3;
    second.audioValues[1] = 86019; // AC-3
    source.streams.push_back(second);
    source.tracks = sampleTracks();
    MediaItem* item = addFile("film.mkv", source);
    const int id = fake.mediaIdOf(item->sourcePath);

    convert->estimate(item);
    auto settings = fake.callsOf("VeldesSetExportSetting");
    ASSERT_EQ(settings.size(), 1u);
    EXPECT_EQ(settings.back().setting->audioValues[0], 3) << "the file's default track";
    EXPECT_EQ(fake.media(id)->burnSubtitles, 0);

    item->audioTrack = 1;
    item->burnSubtitles = 2;
    convert->estimate(item);
    settings = fake.callsOf("VeldesSetExportSetting");
    EXPECT_EQ(settings.back().setting->audioValues[0], 2);
    EXPECT_EQ(settings.back().setting->sampleRate, 44100) << "the chosen stream's rate";
    EXPECT_EQ(fake.media(id)->burnSubtitles, 2);

    item->burnSubtitles = 0;
    convert->startConversion();
    settings = fake.callsOf("VeldesSetExportSetting");
    EXPECT_EQ(settings.back().setting->audioValues[0], 2);
    EXPECT_EQ(fake.media(id)->burnSubtitles, 0);

    std::vector<tagVeldesTrack> tracks;
    EXPECT_TRUE(convert->tracks(item, &tracks));
    EXPECT_EQ(tracks.size(), 4u);
}

} // namespace
