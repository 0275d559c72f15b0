// Clips, and controlling runs: suspend, resume, skip, runs started from inside the callback.
#include "EngineHarness.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include <unistd.h>

using namespace enginetest;
using Clock = std::chrono::steady_clock;

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kSlowdown = 5;
#else
constexpr int kSlowdown = 1;
#endif

// 25 fps, 5 s; the luma of frame N is 2N, keyframes every 2 s: clip edges fall between them.
std::string countingSource(const std::string& container = "mp4") {
    testmedia::SourceSpec spec;
    spec.container = container;
    spec.width = 64;
    spec.height = 48;
    spec.videoFilter = "color=c=black:s=64x48:r=25,format=yuv420p,geq=lum='2*N':cb=128:cr=128";
    spec.seconds = 5.0;
    spec.sampleRate = 48000;
    spec.gop = 50;
    spec.extraOutputArgs = {"-qp", "0"};
    return testmedia::generate(spec);
}

std::string longSource() {
    return sourcePath(640, 360, "25", 8.0, 44100);
}

bool folderEmpty(const std::string& folder) {
    return std::filesystem::is_empty(folder);
}

double elapsedMs(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// ffmpeg's gray is full range: the source's limited-range luma value y reads as this.
double grayOf(double y) {
    return (y - 16.0) * 255.0 / 219.0;
}

double lumaAt(const std::string& path, double seconds) {
    int w = 0, h = 0;
    std::vector<uint8_t> gray = testmedia::grabFrame(path, seconds, "gray", &w, &h);
    return gray.empty() ? -1.0 : testmedia::meanOf(gray, w, 1, 0, 4, 4, w - 4, h - 4);
}

} // namespace

TEST(EngineClip, BeginAndEndBetweenKeyframesAreExact) {
    std::string source = countingSource();
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir dir;
    Timeline t;
    int id = t.add(source);
    ASSERT_GE(id, 0);
    EXPECT_EQ(VeldesSetMediaBeginPos(t.handle(), id, 1300), 0);
    EXPECT_EQ(VeldesSetMediaStopPos(t.handle(), id, 3700), 0);
    OutputSpec spec;
    spec.width = 64;
    spec.height = 48;
    spec.videoBitrate = 1000000;
    std::string out = dir.file("clip.mp4");
    RunRecorder recorder(id);
    ASSERT_GE(t.runAndWait({id}, exportInfo(spec, out), &recorder), 0);
    ASSERT_TRUE(recorder.succeeded());

    testmedia::FileProbe p = testmedia::probe(out, true);
    ASSERT_TRUE(p.ok);
    EXPECT_NEAR(p.duration, 2.4, 0.05);
    EXPECT_EQ(p.first("video")->frames, 60);
    EXPECT_NEAR(testmedia::streamEndTime(out, "a"), 2.4, 0.04);
    // The picture showing at 1.30 s is frame 32 (1.28 s): luma 64; then 33, 34...
    EXPECT_NEAR(lumaAt(out, 0.0), grayOf(64), 2.0);
    EXPECT_NEAR(lumaAt(out, 0.04), grayOf(66), 2.0);
    // The last picture is frame 91 (3.64 s), the one showing just before 3.70 s.
    EXPECT_NEAR(lumaAt(out, 2.355), grayOf(182), 2.0);
}

TEST(EngineClip, PositionsCountFromTheStartOfTheMedia) {
    // MPEG-TS files start at a timestamp well above zero.
    std::string source = countingSource("mpegts");
    ASSERT_FALSE(source.empty());
    ASSERT_GT(testmedia::probe(source).startTime, 0.5);
    testmedia::ScratchDir dir;
    Timeline t;
    int id = t.add(source);
    ASSERT_GE(id, 0);
    VeldesSetMediaBeginPos(t.handle(), id, 1000);
    VeldesSetMediaStopPos(t.handle(), id, 2000);
    OutputSpec spec;
    spec.width = 64;
    spec.height = 48;
    spec.videoBitrate = 1000000;
    std::string out = dir.file("clip.mp4");
    RunRecorder recorder(id);
    ASSERT_GE(t.runAndWait({id}, exportInfo(spec, out), &recorder), 0);
    ASSERT_TRUE(recorder.succeeded());
    EXPECT_NEAR(testmedia::probe(out).duration, 1.0, 0.05);
    // The pictures start 21 ms after the file (the audio's priming), so the one showing at
    // 1.000 s is frame 24 (0.981 s), not 25.
    testmedia::FileProbe in = testmedia::probe(source);
    ASSERT_NEAR(in.first("video")->startTime - in.startTime, 0.021, 0.002);
    EXPECT_NEAR(lumaAt(out, 0.0), grayOf(48), 2.0);
    EXPECT_NEAR(lumaAt(out, 0.04), grayOf(50), 2.0);
}

