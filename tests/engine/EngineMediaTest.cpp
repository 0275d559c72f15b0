// Media entries and single-source runs: probing, refusals, output files and their faults.
#include "EngineHarness.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>

using namespace enginetest;
using testmedia::ScratchDir;

namespace {

std::string smallSource() {
    return oddSource(322, 181, "30000/1001", 2.0, 44100);
}

std::string writeFile(const ScratchDir& dir, const std::string& name, const std::string& bytes) {
    std::string path = dir.file(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

} // namespace

TEST(EngineMedia, ProbeReportsStreamsAndDuration) {
    struct Case {
        std::string path;
        int width, height;
        double frameRate;
        int sampleRate;
        bool bitRatesStored; // Matroska keeps no per-stream bit rates
    };
    const Case cases[] = {
        {smallSource(), 322, 181, 29.97, 44100, false},
        {sourcePath(320, 240, "25", 2.0, 48000), 320, 240, 25.0, 48000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_FALSE(c.path.empty());
        Timeline t;
        int id = t.add(c.path);
        ASSERT_GE(id, 0);
        tagVeldesStreamInfo* streams = nullptr;
        int count = VeldesGetMediaInfo(t.handle(), id, &streams);
        ASSERT_EQ(count, 2);
        const tagVeldesStreamInfo* video = nullptr;
        const tagVeldesStreamInfo* audio = nullptr;
        for (int i = 0; i < count; ++i)
            (streams[i].type == VELDES_STREAM_VIDEO ? video : audio) = &streams[i];
        ASSERT_TRUE(video && audio);
        EXPECT_EQ(video->width, c.width);
        EXPECT_EQ(video->height, c.height);
        EXPECT_NEAR(video->frameRate, c.frameRate, 0.01);
        EXPECT_EQ(audio->sampleRate, c.sampleRate);
        EXPECT_EQ(audio->channels, 2);
        if (c.bitRatesStored) {
            EXPECT_GT(video->bitRate, 0);
            EXPECT_GT(audio->bitRate, 0);
        }
        // The stream values name the stream, so the run converts the one the caller chose.
        EXPECT_GT(video->videoValues[0], 0);
        EXPECT_GT(audio->audioValues[0], 0);
        EXPECT_NE(video->videoValues[0], audio->audioValues[0]);
        // The array stays put for the caller.
        tagVeldesStreamInfo* again = nullptr;
        EXPECT_EQ(VeldesGetMediaInfo(t.handle(), id, &again), 2);
        EXPECT_EQ(again, streams);

        int64_t duration = 0;
        EXPECT_EQ(VeldesGetMediaDuration(t.handle(), id, &duration), 0);
        EXPECT_NEAR(double(duration), 2000.0, 60.0);
    }
}

TEST(EngineMedia, RefusesSourcesWithoutAudioOrVideo) {
    ScratchDir dir;
    std::string random(4096, '\0');
    for (size_t i = 0; i < random.size(); ++i)
        random[i] = char((i * 7919 + 13) % 251);
    const std::vector<std::string> refused = {
        dir.file("missing.mp4"),
        writeFile(dir, "empty.mp4", ""),
        writeFile(dir, "noise.mp4", random),
        writeFile(dir, "subtitles.srt", "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n"),
        dir.path(), // a folder
    };
    Timeline t;
    for (const std::string& path : refused)
        EXPECT_LT(t.add(path), 0) << path;
    EXPECT_LT(t.add(""), 0);
    EXPECT_LT(VeldesAddMedia2(t.handle(), nullptr, nullptr, 0), 0);
}

TEST(EngineMedia, IdsAreNeverReusedAndStaleIdsAreHarmless) {
    std::string source = smallSource();
    Timeline t;
    int first = t.add(source);
    ASSERT_GE(first, 0);
    EXPECT_EQ(VeldesRemoveWatermark(t.handle(), first), 0);
    EXPECT_EQ(VeldesRemoveMedia(t.handle(), first), 0);
    int second = t.add(source);
    EXPECT_NE(second, first);

    tagVeldesStreamInfo* streams = nullptr;
    int64_t value = 0;
    EXPECT_LT(VeldesRemoveMedia(t.handle(), first), 0);
    EXPECT_LT(VeldesGetMediaInfo(t.handle(), first, &streams), 0);
    EXPECT_LT(VeldesGetMediaDuration(t.handle(), first, &value), 0);
    EXPECT_LT(VeldesSetMediaBeginPos(t.handle(), first, 0), 0);
    EXPECT_LT(VeldesGetMediaEncodedSize(t.handle(), first, &value), 0);
    EXPECT_LT(VeldesSuspend(t.handle(), 12345), 0);
    EXPECT_LT(VeldesSkip(t.handle(), 12345, 0), 0);

    ScratchDir dir;
    tagVeldesExportInfo info = exportInfo({}, dir.file("out.mp4"));
    int ids[] = {second, first};
    EXPECT_LT(VeldesRun(t.handle(), ids, 2, &info), 0);
    EXPECT_TRUE(folderEntries(dir.path()).empty());

    // A handle that is not a live timeline is refused, not followed.
    int dummy = 0;
    EXPECT_LT(VeldesRemoveMedia(&dummy, second), 0);
    VeldesTimeline gone = CreateTimeline(1);
    EXPECT_EQ(DestroyTimeline(gone), 0);
    EXPECT_LT(DestroyTimeline(gone), 0);
}

TEST(EngineMedia, ConvertsOneSourceWithProgress) {
    std::string source = smallSource();
    ScratchDir dir;
    Timeline t;
    int id = t.add(source);
    ASSERT_GE(id, 0);
    std::string out = dir.file("out.mp4");
    RunRecorder recorder(id);
    ASSERT_GE(t.runAndWait({id}, exportInfo({}, out), &recorder), 0);
    ASSERT_TRUE(recorder.succeeded());

    std::vector<tagVeldesEvent> events = recorder.events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.front().progress, 0);
    EXPECT_EQ(events.back().progress, 10000);
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].mediaId, id);
        EXPECT_GE(events[i].status, 0);
        if (i > 0) {
            EXPECT_GE(events[i].progress, events[i - 1].progress);
        }
    }

    testmedia::FileProbe p = testmedia::probe(out);
    ASSERT_TRUE(p.ok) << p.error;
    const testmedia::StreamProbe* v = p.first("video");
    const testmedia::StreamProbe* a = p.first("audio");
    ASSERT_TRUE(v && a);
    EXPECT_EQ(v->codec, "h264");
    EXPECT_EQ(v->width, 320);
    EXPECT_EQ(v->height, 240);
    EXPECT_NEAR(v->frameRate, 25.0, 0.01);
    EXPECT_EQ(a->codec, "aac");
    EXPECT_EQ(a->sampleRate, 44100);
    EXPECT_EQ(a->channels, 2);
    EXPECT_NEAR(p.duration, 2.0, 0.1);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.mp4"});
}

