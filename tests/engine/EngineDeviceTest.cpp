// Capture sources through the engine: a screen region of an X server the test starts (Xvfb),
// painted with a changing colour while it is recorded.
#include "DeviceInput.h"
#include "EngineHarness.h"
#include "MediaProbe.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using enginetest::RunRecorder;
using enginetest::Timeline;

// An X server on a free display number, painted red, green and blue in turn every 100 ms.
class PaintedScreen {
public:
    PaintedScreen() {
        for (int n = 90; n < 140 && !m_pid; ++n) {
            std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            struct stat st;
            if (stat(lock.c_str(), &st) == 0)
                continue;
            m_display = ":" + std::to_string(n);
            m_pid = fork();
            if (m_pid == 0) {
                execlp("Xvfb", "Xvfb", m_display.c_str(), "-screen", "0", "640x480x24",
                       "-nolisten", "tcp", nullptr);
                _exit(127);
            }
        }
        for (int i = 0; i < 100 && !m_connection; ++i) {
            std::this_thread::sleep_for(50ms);
            xcb_connection_t* c = xcb_connect(m_display.c_str(), nullptr);
            if (xcb_connection_has_error(c))
                xcb_disconnect(c);
            else
                m_connection = c;
        }
        if (m_connection)
            m_painter = std::thread([this] { paint(); });
    }
    ~PaintedScreen() {
        m_stop = true;
        if (m_painter.joinable())
            m_painter.join();
        if (m_connection)
            xcb_disconnect(m_connection);
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool ok() const { return m_connection != nullptr; }
    const std::string& display() const { return m_display; }

private:
    void paint() {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 640, 480,
                          0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(m_connection, window);
        xcb_gcontext_t gc = xcb_generate_id(m_connection);
        xcb_create_gc(m_connection, gc, window, 0, nullptr);
        const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF};
        for (int i = 0; !m_stop; ++i) {
            uint32_t colour = colours[i % 3];
            xcb_change_gc(m_connection, gc, XCB_GC_FOREGROUND, &colour);
            xcb_rectangle_t all{0, 0, 640, 480};
            xcb_poly_fill_rectangle(m_connection, window, gc, 1, &all);
            xcb_flush(m_connection);
            std::this_thread::sleep_for(100ms);
        }
    }

    std::string m_display;
    pid_t m_pid = 0;
    xcb_connection_t* m_connection = nullptr;
    std::atomic<bool> m_stop{false};
    std::thread m_painter;
};

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
    PaintedScreen screen;
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
    int w = 0, h = 0;
    std::set<int> dominant;
    for (double at : {0.1, 0.5, 0.9, 1.3, 1.7}) {
        std::vector<uint8_t> rgb = testmedia::grabFrame(dir.file("screen.mp4"), at, "rgb24", &w, &h);
        ASSERT_FALSE(rgb.empty());
        double r = testmedia::meanOf(rgb, w, 3, 0, 0, 0, w, h);
        double g = testmedia::meanOf(rgb, w, 3, 1, 0, 0, w, h);
        double b = testmedia::meanOf(rgb, w, 3, 2, 0, 0, w, h);
        dominant.insert(r > g && r > b ? 0 : g > b ? 1 : 2);
    }
    EXPECT_GE(dominant.size(), 2u) << "the pictures follow the screen";
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
