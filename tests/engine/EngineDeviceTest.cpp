// Capture sources through the engine: a screen region of an X server the test starts (Xvfb),
// with a moving picture while it is recorded.
#include "CaptureServers.h"
#include "DeviceInput.h"
#include "EngineHarness.h"
#include "MediaProbe.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using enginetest::RunRecorder;
using enginetest::Timeline;

VEL_DEVICE_INFO screenRecord(int left, int top, int right, int bottom) {
    VEL_DEVICE_INFO device;
    device.videoDevice = vel::kScreenRecorder;
    device.audioDevice = vel::kNoAudioInput;
    device.frameRate = 25.0;
    device.timeLimit = 1;
    device.left = int16_t(left);
    device.top = int16_t(top);
    device.right = int16_t(right);
    device.bottom = int16_t(bottom);
    return device;
}

// A screen region records for the clip's length into a file of the region's size and rate,
// whose pictures follow what was on the screen; the probe reports the time limit as duration.
TEST(EngineDevice, RecordsAScreenRegion) {
    capturetest::MovingScreen screen;
    if (!screen.ok())
        GTEST_SKIP() << "Xvfb could not be started";
    setenv("DISPLAY", screen.display().c_str(), 1);
    Timeline timeline;
    VEL_DEVICE_INFO device = screenRecord(10, 20, 330, 260);
    int id = timeline.add(GenDevicePath(&device));
    ASSERT_GE(id, 0);
    tagVeldesStreamInfo* streams = nullptr;
    ASSERT_EQ(VeldesGetMediaInfo(timeline.handle(), id, &streams), 1);
    EXPECT_EQ(streams[0].type, VELDES_STREAM_VIDEO);
    EXPECT_EQ(streams[0].width, 320);
    EXPECT_EQ(streams[0].height, 240);
    int64_t duration = 0;
    VeldesGetMediaDuration(timeline.handle(), id, &duration);
    EXPECT_EQ(duration, 60000);

    VeldesSetMediaStopPos(timeline.handle(), id, 2000);
    testmedia::ScratchDir dir;
    enginetest::OutputSpec spec;
    spec.audioCodec = 0;
    RunRecorder recorder(id);
    enginetest::Window& window = enginetest::previewWindow();
    window.reset();
    tagVeldesExportInfo info = enginetest::exportInfo(spec, dir.file("screen.mp4"));
    info.previewWindow = reinterpret_cast<VeldesWindow>(0x1); // shown while converting
    auto started = std::chrono::steady_clock::now();
    ASSERT_GE(timeline.runAndWait({id}, info, &recorder), 0);
    ASSERT_TRUE(recorder.succeeded());
    EXPECT_GT(std::chrono::steady_clock::now() - started, 1800ms) << "recorded in real time";
    // Progress is the recorded share of the clip.
    int last = -1;
    for (const tagVeldesEvent& e : recorder.events()) {
        EXPECT_GE(e.progress, last);
        last = e.progress;
    }
    {
        std::lock_guard lock(window.mutex);
        EXPECT_GE(window.frames.size(), 10u) << "pictures shown while recording";
        if (!window.frames.empty())
            EXPECT_EQ(window.frames.back().width, 320);
    }
    testmedia::FileProbe probe = testmedia::probe(dir.file("screen.mp4"));
    ASSERT_TRUE(probe.ok) << probe.error;
    const testmedia::StreamProbe* video = probe.first("video");
    ASSERT_TRUE(video);
    EXPECT_EQ(video->width, 320);
    EXPECT_EQ(video->height, 240);
    EXPECT_NEAR(video->frameRate, 25.0, 0.5);
    EXPECT_NEAR(probe.duration, 2.0, 0.2);
    // The screen's white bar sweeps across, in and out of the region: of pictures 0.2 s apart,
    // many differ from the one before.
    int w = 0, h = 0, changes = 0;
    std::vector<uint8_t> before;
    for (double at = 0.1; at < 1.8; at += 0.2) {
        std::vector<uint8_t> picture =
            testmedia::grabFrame(dir.file("screen.mp4"), at, "gray", &w, &h);
        ASSERT_FALSE(picture.empty());
        double moved = 0.0;
        for (size_t p = 0; p < picture.size() && before.size() == picture.size(); ++p)
            moved += std::abs(int(picture[p]) - int(before[p]));
        changes += moved / double(picture.size()) > 2.0;
        before = std::move(picture);
    }
    EXPECT_GE(changes, 3) << "the pictures follow the screen";
}

// Records that name nothing this machine has are refused when the item is added.
TEST(EngineDevice, UnknownDevicesAreRefusedOnAdding) {
    Timeline timeline;
    VEL_DEVICE_INFO camera = screenRecord(0, 0, 640, 480);
    camera.videoDevice = "No Such Camera";
    VEL_DEVICE_INFO sound = screenRecord(0, 0, 640, 480);
    sound.videoDevice = vel::kNoVideoInput;
    sound.audioDevice = "No Such Microphone";
    VEL_DEVICE_INFO nothing = sound;
    nothing.audioDevice = vel::kNoAudioInput;
    for (const VEL_DEVICE_INFO& device : {camera, sound, nothing})
        EXPECT_LT(timeline.add(GenDevicePath(&device)), 0) << GenDevicePath(&device);
}

} // namespace
