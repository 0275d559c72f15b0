// The size estimate against real outputs, and its arithmetic on the clip.
#include "EngineHarness.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ProfileDerivation.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

using namespace enginetest;

namespace {

std::vector<tagVeldesStreamInfo> streamsOf(const Timeline& t, int id) {
    tagVeldesStreamInfo* array = nullptr;
    int count = VeldesGetMediaInfo(t.handle(), id, &array);
    return count > 0 ? std::vector<tagVeldesStreamInfo>(array, array + count)
                     : std::vector<tagVeldesStreamInfo>();
}

// Both figures against the real outputs: the instant one within `instantTolerance`, the
// measured one within 10 %.
void estimateAgainstRealOutputs(const std::string& source, const std::vector<size_t>& profiles,
                                double instantTolerance) {
    ASSERT_FALSE(source.empty());
    SCOPED_TRACE(source);
    testmedia::ScratchDir dir;
    Timeline t;
    int id = t.add(source);
    ASSERT_GE(id, 0);
    std::vector<tagVeldesStreamInfo> streams = streamsOf(t, id);
    for (size_t index : profiles) {
        const TestProfile& profile = builtInProfiles()[index];
        SCOPED_TRACE(profile.name);
        tagVeldesExportSetting setting = deriveExportSetting(profile, streams);
        ASSERT_EQ(VeldesSetExportSetting(t.handle(), id, &setting), 0);
        int64_t instant = 0, measured = 0;
        ASSERT_EQ(VeldesGetMediaEncodedSize(t.handle(), id, &instant), 1);
        ASSERT_EQ(measuredSize(t.handle(), id, &measured), 2);
        std::string out = dir.file("out" + std::to_string(index));
        RunRecorder recorder(id);
        ASSERT_GE(t.runAndWait({id}, deriveExportInfo(profile, streams, out), &recorder), 0);
        ASSERT_TRUE(recorder.succeeded());
        double real = double(testmedia::fileSize(out));
        EXPECT_NEAR(double(instant) / real, 1.0, instantTolerance) << instant << " vs " << real;
        EXPECT_NEAR(double(measured) / real, 1.0, 0.10) << measured << " vs " << real;
    }
}

} // namespace

TEST(EngineEstimate, ComesCloseToRealOutputsOnDetailedStillNoisyAndLongContent) {
    // A detailed moving picture with H.264 mp4, Xvid + AMR 3gp, H.263 + AMR 3gp, M4A, MP3 and
    // WAV; a still picture (the encoders stay far below their targets) and noise (they cannot
    // get down to them) with H.264 and Xvid mp4, where the instant figure may be 30 % off; and a
    // clip long enough to be measured from samples, with H.263 (whose rate control works an
    // early excess off slowly) and H.264.
    testmedia::SourceSpec still, noise;
    still.width = noise.width = 320;
    still.height = noise.height = 240;
    still.seconds = noise.seconds = 4.0;
    still.sampleRate = noise.sampleRate = 44100;
    still.videoFilter = "smptebars=s=320x240:r=25";
    noise.videoFilter = "nullsrc=s=320x240:r=25,geq=random(1)*255:128:128";
    const struct {
        std::string source;
        std::vector<size_t> profiles;
        double instantTolerance;
    } cases[] = {
        {sourcePath(480, 272, "25", 6.0, 48000), {1, 8, 14, 4, 6, 7}, 0.15},
        {testmedia::generate(still), {0, 1}, 0.30},
        {testmedia::generate(noise), {0, 1}, 0.30},
        {sourcePath(320, 240, "25", 30.0, 44100), {14, 1}, 0.40},
    };
    for (const auto& c : cases)
        estimateAgainstRealOutputs(c.source, c.profiles, c.instantTolerance);
}

