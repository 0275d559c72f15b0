// The size estimate against real outputs, and its arithmetic on the clip.
#include "EngineHarness.h"
#include "MediaProbe.h"
#include "ProfileDerivation.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace enginetest;

namespace {

std::vector<tagVeldesStreamInfo> streamsOf(const Timeline& t, int id) {
    tagVeldesStreamInfo* array = nullptr;
    int count = VeldesGetMediaInfo(t.handle(), id, &array);
    return count > 0 ? std::vector<tagVeldesStreamInfo>(array, array + count)
                     : std::vector<tagVeldesStreamInfo>();
}

} // namespace

TEST(EngineEstimate, IsWithinFifteenPercentOfRealOutputs) {
    // H.264 mp4, Xvid + AMR 3gp, H.263 + AMR 3gp, M4A, MP3, WAV.
    const size_t profiles[] = {1, 8, 14, 4, 6, 7};
    std::string source = sourcePath(480, 272, "25", 6.0, 48000);
    ASSERT_FALSE(source.empty());
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
        int64_t estimate = 0;
        ASSERT_GT(VeldesGetMediaEncodedSize(t.handle(), id, &estimate), 0);
        std::string out = dir.file("out" + std::to_string(index));
        RunRecorder recorder(id);
        ASSERT_GE(t.runAndWait({id}, deriveExportInfo(profile, streams, out), &recorder), 0);
        ASSERT_TRUE(recorder.succeeded());
        double real = double(testmedia::fileSize(out));
        EXPECT_NEAR(double(estimate) / real, 1.0, 0.15) << estimate << " vs " << real;
    }
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

    std::strcpy(setting.format, "dpg");
    ASSERT_EQ(VeldesSetExportSetting(t.handle(), id, &setting), 0);
    EXPECT_LT(VeldesGetMediaEncodedSize(t.handle(), id, &bytes), 0);
    EXPECT_LT(VeldesGetMediaEncodedSize(t.handle(), id + 100, &bytes), 0);
}
