// Several sources into one output: each normalised to the export format and placed one after
// the other on one timeline; missing streams become black pictures or silence.
#include "EngineHarness.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace enginetest;

TEST(EngineMerge, ThreeDifferentSourcesBecomeOneTimeline) {
    const std::string a = sourcePath(160, 120, "25", 1.5, 44100);
    const std::string b = sourcePath(200, 150, "30000/1001", 1.2, 48000);
    const std::string c = sourcePath(176, 144, "25", 1.0, 0); // no audio
    ASSERT_FALSE(a.empty() || b.empty() || c.empty());
    testmedia::ScratchDir dir;
    Timeline t;
    std::vector<int> ids = {t.add(a), t.add(b), t.add(c)};
    double expected = 0.0;
    for (int id : ids) {
        ASSERT_GE(id, 0);
        int64_t ms = 0;
        VeldesGetMediaDuration(t.handle(), id, &ms);
        expected += ms / 1000.0;
    }
    std::string out = dir.file("merged.mp4");
    RunRecorder recorder(ids.back());
    ASSERT_GE(t.runAndWait(ids, exportInfo({}, out), &recorder), 0);
    ASSERT_TRUE(recorder.succeeded());

    // Each source reports its own progress, in order; the last event is the last source's.
    std::vector<tagVeldesEvent> events = recorder.events();
    size_t next = 0;
    for (int id : ids) {
        bool finished = false;
        for (; next < events.size() && events[next].mediaId == id; ++next)
            finished = events[next].progress == 10000;
        EXPECT_TRUE(finished) << id;
    }
    EXPECT_EQ(next, events.size()) << "events arrive source by source";
    EXPECT_EQ(events.back().mediaId, ids.back());

    testmedia::FileProbe p = testmedia::probe(out);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.count("video"), 1);
    EXPECT_EQ(p.count("audio"), 1);
    EXPECT_EQ(p.first("video")->width, 320);
    EXPECT_EQ(p.first("audio")->sampleRate, 44100);
    EXPECT_NEAR(p.duration, expected, 0.2);
    double videoEnd = testmedia::streamEndTime(out, "v");
    double audioEnd = testmedia::streamEndTime(out, "a");
    EXPECT_NEAR(videoEnd, audioEnd, 0.04);
    EXPECT_NEAR(videoEnd, expected, 0.2);
}

TEST(EngineMerge, AFailingSourceEndsTheRunWithTheLastSourcesId) {
    const std::string good = sourcePath(160, 120, "25", 1.0, 44100);
    testmedia::ScratchDir dir;
    // A source that opened when it was added and is no media by the time the run reaches it.
    std::string broken = dir.file("broken.mp4");
    std::filesystem::copy_file(good, broken);

    Timeline t;
    std::vector<int> ids = {t.add(good), t.add(broken), t.add(good)};
    std::ofstream(broken, std::ios::trunc) << "no longer a movie";
    RunRecorder recorder(ids.back());
    std::string out = dir.file("merged.mp4");
    ASSERT_GE(t.runAndWait(ids, exportInfo({}, out), &recorder), 0);
    ASSERT_TRUE(recorder.ended());
    EXPECT_FALSE(recorder.succeeded());
    std::vector<tagVeldesEvent> events = recorder.events();
    bool brokenReported = false;
    for (const tagVeldesEvent& e : events)
        brokenReported |= e.mediaId == ids[1] && e.status < 0;
    EXPECT_TRUE(brokenReported);
    EXPECT_EQ(events.back().mediaId, ids.back());
    EXPECT_LT(events.back().status, 0);
    EXPECT_FALSE(testmedia::fileExists(out));
}

TEST(EngineMerge, MissingStreamsBecomeBlackPicturesOrSilence) {
    testmedia::SourceSpec tone;
    tone.sampleRate = 22050;
    tone.channels = 1;
    tone.seconds = 1.5;
    tone.container = "mp3";
    tone.audioCodec = "libmp3lame";
    const std::string audioOnly = testmedia::generate(tone);
    const std::string videoOnly = sourcePath(160, 120, "25", 1.5, 0);
    ASSERT_FALSE(audioOnly.empty() || videoOnly.empty());
    testmedia::ScratchDir dir;
    Timeline t;
    int sound = t.add(audioOnly), picture = t.add(videoOnly);

    std::string video = dir.file("black.mp4");
    RunRecorder r1(sound);
    ASSERT_GE(t.runAndWait({sound}, exportInfo({}, video), &r1), 0);
    ASSERT_TRUE(r1.succeeded());
    testmedia::FileProbe pv = testmedia::probe(video);
    ASSERT_TRUE(pv.first("video") && pv.first("audio"));
    EXPECT_NEAR(testmedia::streamEndTime(video, "v"), testmedia::streamEndTime(video, "a"), 0.04);
    int w = 0, h = 0;
    std::vector<uint8_t> gray = testmedia::grabFrame(video, 0.5, "gray", &w, &h);
    EXPECT_LT(testmedia::meanOf(gray, w, 1, 0, 0, 0, w, h), 4.0);

    OutputSpec mp3;
    mp3.format = "mp3";
    mp3.videoCodec = 0;
    mp3.audioCodec = VELDES_ACODEC_MP3;
    std::string silent = dir.file("silent.mp3");
    RunRecorder r2(picture);
    ASSERT_GE(t.runAndWait({picture}, exportInfo(mp3, silent), &r2), 0);
    ASSERT_TRUE(r2.succeeded());
    testmedia::FileProbe pa = testmedia::probe(silent);
    ASSERT_TRUE(pa.first("audio"));
    EXPECT_EQ(pa.count("video"), 0);
    EXPECT_NEAR(pa.duration, 1.5, 0.1);
}