TEST(EngineEstimate, FollowsTheClipAndRefusesWhatItCannotKnow) {
    std::string source = sourcePath(320, 240, "25", 4.0, 44100);
    Timeline t;
    int id = t.add(source);
    ASSERT_GE(id, 0);
    int64_t bytes = -5;
    EXPECT_LT(VeldesGetMediaEncodedSize(t.handle(), id, &bytes), 0) << "no export setting yet";
    EXPECT_EQ(bytes, -5);
    const TestProfile& h264 = builtInProfiles()[1];
    tagVeldesExportSetting setting = deriveExportSetting(h264, streamsOf(t, id));
    ASSERT_EQ(VeldesSetExportSetting(t.handle(), id, &setting), 0);
    int64_t whole = 0, half = 0, stopped = 0;
    ASSERT_GT(VeldesGetMediaEncodedSize(t.handle(), id, &whole), 0);
    VeldesSetMediaBeginPos(t.handle(), id, 2000);
    ASSERT_GT(VeldesGetMediaEncodedSize(t.handle(), id, &half), 0);
    VeldesSetMediaBeginPos(t.handle(), id, 0);
    VeldesSetMediaStopPos(t.handle(), id, 1000);
    ASSERT_GT(VeldesGetMediaEncodedSize(t.handle(), id, &stopped), 0);
    EXPECT_NEAR(double(half) / double(whole), 0.5, 0.05);
    EXPECT_NEAR(double(stopped) / double(whole), 0.25, 0.05);

    // A measured figure holds only for the clip it was measured for.
    ASSERT_EQ(measuredSize(t.handle(), id, &bytes), 2);
    EXPECT_NEAR(double(bytes) / double(stopped), 1.0, 0.3);
    EXPECT_EQ(VeldesMeasureMediaEncodedSize(t.handle(), id, nullptr, nullptr), 2);
    VeldesSetMediaStopPos(t.handle(), id, 2000);
    EXPECT_EQ(VeldesGetMediaEncodedSize(t.handle(), id, &bytes), 1);

    std::strcpy(setting.format, "dpg");
    ASSERT_EQ(VeldesSetExportSetting(t.handle(), id, &setting), 0);
    EXPECT_LT(VeldesGetMediaEncodedSize(t.handle(), id, &bytes), 0);
    EXPECT_LT(VeldesGetMediaEncodedSize(t.handle(), id + 100, &bytes), 0);
}

TEST(EngineEstimate, MeasuresOnlyWhileNoRunConvertsAndNotForRemovedMedia) {
    std::string source = sourcePath(320, 240, "25", 4.0, 44100);
    testmedia::ScratchDir dir;
    Window events;
    auto record = [](tagVeldesEvent* e, void* user) {
        auto* w = static_cast<Window*>(user);
        std::lock_guard lock(w->mutex);
        w->events.push_back(*e);
        w->changed.notify_all();
        return 0;
    };
    auto count = [&] {
        std::lock_guard lock(events.mutex);
        return events.events.size();
    };
    {
        Timeline t;
        int running = t.add(source), measured = t.add(source), removed = t.add(source);
        const TestProfile& h264 = builtInProfiles()[1];
        std::vector<tagVeldesStreamInfo> streams = streamsOf(t, running);
        tagVeldesExportSetting setting = deriveExportSetting(h264, streams);
        for (int id : {running, measured, removed})
            ASSERT_EQ(VeldesSetExportSetting(t.handle(), id, &setting), 0);
        // A suspended run holds every measurement back; its end lets them go.
        tagVeldesExportInfo info = deriveExportInfo(h264, streams, dir.file("held"));
        RunRecorder recorder(running);
        recorder.attach(&info);
        int run = VeldesRun(t.handle(), &running, 1, &info);
        ASSERT_GE(run, 0);
        VeldesSuspend(t.handle(), run);
        ASSERT_EQ(VeldesMeasureMediaEncodedSize(t.handle(), removed, record, &events), 0);
        ASSERT_EQ(VeldesMeasureMediaEncodedSize(t.handle(), measured, record, &events), 0);
        EXPECT_EQ(VeldesRemoveMedia(t.handle(), removed), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        EXPECT_EQ(count(), 0u) << "measured while a run converts";
        VeldesSkip(t.handle(), run, 1);
        ASSERT_TRUE(
            events.waitFor([&] { return !events.events.empty(); }, std::chrono::seconds(60)));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_EQ(count(), 1u) << "the removed media was measured";
        EXPECT_EQ(events.events[0].kind, VELDES_EVENT_ESTIMATE);
        EXPECT_EQ(events.events[0].mediaId, measured);
        EXPECT_EQ(events.events[0].status, 0);
        int64_t bytes = 0;
        EXPECT_EQ(VeldesGetMediaEncodedSize(t.handle(), measured, &bytes), 2);
        EXPECT_EQ(bytes, events.events[0].position);
        EXPECT_LT(VeldesMeasureMediaEncodedSize(t.handle(), removed, record, &events), 0);
        // Destroyed with a measurement under way: it ends at once and says nothing.
        VeldesSetMediaStopPos(t.handle(), measured, 3000);
        ASSERT_EQ(VeldesMeasureMediaEncodedSize(t.handle(), measured, record, &events), 0);
    }
    EXPECT_EQ(count(), 1u);
}