TEST(EngineClip, StopBeforeBeginOrBeyondTheEndMeansToTheEnd) {
    std::string source = countingSource();
    testmedia::ScratchDir dir;
    Timeline t;
    int id = t.add(source);
    ASSERT_GE(id, 0);
    OutputSpec spec;
    spec.width = 64;
    spec.height = 48;
    const std::pair<int64_t, int64_t> clips[] = {{4000, 1000}, {4000, 60000}, {4000, -1}};
    for (auto [begin, stop] : clips) {
        VeldesSetMediaBeginPos(t.handle(), id, begin);
        VeldesSetMediaStopPos(t.handle(), id, stop);
        std::string out = dir.file("tail" + std::to_string(stop) + ".mp4");
        RunRecorder recorder(id);
        ASSERT_GE(t.runAndWait({id}, exportInfo(spec, out), &recorder), 0);
        ASSERT_TRUE(recorder.succeeded());
        EXPECT_NEAR(testmedia::probe(out).duration, 1.0, 0.05) << stop;
    }
    // A clip that begins after the source ends cannot be converted.
    VeldesSetMediaBeginPos(t.handle(), id, 9000);
    RunRecorder recorder(id);
    ASSERT_GE(t.runAndWait({id}, exportInfo(spec, dir.file("none.mp4")), &recorder), 0);
    EXPECT_FALSE(recorder.succeeded());
    EXPECT_FALSE(testmedia::fileExists(dir.file("none.mp4")));
}

TEST(EngineRunControl, SkipStopsQuicklyWithoutBlockingAndLeavesNoFile) {
    std::string source = longSource();
    ASSERT_FALSE(source.empty());
    testmedia::ScratchDir dir;
    Timeline t;
    int id = t.add(source);
    RunRecorder recorder(id);
    std::atomic<bool> moving{false};
    recorder.onEvent = [&](const tagVeldesEvent& e) {
        if (e.progress > 0)
            moving = true;
    };
    tagVeldesExportInfo info = exportInfo({}, dir.file("out.mp4"));
    recorder.attach(&info);
    int runId = VeldesRun(t.handle(), &id, 1, &info);
    ASSERT_GE(runId, 0);
    while (!moving && !recorder.ended())
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_FALSE(recorder.ended()) << "the source converts too fast to be skipped";

    Clock::time_point skipped = Clock::now();
    EXPECT_EQ(VeldesSkip(t.handle(), runId, 0), 0);
    EXPECT_LT(elapsedMs(skipped), 20.0 * kSlowdown) << "skip only signals";
    while (!folderEmpty(dir.path()) && elapsedMs(skipped) < 2000)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_LT(elapsedMs(skipped), 200.0 * kSlowdown);
    EXPECT_TRUE(folderEmpty(dir.path()));
    size_t eventsAfterSkip = recorder.events().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(recorder.events().size(), eventsAfterSkip) << "a skipped run sends nothing more";
    EXPECT_FALSE(recorder.ended());
    // Calls on the ended run are harmless.
    VeldesSkip(t.handle(), runId, 1);
    VeldesSuspend(t.handle(), runId);
    VeldesResume(t.handle(), runId);
}

