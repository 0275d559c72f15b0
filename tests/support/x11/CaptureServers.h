// Servers that capture tests record from, started by the test and stopped with it: an X server
// (Xvfb) with a moving picture, and a PulseAudio server with a null sink.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct xcb_connection_t;

namespace capturetest {

// Starts a program (found on PATH) in the background; stop() ends it.
pid_t spawn(const std::vector<std::string>& argv);
void stop(pid_t pid);

// A 640 x 480 X server on a display number of its own choosing: the left half red, the right half blue, and a
// white bar 40 pixels wide sweeping across, moved every 20 ms.
class MovingScreen {
public:
    MovingScreen();
    ~MovingScreen();
    MovingScreen(const MovingScreen&) = delete;
    MovingScreen& operator=(const MovingScreen&) = delete;

    bool ok() const { return m_connection != nullptr; }
    const std::string& display() const { return m_display; } // ":N"

private:
    void paint();

    std::string m_display;
    pid_t m_pid = 0;
    xcb_connection_t* m_connection = nullptr;
    std::atomic<bool> m_stop{false};
    std::thread m_painter;
};

// A private PulseAudio server with the null sink kSinkName, its runtime files under `folder`.
// Sets PULSE_SERVER (and the runtime variables) in this process, so programs it starts use it;
// they are restored when it stops.
// The sink's monitor source is listed as kMonitorName.
class SoundServer {
public:
    static constexpr const char* kSinkName = "movara_test";
    static constexpr const char* kMonitorName = "Monitor of Null Output";

    explicit SoundServer(const std::string& folder);
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    bool ok() const { return m_ok; }

private:
    static constexpr const char* kVariables[] = {"XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH", "HOME",
                                                 "PULSE_SERVER"};
    std::string m_socket;
    pid_t m_pid = 0;
    bool m_ok = false;
    std::vector<std::pair<std::string, std::string>> m_saved;
};

} // namespace capturetest