TEST(EngineMedia, RefusesWhatCannotBeProduced) {
    std::string source = smallSource();
    ScratchDir dir;
    Timeline t;
    int id = t.add(source);
    ASSERT_GE(id, 0);
    struct Case {
        const char* what;
        OutputSpec spec;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, auto change) {
        OutputSpec s;
        change(s);
        cases.push_back({what, s});
    };
    add("dpg", [](OutputSpec& s) { s.format = "dpg"; });
    add("unknown format", [](OutputSpec& s) { s.format = "xyz"; });
    add("empty format", [](OutputSpec& s) { s.format = ""; });
    add("WMV9", [](OutputSpec& s) {
        s.format = "wmv";
        s.videoCodec = VELDES_VCODEC_WMV3;
    });
    add("RMVB", [](OutputSpec& s) {
        s.format = "rmvb";
        s.videoCodec = VELDES_VCODEC_RMVB;
    });
    add("unknown video id", [](OutputSpec& s) { s.videoCodec = 999; });
    add("unknown audio id", [](OutputSpec& s) { s.audioCodec = 0x7777; });
    add("H.263 in mp4", [](OutputSpec& s) { s.videoCodec = VELDES_VCODEC_H263; });
    add("WMA in mp4", [](OutputSpec& s) { s.audioCodec = VELDES_ACODEC_WMA; });
    add("video in mp3", [](OutputSpec& s) {
        s.format = "mp3";
        s.audioCodec = VELDES_ACODEC_MP3;
    });
    add("AAC in mp3", [](OutputSpec& s) {
        s.format = "mp3";
        s.videoCodec = 0;
    });
    add("nothing", [](OutputSpec& s) {
        s.videoCodec = 0;
        s.audioCodec = 0;
    });
    add("no size", [](OutputSpec& s) { s.width = 0; });
    add("no rate", [](OutputSpec& s) { s.frameRate = 0; });
    for (const Case& c : cases) {
        tagVeldesExportInfo info = exportInfo(c.spec, dir.file("out.bin"));
        RunRecorder recorder(id);
        recorder.attach(&info);
        EXPECT_LT(VeldesRun(t.handle(), &id, 1, &info), 0) << c.what;
    }
    tagVeldesExportInfo noPath = exportInfo({}, "");
    EXPECT_LT(VeldesRun(t.handle(), &id, 1, &noPath), 0);
    EXPECT_LT(VeldesRun(t.handle(), &id, 1, nullptr), 0);
    EXPECT_LT(VeldesRun(t.handle(), &id, 0, &noPath), 0);
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(EngineMedia, UnwritableFolderFailsAndTheEngineStaysReady) {
    std::string source = smallSource();
    ScratchDir dir;
    Timeline t;
    int id = t.add(source);
    ASSERT_GE(id, 0);
    std::string blocker = writeFile(dir, "plain-file", "x");
    for (const std::string& out : {dir.file("no/such/folder/out.mp4"), blocker + "/out.mp4"}) {
        RunRecorder recorder(id);
        ASSERT_GE(t.runAndWait({id}, exportInfo({}, out), &recorder), 0);
        ASSERT_TRUE(recorder.ended());
        EXPECT_FALSE(recorder.succeeded());
        EXPECT_LT(recorder.events().back().status, 0);
    }
    RunRecorder again(id);
    ASSERT_GE(t.runAndWait({id}, exportInfo({}, dir.file("ok.mp4")), &again), 0);
    EXPECT_TRUE(again.succeeded());
    EXPECT_TRUE(testmedia::probe(dir.file("ok.mp4")).ok);
}

// Cut in half, an MP4 whose index promises the whole length, an MP3 and a WAV all convert what
// decodes: about the first half.
TEST(EngineMedia, TruncatedSourcesConvertWhatDecodes) {
    struct Case {
        std::string container, videoCodec, audioCodec;
        int width;
    };
    for (const Case& c : {Case{"mp4", "libx264", "aac", 160}, Case{"mp3", "", "libmp3lame", 0},
                          Case{"wav", "", "pcm_s16le", 0}}) {
        SCOPED_TRACE(c.container);
        testmedia::SourceSpec spec;
        spec.width = c.width;
        spec.height = c.width * 3 / 4;
        spec.seconds = 4.0;
        spec.sampleRate = 44100;
        spec.container = c.container;
        spec.audioCodec = c.audioCodec;
        if (c.container == "mp4")
            spec.extraOutputArgs = {"-movflags", "+faststart"};
        std::string whole = testmedia::generate(spec);
        ASSERT_FALSE(whole.empty());
        ScratchDir dir;
        std::string cut = dir.file("cut." + c.container);
        std::filesystem::copy_file(whole, cut);
        std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);

        Timeline t;
        int id = t.add(cut);
        ASSERT_GE(id, 0) << "the header at the front still opens";
        RunRecorder recorder(id);
        OutputSpec out;
        if (!c.width)
            out.videoCodec = VELDES_VCODEC_NONE;
        std::string path = dir.file("out.mp4");
        ASSERT_GE(t.runAndWait({id}, exportInfo(out, path), &recorder), 0);
        ASSERT_TRUE(recorder.succeeded());
        EXPECT_NEAR(testmedia::probe(path).duration, 2.0, 0.5);
    }
}

