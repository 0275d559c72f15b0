#include "EstimateStopper.h"

#include "SignalStop.h"

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

EstimateStopper::EstimateStopper() {
    if (::pipe2(quit_, O_CLOEXEC) == 0)
        thread_ = std::thread([this] { run(); });
}

EstimateStopper::~EstimateStopper() {
    if (thread_.joinable()) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(quit_[1], &byte, 1);
        thread_.join();
    }
    for (int fd : quit_)
        if (fd >= 0)
            ::close(fd);
}

void EstimateStopper::run() {
    for (;;) {
        // A signal that came before the watcher started is already recorded.
        if (const int sig = SignalStop::signalled()) {
            std::fprintf(stderr, "movara-convert: interrupted\n");
            if (VeldesTimeline timeline = timeline_.load())
                DestroyTimeline(timeline);
            std::fflush(stdout);
            ::_exit(128 + sig);
        }
        pollfd fds[2] = {{SignalStop::readFd(), POLLIN, 0}, {quit_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return;
        SignalStop::drain();
    }
}
