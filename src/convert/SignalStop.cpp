#include "SignalStop.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
// Read by other threads (the estimate's stopper) as well as the one the signal interrupted: an
// atomic, which is lock-free and so safe in a handler, where a volatile flag is a data race.
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void onSignal(int sig) {
    // The interrupted code may be about to read errno, which the write can change.
    const int saved = errno;
    g_signal.store(sig);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

namespace SignalStop {

void install() {
    for (int fd = 0; fd <= 2; ++fd)
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF)
            ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY); // takes the lowest free number
    std::signal(SIGPIPE, SIG_IGN);
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaction(sig, &action, nullptr);
}

int signalled() {
    return g_signal.load();
}

int readFd() {
    return g_pipe[0];
}

void drain() {
    char drained[16];
    while (::read(g_pipe[0], drained, sizeof drained) > 0) {
    }
}

} // namespace SignalStop