TEST(EngineMedia, ReplacesAnExistingOutputOnlyWhenComplete) {
    std::string source = smallSource();
    ScratchDir dir;
    std::string out = writeFile(dir, "out.mp4", "old");
    Timeline t;
    int id = t.add(source);
    // Told to replace, the complete output replaces the file; otherwise the file stays and the
    // output takes the next free name, which the last event names.
    for (int replace : {1, 0}) {
        SCOPED_TRACE(replace);
        RunRecorder recorder(id);
        std::string named;
        recorder.onEvent = [&](const tagVeldesEvent& e) {
            if (e.outputPath)
                named = e.outputPath;
        };
        tagVeldesExportInfo info = exportInfo({}, out);
        info.replaceExisting = replace;
        if (!replace)
            writeFile(dir, "out.mp4", "old");
        ASSERT_GE(t.runAndWait({id}, info, &recorder), 0);
        ASSERT_TRUE(recorder.succeeded());
        EXPECT_EQ(named == out, replace == 1) << named;
        EXPECT_TRUE(testmedia::probe(named).ok);
        EXPECT_EQ(testmedia::fileSize(out) > 1000, replace == 1);
    }
    EXPECT_EQ(folderEntries(dir.path()).size(), 2u);
}

TEST(EngineMedia, AnOutputNameAtTheLengthLimitStillConverts) {
    std::string source = smallSource();
    ScratchDir dir;
    Timeline t;
    int id = t.add(source);
    std::string out = dir.file(std::string(251, 'n') + ".mp4"); // 255 bytes
    RunRecorder recorder(id);
    ASSERT_GE(t.runAndWait({id}, exportInfo({}, out), &recorder), 0);
    EXPECT_TRUE(recorder.succeeded());
    EXPECT_TRUE(testmedia::probe(out).ok);
    EXPECT_EQ(folderEntries(dir.path()).size(), 1u);
}

TEST(EngineMedia, DiskFullFailsWithoutAPartialFile) {
    std::string source = smallSource();
    ScratchDir dir;
    Timeline t;
    int id = t.add(source);
    ASSERT_GE(id, 0);
    // A file size limit makes writes fail the way a full disk does.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 20000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    OutputSpec spec;
    spec.videoBitrate = 2000000;
    RunRecorder recorder(id);
    int runId = t.runAndWait({id}, exportInfo(spec, dir.file("out.mp4")), &recorder);
    setrlimit(RLIMIT_FSIZE, &old);
    ASSERT_GE(runId, 0);
    ASSERT_TRUE(recorder.ended());
    EXPECT_FALSE(recorder.succeeded());
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}