TEST(EngineRunControl, SuspendHoldsTheRunAndResumeFinishesIt) {
    std::string source = longSource();
    testmedia::ScratchDir dir;
    Timeline t;
    int id = t.add(source);
    RunRecorder recorder(id);
    std::atomic<bool> moving{false};
    recorder.onEvent = [&](const tagVeldesEvent& e) {
        if (e.progress > 0)
            moving = true;
    };
    std::string out = dir.file("out.mp4");
    tagVeldesExportInfo info = exportInfo({}, out);
    recorder.attach(&info);
    int runId = VeldesRun(t.handle(), &id, 1, &info);
    ASSERT_GE(runId, 0);
    while (!moving && !recorder.ended())
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(VeldesSuspend(t.handle(), runId), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100 * kSlowdown)); // a frame in flight
    size_t held = recorder.events().size();
    // Meanwhile only a temporary file exists, named so a leftover is recognisable.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].rfind("out.mp4.movara-partial-" + std::to_string(getpid()) + "-", 0), 0u)
        << names[0];
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(recorder.events().size(), held);
    EXPECT_FALSE(recorder.ended());
    ASSERT_EQ(VeldesResume(t.handle(), runId), 0);
    ASSERT_TRUE(recorder.wait());
    EXPECT_TRUE(recorder.succeeded());
    EXPECT_NEAR(testmedia::probe(out).duration, 8.0, 0.1);
}

TEST(EngineRunControl, CallbackStartsTheNextRunAndFinishedIdsAreHarmless) {
    std::string source = sourcePath(160, 120, "25", 1.0, 44100);
    testmedia::ScratchDir dir;
    Timeline t;
    int first = t.add(source);
    int second = t.add(source);
    RunRecorder secondRecorder(second);
    tagVeldesExportInfo secondInfo = exportInfo({}, dir.file("second.mp4"));
    secondRecorder.attach(&secondInfo);
    std::atomic<int> secondRun{-100};
    std::atomic<int> firstRun{-100};

    RunRecorder firstRecorder(first);
    firstRecorder.onEvent = [&](const tagVeldesEvent& e) {
        if (e.progress == 10000 && e.status >= 0) {
            // As the conversion object does: the next item starts inside the last callback,
            // and stale run ids may be touched there too.
            VeldesSuspend(t.handle(), firstRun);
            VeldesResume(t.handle(), firstRun);
            secondRun = VeldesRun(t.handle(), &second, 1, &secondInfo);
        }
    };
    tagVeldesExportInfo firstInfo = exportInfo({}, dir.file("first.mp4"));
    firstRecorder.attach(&firstInfo);
    firstRun = VeldesRun(t.handle(), &first, 1, &firstInfo);
    ASSERT_GE(firstRun, 0);
    ASSERT_TRUE(firstRecorder.wait());
    EXPECT_TRUE(firstRecorder.succeeded());
    ASSERT_GE(secondRun, 0);
    EXPECT_NE(secondRun, firstRun);
    ASSERT_TRUE(secondRecorder.wait());
    EXPECT_TRUE(secondRecorder.succeeded());
    EXPECT_TRUE(testmedia::probe(dir.file("second.mp4")).ok);
    EXPECT_LE(VeldesSkip(t.handle(), firstRun, 0), 0);
}

TEST(EngineRunControl, DestroyingTheTimelineNeverWaitsForABlockedCallback) {
    std::string source = longSource();
    testmedia::ScratchDir dir;
    VeldesTimeline handle = CreateTimeline(1);
    tagVeldesTrackInfo track{};
    track.option = 1;
    track.path = source.c_str();
    int id = VeldesAddMedia2(handle, &track, nullptr, 0);
    ASSERT_GE(id, 0);

    // The receiver blocks inside the callback, as a window that does not answer would.
    std::mutex gate;
    std::unique_lock<std::mutex> closed(gate);
    std::atomic<bool> inside{false};
    std::atomic<int> calls{0};
    RunRecorder recorder(id);
    recorder.onEvent = [&](const tagVeldesEvent& e) {
        ++calls;
        if (e.progress > 0 && !inside.exchange(true))
            std::lock_guard<std::mutex> wait(gate);
    };
    tagVeldesExportInfo info = exportInfo({}, dir.file("out.mp4"));
    recorder.attach(&info);
    int runId = VeldesRun(handle, &id, 1, &info);
    ASSERT_GE(runId, 0);
    while (!inside)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));

    Clock::time_point start = Clock::now();
    EXPECT_EQ(VeldesSkip(handle, runId, 1), 0);
    EXPECT_EQ(VeldesRemoveMedia(handle, id), 0);
    EXPECT_EQ(DestroyTimeline(handle), 0);
    EXPECT_LT(elapsedMs(start), 50.0 * kSlowdown);

    closed.unlock(); // the receiver answers; the run ends on its own, silently
    // The blocked event is recorded once its callback returned; nothing comes after it.
    for (int i = 0; i < 200 && recorder.events().size() < size_t(calls.load()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5 * kSlowdown));
    int callsAfterUnblock = calls;
    EXPECT_EQ(recorder.events().size(), size_t(callsAfterUnblock));
    for (int i = 0; i < 100 && !folderEmpty(dir.path()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10 * kSlowdown));
    EXPECT_TRUE(folderEmpty(dir.path()));
    EXPECT_EQ(calls, callsAfterUnblock);
}

