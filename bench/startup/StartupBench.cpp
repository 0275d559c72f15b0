// Start-up time of the program: from starting the process to the main window's first paint.
// The benchmark starts itself as the program (the same application object, main window, real
// codec engine and desktop services as `movara`) once to warm the caches and then five times,
// and prints the median in milliseconds. The child reports "shown" on its standard output when
// the main window first paints, then closes the window the normal way.
#include "CMovaraApp.h"
#include "CMovaraDlg.h"

#include "BenchServices.h"
#include "QtPlatformServices.h"

#include <QApplication>
#include <QEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kRuns = 5;
constexpr int kChildTimeoutMs = 30000;

// Reports the main window's first paint.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(CMovaraDlg& window) : m_window(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_window && event->type() == QEvent::Paint && !m_reported) {
            m_reported = true;
            const char line[] = "shown\n";
            [[maybe_unused]] ssize_t written = ::write(STDOUT_FILENO, line, sizeof line - 1);
            QTimer::singleShot(0, &m_window, [this] { m_window.reject(); });
        }
        return false;
    }

private:
    CMovaraDlg& m_window;
    bool m_reported = false;
};

int runChild(int argc, char* argv[], const std::string& scratch) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Movara"));
    BenchServices services(scratch);
    ScopedPlatformServices installed(services);
    CMovaraApp movara;
    std::unique_ptr<FirstPaint> watcher;
    movara.SetWindowHook([&watcher](CMovaraDlg& window) {
        watcher = std::make_unique<FirstPaint>(window);
        window.installEventFilter(watcher.get());
    });
    return movara.Run() >= 0 ? 0 : 1;
}

// Milliseconds from spawning the child to its "shown" line; negative on failure.
double timeOneStart(const char* self, const std::string& scratch) {
    int out[2];
    if (::pipe(out) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string childFlag = "--child";
    std::vector<char*> args{const_cast<char*>(self), childFlag.data(),
                            const_cast<char*>(scratch.c_str()), nullptr};
    pid_t child = 0;
    const auto start = std::chrono::steady_clock::now();
    const int spawned = posix_spawn(&child, self, &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        return -1;
    }
    double ms = -1;
    std::string got;
    pollfd wait{out[0], POLLIN, 0};
    while (::poll(&wait, 1, kChildTimeoutMs) > 0) {
        char buffer[64];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        got.append(buffer, static_cast<size_t>(n));
        if (got.find("shown") != std::string::npos) {
            ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count();
            break;
        }
    }
    ::close(out[0]);
    if (ms < 0)
        ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return ms;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, argv[2]);

    QTemporaryDir scratch;
    QTemporaryDir runtime;
    if (!scratch.isValid() || !runtime.isValid())
        return 1;
    // A Movara the person is running keeps its own lock; the benchmark's instances use theirs.
    ::setenv("XDG_RUNTIME_DIR", runtime.path().toUtf8().constData(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string folder = scratch.path().toStdString();

    if (timeOneStart(argv[0], folder) < 0) {
        std::fprintf(stderr, "startup: the program did not show its main window\n");
        return 1;
    }
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const double ms = timeOneStart(argv[0], folder);
        if (ms < 0) {
            std::fprintf(stderr, "startup: run %d failed\n", i + 1);
            return 1;
        }
        times.push_back(ms);
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    std::printf("startup: process start to main window shown, median of %d: %.1f ms (runs:", kRuns,
                sorted[kRuns / 2]);
    for (double ms : times)
        std::printf(" %.1f", ms);
    std::printf(")\n");
    return 0;
}
