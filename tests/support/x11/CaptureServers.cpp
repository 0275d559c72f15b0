#include "CaptureServers.h"

#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>

namespace capturetest {

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

bool waitFor(const std::function<bool()>& ready) {
    for (int i = 0; i < 100; ++i) {
        if (ready())
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

void fill(xcb_connection_t* c, xcb_window_t window, xcb_gcontext_t gc, uint32_t colour,
          xcb_rectangle_t r) {
    xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &colour);
    xcb_poly_fill_rectangle(c, window, gc, 1, &r);
}

} // namespace

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

MovingScreen::MovingScreen() {
    // The server picks a free display itself and reports its number, so tests starting servers
    // at the same moment never share one.
    int report[2];
    if (pipe(report) != 0)
        return;
    m_pid = spawn({"Xvfb", "-displayfd", std::to_string(report[1]), "-screen", "0", "640x480x24",
                   "-nolisten", "tcp"});
    close(report[1]);
    std::string number;
    pollfd readable{report[0], POLLIN, 0};
    char c = 0;
    while (poll(&readable, 1, 5000) > 0 && read(report[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(report[0]);
    if (number.empty()) {
        stop(m_pid);
        m_pid = 0;
        return;
    }
    m_display = ":" + number;
    waitFor([&] {
        xcb_connection_t* connection = xcb_connect(m_display.c_str(), nullptr);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            return false;
        }
        m_connection = connection;
        return true;
    });
    if (m_connection)
        m_painter = std::thread([this] { paint(); });
}

MovingScreen::~MovingScreen() {
    m_stop = true;
    if (m_painter.joinable())
        m_painter.join();
    if (m_connection)
        xcb_disconnect(m_connection);
    stop(m_pid);
}

void MovingScreen::paint() {
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    const xcb_window_t window = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 640, 480, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(m_connection, window);
    const xcb_gcontext_t gc = xcb_generate_id(m_connection);
    xcb_create_gc(m_connection, gc, window, 0, nullptr);
    for (int i = 0; !m_stop; ++i) {
        fill(m_connection, window, gc, 0xFF0000, {0, 0, 320, 480});
        fill(m_connection, window, gc, 0x0000FF, {320, 0, 320, 480});
        fill(m_connection, window, gc, 0xFFFFFF, {int16_t((i * 12) % 640), 0, 40, 480});
        xcb_flush(m_connection);
        std::this_thread::sleep_for(20ms);
    }
}

SoundServer::SoundServer(const std::string& folder) : m_socket(folder + "/native") {
    fs::create_directories(folder + "/runtime");
    for (const char* name : kVariables)
        if (const char* value = std::getenv(name))
            m_saved.emplace_back(name, value);
    setenv("XDG_RUNTIME_DIR", (folder + "/runtime").c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", (folder + "/runtime").c_str(), 1);
    setenv("HOME", folder.c_str(), 1);
    m_pid = spawn({"pulseaudio", "--daemonize=no", "--system=no", "-n", "--exit-idle-time=-1",
                   "--disable-shm=yes", "--log-level=error", "-L",
                   std::string("module-null-sink sink_name=") + kSinkName, "-L",
                   "module-native-protocol-unix auth-anonymous=1 socket=" + m_socket});
    setenv("PULSE_SERVER", ("unix:" + m_socket).c_str(), 1);
    m_ok = waitFor([&] { return fs::exists(m_socket); });
}

SoundServer::~SoundServer() {
    stop(m_pid);
    for (const char* name : kVariables)
        unsetenv(name);
    for (const auto& [name, value] : m_saved)
        setenv(name.c_str(), value.c_str(), 1);
}

} // namespace capturetest