// The run's stages wait on each other through short queues; a stop reaches every one of them,
// whether the run is moving, suspended with full queues, or its timeline goes away.
TEST(EngineRunControl, StopsFromEveryWaitingStage) {
    const std::string source = longSource();
    enum class Stop { Skip, SkipSuspended, DestroySuspended };
    for (Stop how : {Stop::Skip, Stop::SkipSuspended, Stop::DestroySuspended}) {
        testmedia::ScratchDir dir;
        auto t = std::make_unique<Timeline>();
        int id = t->add(source);
        RunRecorder recorder(id);
        std::atomic<bool> moving{false};
        recorder.onEvent = [&](const tagVeldesEvent& e) { moving = moving || e.progress > 0; };
        tagVeldesExportInfo info = exportInfo({}, dir.file("out.mp4"));
        recorder.attach(&info);
        int runId = VeldesRun(t->handle(), &id, 1, &info);
        ASSERT_GE(runId, 0);
        while (!moving && !recorder.ended())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (how != Stop::Skip) {
            VeldesSuspend(t->handle(), runId);
            std::this_thread::sleep_for(std::chrono::milliseconds(200)); // queues fill up
        }
        Clock::time_point stopped = Clock::now();
        if (how == Stop::DestroySuspended)
            t.reset();
        else
            VeldesSkip(t->handle(), runId, 0);
        EXPECT_LT(elapsedMs(stopped), 200.0 * kSlowdown) << int(how);
        while (!folderEmpty(dir.path()) && elapsedMs(stopped) < 2000)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_LT(elapsedMs(stopped), 200.0 * kSlowdown) << int(how);
        EXPECT_TRUE(folderEmpty(dir.path())) << int(how);
        EXPECT_FALSE(recorder.ended()) << int(how);
    }
}

// Sound that ends long before the pictures is followed by silence to the clip's end, and a
// merge whose next source vanished after it was added fails with the last source's id.
TEST(EngineRunControl, ShortSoundIsPaddedAndAVanishedSourceFailsTheMerge) {
    testmedia::ScratchDir dir;
    const std::string shortSound = testmedia::generateWith(
        {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=25:d=3", "-f", "lavfi", "-i",
         "sine=f=440:d=0.5", "-c:v", "libx264", "-c:a", "aac", "{out}"},
        "mp4");
    ASSERT_FALSE(shortSound.empty());
    Timeline t;
    int id = t.add(shortSound);
    RunRecorder recorder(id);
    const std::string out = dir.file("padded.mp4");
    ASSERT_GE(t.runAndWait({id}, exportInfo({}, out), &recorder), 0);
    ASSERT_TRUE(recorder.succeeded());
    EXPECT_NEAR(testmedia::streamEndTime(out, "a"), testmedia::streamEndTime(out, "v"), 0.05);
    EXPECT_NEAR(testmedia::streamEndTime(out, "v"), 3.0, 0.1);

    const std::string doomed = dir.file("doomed.mp4");
    std::filesystem::copy_file(shortSound, doomed);
    std::vector<int> ids = {t.add(shortSound), t.add(doomed), t.add(shortSound)};
    std::filesystem::remove(doomed);
    RunRecorder merged(ids.back());
    ASSERT_GE(t.runAndWait(ids, exportInfo({}, dir.file("merged.mp4")), &merged), 0);
    EXPECT_FALSE(merged.succeeded());
    EXPECT_EQ(merged.events().back().mediaId, ids.back());
    EXPECT_FALSE(testmedia::fileExists(dir.file("merged.mp4")));
}
