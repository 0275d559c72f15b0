// Real recordings through movara-convert: an X server (Xvfb) and a sound server (PulseAudio with
// a null sink), both started by the test; a picture moving on the screen and a tone playing into
// the sink while a region and the sink's monitor are recorded. Results read back by ffprobe and
// ffmpeg.
#include "MediaProbe.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

pid_t spawn(const std::vector<std::string>& argv) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

void stop(pid_t pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

bool waitFor(const std::function<bool()>& ready) {
    for (int i = 0; i < 100; ++i) {
        if (ready())
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

// A 640 x 480 X server, left half red, right half blue, with a white bar sweeping across.
class MovingScreen {
public:
    MovingScreen() {
        for (int n = 140; n < 190 && !m_connection; ++n) {
            if (fs::exists("/tmp/.X" + std::to_string(n) + "-lock"))
                continue;
            m_display = ":" + std::to_string(n);
            m_pid = spawn({"Xvfb", m_display, "-screen", "0", "640x480x24", "-nolisten", "tcp"});
            waitFor([&] {
                xcb_connection_t* c = xcb_connect(m_display.c_str(), nullptr);
                if (xcb_connection_has_error(c)) {
                    xcb_disconnect(c);
                    return false;
                }
                m_connection = c;
                return true;
            });
            if (!m_connection) {
                stop(m_pid);
                m_pid = 0;
            }
        }
        if (m_connection)
            m_painter = std::thread([this] { paint(); });
    }
    ~MovingScreen() {
        m_stop = true;
        if (m_painter.joinable())
            m_painter.join();
        if (m_connection)
            xcb_disconnect(m_connection);
        stop(m_pid);
    }
    bool ok() const { return m_connection != nullptr; }
    const std::string& display() const { return m_display; }

private:
    void fill(xcb_window_t window, xcb_gcontext_t gc, uint32_t colour, xcb_rectangle_t r) {
        xcb_change_gc(m_connection, gc, XCB_GC_FOREGROUND, &colour);
        xcb_poly_fill_rectangle(m_connection, window, gc, 1, &r);
    }
    void paint() {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 640, 480,
                          0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(m_connection, window);
        const xcb_gcontext_t gc = xcb_generate_id(m_connection);
        xcb_create_gc(m_connection, gc, window, 0, nullptr);
        for (int i = 0; !m_stop; ++i) {
            fill(window, gc, 0xFF0000, {0, 0, 320, 480});
            fill(window, gc, 0x0000FF, {320, 0, 320, 480});
            fill(window, gc, 0xFFFFFF, {int16_t((i * 12) % 640), 0, 40, 480});
            xcb_flush(m_connection);
            std::this_thread::sleep_for(20ms);
        }
    }

    std::string m_display;
    pid_t m_pid = 0;
    xcb_connection_t* m_connection = nullptr;
    std::atomic<bool> m_stop{false};
    std::thread m_painter;
};

// A private PulseAudio server with one null sink, reachable through PULSE_SERVER.
class SoundServer {
public:
    explicit SoundServer(const std::string& folder) : m_socket(folder + "/native") {
        fs::create_directories(folder + "/runtime");
        setenv("XDG_RUNTIME_DIR", (folder + "/runtime").c_str(), 1);
        setenv("PULSE_RUNTIME_PATH", (folder + "/runtime").c_str(), 1);
        setenv("HOME", folder.c_str(), 1);
        m_pid = spawn({"pulseaudio", "--daemonize=no", "--system=no", "-n",
                       "--exit-idle-time=-1", "--disable-shm=yes", "--log-level=error",
                       "-L", "module-null-sink sink_name=movara_test",
                       "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + m_socket});
        setenv("PULSE_SERVER", ("unix:" + m_socket).c_str(), 1);
        m_ok = waitFor([&] { return fs::exists(m_socket); });
    }
    ~SoundServer() { stop(m_pid); }
    bool ok() const { return m_ok; }

private:
    std::string m_socket;
    pid_t m_pid = 0;
    bool m_ok = false;
};

testmedia::ToolResult convert(std::vector<std::string> args) {
    args.insert(args.begin(), {"timeout", "--signal=KILL", "60", MOVARA_CONVERT_BIN});
    return testmedia::runTool(args);
}

double meanVolumeDb(const std::string& path) {
    const auto result = testmedia::runTool(
        {"ffmpeg", "-hide_banner", "-i", path, "-map", "0:a", "-af", "volumedetect", "-f", "null",
         "-"});
    const size_t at = result.err.find("mean_volume: ");
    return at == std::string::npos ? -1000.0 : std::atof(result.err.c_str() + at + 13);
}

TEST(CaptureRecording, AScreenRegionAndASoundSourceRecordIntoAConvertedFile) {
    testmedia::ScratchDir scratch;
    MovingScreen screen;
    if (!screen.ok())
        GTEST_SKIP() << "Xvfb could not be started";
    SoundServer sound(scratch.path() + "/pulse");
    if (!sound.ok())
        GTEST_SKIP() << "pulseaudio could not be started";
    setenv("DISPLAY", screen.display().c_str(), 1);

    const auto listed = convert({"--list-devices"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find("audio\tMonitor of Null Output\n"), std::string::npos)
        << listed.out;

    // A tone into the sink while it is recorded.
    const pid_t tone = spawn({"ffmpeg", "-hide_banner", "-loglevel", "error", "-re", "-f",
                              "lavfi", "-i", "sine=frequency=440:duration=20", "-f", "pulse",
                              "-device", "movara_test", "tone"});
    const std::string out = scratch.path() + "/out";
    fs::create_directories(out);
    const auto recorded =
        convert({"--profile", "H.264 Video(*.mp4)", "--output", out, "--screen",
                 "321,101,300,200", "--audio-device", "Monitor of Null Output", "--seconds", "3"});
    stop(tone);
    ASSERT_EQ(recorded.exitCode, 0) << recorded.err;
    const std::string file = out + "/Vel Screen Recorder.mp4";
    ASSERT_EQ(recorded.out, file + "\n");

    const testmedia::FileProbe probe = testmedia::probe(file);
    ASSERT_TRUE(probe.ok) << probe.error;
    const testmedia::StreamProbe* video = probe.first("video");
    const testmedia::StreamProbe* audio = probe.first("audio");
    ASSERT_TRUE(video && audio);
    EXPECT_EQ(video->width, 480); // the profile's size
    EXPECT_EQ(video->height, 320);
    EXPECT_NEAR(video->frameRate, 25.0, 0.01);
    EXPECT_NEAR(probe.duration, 3.0, 0.25);
    EXPECT_EQ(audio->sampleRate, 44100);
    EXPECT_GT(meanVolumeDb(file), -40.0) << "the tone was not recorded";

    // Only the right (blue) half was recorded, and the bar moved through it.
    int width = 0, height = 0;
    const auto early = testmedia::grabFrame(file, 0.5, "rgb24", &width, &height);
    const auto late = testmedia::grabFrame(file, 2.0, "rgb24", &width, &height);
    ASSERT_FALSE(early.empty());
    ASSERT_EQ(early.size(), late.size());
    for (const auto* frame : {&early, &late}) {
        EXPECT_LT(testmedia::meanOf(*frame, width, 3, 0, 0, 0, width, height), 140.0);
        EXPECT_GT(testmedia::meanOf(*frame, width, 3, 2, 0, 0, width, height), 200.0);
    }
    double difference = 0;
    for (size_t i = 0; i < early.size(); ++i)
        difference += std::abs(int(early[i]) - int(late[i]));
    EXPECT_GT(difference / double(early.size()), 5.0) << "the pictures do not change";
}

TEST(CaptureRecording, ARegionOffTheDisplayFailsToLoadAndNothingIsWritten) {
    testmedia::ScratchDir scratch;
    MovingScreen screen;
    if (!screen.ok())
        GTEST_SKIP() << "Xvfb could not be started";
    setenv("DISPLAY", screen.display().c_str(), 1);
    const auto result = convert({"--profile", "H.264 Video(*.mp4)", "--output", scratch.path(),
                                 "--screen", "600,400,300,200", "--seconds", "2"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Failed to load device : \nvel-capture:"), std::string::npos)
        << result.err;
    EXPECT_TRUE(fs::is_empty(scratch.path()));
}

} // namespace
