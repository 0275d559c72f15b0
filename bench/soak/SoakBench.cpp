// Long runs stay flat. Three parts, each on generated media (a 0.4 s 160 x 120 clip with sound,
// hard-linked under many names):
//  1. `movara-convert` converts 501 items in one run; its peak resident memory (VmHWM) after item
//     50 and after item 500, and its descriptors (/proc/PID/fd) and threads (/proc/PID/task),
//     the fewest seen around item 50 against the fewest around item 500.
//  2. The main window (the program's own application object, window, session file and real
//     codec engine, on an X server the benchmark starts) converts 500 items: peak memory after
//     item 50 and 500; descriptors and threads of this process before the run and after it.
//  3. The same window with a list of 10,000 items: added by a folder scan, scrolled through page
//     by page, unchecked and checked, 100 removed one by one and the rest cleared. The worst
//     stall of the user-interface thread, as the largest gap between the ticks of a 5 ms timer.
// Prints `name value unit` lines: per part, then `rss-growth` (a fraction), `fd-leak` and
// `thread-leak` (counts) as the worst of parts 1 and 2, and `ui-stall-worst` (ms). Targets:
// growth within 0.10, no leak, no stall over 100 ms; the exit code is 2 when one is missed.
//
// Usage: soak [ITEMS [LIST]] (500 and 10000 unless given)
#include "BenchServices.h"
#include "CFileListWnd.h"
#include "CMovaraApp.h"
#include "CMovaraDlg.h"
#include "CVelEdit.h"
#include "CommandIds.h"
#include "MediaGenerators.h"
#include "QtPlatformServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

int g_items = 500;
int g_list = 10000;

struct Figures {
    long hwmAt50 = 0, hwmAtEnd = 0; // KiB
    int fdBefore = 0, fdAfter = 0;
    int threadsBefore = 0, threadsAfter = 0;
    double rssGrowth() const { return hwmAt50 > 0 ? double(hwmAtEnd - hwmAt50) / hwmAt50 : 1.0; }
};

long statusKib(const std::string& pid, const char* field) {
    std::ifstream in("/proc/" + pid + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field) + 1);
    return 0;
}

int entries(const std::string& folder) {
    std::error_code ec;
    int count = 0;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        ++count;
    return count;
}

int fdCount(const std::string& pid) {
    return entries("/proc/" + pid + "/fd");
}
int threadCount(const std::string& pid) {
    return entries("/proc/" + pid + "/task");
}

// `count` names for one clip, hard links where the file system allows.
std::vector<std::string> linkedCopies(const std::string& clip, const std::string& folder,
                                      int count) {
    fs::create_directories(folder);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        const std::string path = folder + "/clip" + std::to_string(100000 + i) + ".mp4";
        std::error_code ec;
        fs::create_hard_link(clip, path, ec);
        if (ec)
            fs::copy_file(clip, path, fs::copy_options::overwrite_existing);
        paths.push_back(path);
    }
    return paths;
}

// Part 1: one movara-convert run over 501 items, followed through its JSON lines.
bool convertSoak(const std::vector<std::string>& files, const std::string& out, Figures& f) {
    std::vector<std::string> argv{
        MOVARA_BIN_DIR "/movara-convert", "--json", "-q", "--profile", "h264-mp4", "--output", out};
    argv.insert(argv.end(), files.begin(), files.end());
    std::vector<char*> args;
    for (std::string& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return false;
    }
    const std::string pid = std::to_string(child);
    const int last = static_cast<int>(files.size()) - 1; // the last item is only a tail
    int done = 0;
    f.fdBefore = f.threadsBefore = f.fdAfter = f.threadsAfter = INT_MAX;
    std::string pending;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        pending.append(buffer, static_cast<size_t>(n));
        size_t end = 0;
        while ((end = pending.find('\n')) != std::string::npos) {
            const bool isDone =
                pending.substr(0, end).find("\"event\":\"done\"") != std::string::npos;
            pending.erase(0, end + 1);
            if (!isDone)
                continue;
            ++done;
            // Between items the next one may be starting: the fewest of ten samples is the
            // resting count.
            if (done > 40 && done <= 50) {
                f.fdBefore = std::min(f.fdBefore, fdCount(pid));
                f.threadsBefore = std::min(f.threadsBefore, threadCount(pid));
            }
            if (done > last - 10 && done <= last) {
                f.fdAfter = std::min(f.fdAfter, fdCount(pid));
                f.threadsAfter = std::min(f.threadsAfter, threadCount(pid));
            }
            if (done == 50)
                f.hwmAt50 = statusKib(pid, "VmHWM:");
            if (done == last)
                f.hwmAtEnd = statusKib(pid, "VmHWM:");
        }
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (done != static_cast<int>(files.size()) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "soak: movara-convert reported %d of %zu items, status %d\n", done,
                     files.size(), status);
        return false;
    }
    return true;
}

// The window's services with no network and every question answered with its first button.
class SoakServices : public BenchServices {
public:
    using BenchServices::BenchServices;
    int httpGet(const std::string&, const std::string&, std::size_t, std::string*) override {
        return -1;
    }

protected:
    int doMessageBox(const std::string& text, const std::string&, unsigned buttons,
                     unsigned) override {
        std::fprintf(stderr, "soak: message \"%s\"\n", text.c_str());
        return (buttons & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    }
};

// The largest gap between the ticks of a 5 ms timer on the user-interface thread, per phase.
class StallMeter : public QObject {
public:
    static constexpr int kTickMs = 5;
    void start() {
        m_clock.start();
        m_last = 0;
        m_timer.start(kTickMs, Qt::PreciseTimer, this);
    }
    void stop() { m_timer.stop(); }
    // Gaps from now on count for `phase` (a gap is counted where it ends).
    void phase(const std::string& name) { m_phase = name; }
    const std::string& current() const { return m_phase; }
    double worstMs() const {
        qint64 worst = 0;
        for (const auto& [name, gap] : m_worst)
            worst = std::max(worst, gap);
        return worst / 1e6;
    }
    const std::map<std::string, qint64>& phases() const { return m_worst; }

protected:
    void timerEvent(QTimerEvent*) override {
        const qint64 now = m_clock.nsecsElapsed();
        qint64& worst = m_worst[m_phase];
        worst = std::max(worst, now - m_last - kTickMs * 1000000LL);
        m_last = now;
    }

private:
    QBasicTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    std::map<std::string, qint64> m_worst;
    std::string m_phase = "add";
};

// Steps run one event each, so the meter sees each as the person's command would be.
class Steps {
public:
    void add(std::function<bool()> step) { m_steps.push_back(std::move(step)); }
    // A step answering false is run again after `pollMs`.
    void run(QObject* context, std::function<void()> done, int pollMs = 0) {
        m_done = std::move(done);
        m_context = context;
        m_poll = pollMs;
        next();
    }

private:
    void next() {
        QTimer::singleShot(0, m_context, [this] {
            if (m_at == m_steps.size()) {
                m_done();
                return;
            }
            QElapsedTimer took;
            took.start();
            const bool stepDone = m_steps[m_at]();
            if (m_timed)
                m_timed(took.nsecsElapsed());
            if (stepDone)
                ++m_at;
            if (m_at < m_steps.size() && m_poll > 0)
                QTimer::singleShot(m_poll, m_context, [this] { next(); });
            else
                next();
        });
    }

public:
    // Told how long each step took (ns).
    std::function<void(qint64)> m_timed;

private:
    std::vector<std::function<bool()>> m_steps;
    std::function<void()> m_done;
    QObject* m_context = nullptr;
    size_t m_at = 0;
    int m_poll = 0;
};

int finishedItems(CFileListWnd* list) {
    int count = 0;
    for (const auto& item : list->MediaItems())
        count += item->hasState(kItemFinish | kItemConvertFailed) ? 1 : 0;
    return count;
}

// Parts 2 and 3, inside the program's own run.
struct WindowSoak {
    std::string items, list, out;
    Figures figures;
    double stallWorst = -1;
    int failed = 0;
    bool ok = false;
    StallMeter meter;
    Steps conversion, listSteps;
    std::map<std::string, qint64> stepWorst; // the longest step of each phase
    QElapsedTimer settle;

    void begin(CMovaraDlg& window) {
        figures.fdBefore = figures.threadsBefore = figures.fdAfter = figures.threadsAfter = INT_MAX;
        const std::string self = std::to_string(::getpid());
        CMovaraDlg* w = &window;
        // The list first; the measuring of estimates quiets down before the counts are taken.
        conversion.add([=, this] {
            w->OutputPathEdit()->setText(QString::fromStdString(out));
            w->AddFolder(items);
            settle.start();
            return true;
        });
        // The size measurements of the new items come and go with threads of their own: the
        // fewest seen over three seconds is the resting count.
        conversion.add([=, this] {
            figures.fdBefore = std::min(figures.fdBefore, fdCount(self));
            figures.threadsBefore = std::min(figures.threadsBefore, threadCount(self));
            return settle.elapsed() > 3000;
        });
        conversion.add([=, this] { return w->StartConversion(false) == 1; });
        conversion.add([=, this] {
            if (finishedItems(w->FileList()) < 50)
                return false;
            figures.hwmAt50 = statusKib(self, "VmHWM:");
            return true;
        });
        conversion.add([=, this] {
            if (w->State() != kStateIdle)
                return false;
            figures.hwmAtEnd = statusKib(self, "VmHWM:");
            for (const auto& item : w->FileList()->MediaItems())
                failed += item->hasState(kItemFinish) ? 0 : 1;
            settle.start();
            return true;
        });
        conversion.add([=, this] {
            figures.fdAfter = std::min(figures.fdAfter, fdCount(self));
            figures.threadsAfter = std::min(figures.threadsAfter, threadCount(self));
            return settle.elapsed() > 3000;
        });
        conversion.add([=, this] {
            w->OnCommand(kCmdClear);
            return true;
        });
        conversion.run(
            w, [this, w] { listPart(*w); }, 50);
    }

    void listPart(CMovaraDlg& window) {
        CMovaraDlg* w = &window;
        meter.start();
        listSteps.m_timed = [this](qint64 ns) {
            qint64& worst = stepWorst[meter.current()];
            worst = std::max(worst, ns);
        };
        listSteps.add([=, this] {
            meter.phase("add");
            w->AddFolder(list);
            meter.phase("scroll");
            return true;
        });
        listSteps.add([=, this] {
            CFileListWnd* files = w->FileList();
            const int page = std::max(1, files->VisibleRowCount());
            files->ScrollTo(files->FirstVisibleRow() + page);
            files->repaint();
            return files->FirstVisibleRow() + page >= files->Count();
        });
        listSteps.add([=, this] {
            meter.phase("check");
            w->OnCommand(kCmdUnselectAll);
            w->FileList()->repaint();
            return true;
        });
        listSteps.add([=, this] {
            w->OnCommand(kCmdSelectAll);
            w->FileList()->repaint();
            return true;
        });
        for (int i = 0; i < 100; ++i)
            listSteps.add([=, this] {
                meter.phase("remove");
                w->OnCommand(kCmdRemove);
                w->FileList()->repaint();
                return true;
            });
        listSteps.add([=, this] {
            meter.phase("clear");
            w->OnCommand(kCmdClear);
            w->FileList()->repaint();
            return true;
        });
        listSteps.run(w, [this, w] {
            QTimer::singleShot(50, w, [this, w] {
                meter.stop();
                stallWorst = meter.worstMs();
                ok = w->FileList()->Count() == 0;
                w->reject();
            });
        });
    }
};

// An X server of its own for the window, on a display number it picks.
pid_t startXvfb() {
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const std::string fd = std::to_string(fds[1]);
    std::vector<std::string> argv{"Xvfb", "-displayfd",  fd,          "-screen",
                                  "0",    "1280x800x24", "-nolisten", "tcp"};
    std::vector<char*> args;
    for (std::string& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "Xvfb", &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::string display;
    pollfd wait{fds[0], POLLIN, 0};
    char c = 0;
    while (spawned == 0 && ::poll(&wait, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n')
        display += c;
    ::close(fds[0]);
    if (spawned != 0 || display.empty())
        return -1;
    ::setenv("DISPLAY", (":" + display).c_str(), 1);
    return pid;
}

void printPart(const char* part, const Figures& f) {
    std::printf("%s-rss-growth %.3f fraction\n", part, f.rssGrowth());
    std::printf("%s-peak-rss-50 %ld KiB\n", part, f.hwmAt50);
    std::printf("%s-peak-rss-end %ld KiB\n", part, f.hwmAtEnd);
    std::printf("%s-fd-leak %d count\n", part, f.fdAfter - f.fdBefore);
    std::printf("%s-thread-leak %d count\n", part, f.threadsAfter - f.threadsBefore);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1)
        g_items = std::max(60, std::atoi(argv[1]));
    if (argc > 2)
        g_list = std::max(100, std::atoi(argv[2]));
    QTemporaryDir scratch, runtime;
    if (!scratch.isValid() || !runtime.isValid())
        return 1;
    const std::string root = scratch.path().toStdString();
    // A Movara the person is running keeps its own lock; this one uses its own.
    ::setenv("XDG_RUNTIME_DIR", runtime.path().toUtf8().constData(), 1);

    testmedia::SourceSpec spec;
    spec.width = 160;
    spec.height = 120;
    spec.seconds = 0.4;
    spec.sampleRate = 22050;
    std::string error;
    const std::string clip = testmedia::generate(spec, &error);
    if (clip.empty()) {
        std::fprintf(stderr, "soak: %s\n", error.c_str());
        return 1;
    }

    Figures convert;
    fs::create_directories(root + "/out-convert");
    if (!convertSoak(linkedCopies(clip, root + "/convert", g_items + 1), root + "/out-convert",
                     convert))
        return 1;
    printPart("convert", convert);
    std::fflush(stdout);
    fs::remove_all(root + "/out-convert");

    const pid_t xvfb = startXvfb();
    if (xvfb < 0) {
        std::fprintf(stderr, "soak: no X server\n");
        return 1;
    }
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    WindowSoak window;
    window.items = root + "/window";
    window.list = root + "/list";
    window.out = root + "/out-window";
    linkedCopies(clip, window.items, g_items);
    linkedCopies(clip, window.list, g_list);
    fs::create_directories(window.out);
    {
        QApplication application(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Movara"));
        SoakServices services(root);
        ScopedPlatformServices installed(services);
        CMovaraApp movara;
        movara.SetWindowHook([&window](CMovaraDlg& dlg) {
            QTimer::singleShot(500, &dlg, [&window, &dlg] { window.begin(dlg); });
        });
        movara.Run();
    }
    ::kill(xvfb, SIGTERM);
    ::waitpid(xvfb, nullptr, 0);
    if (!window.ok || window.failed > 0) {
        std::fprintf(stderr, "soak: the window's run did not complete (%d items failed)\n",
                     window.failed);
        return 1;
    }
    printPart("window", window.figures);
    for (const auto& [phase, gap] : window.meter.phases())
        std::printf("ui-stall-%s %.1f ms\n", phase.c_str(), gap / 1e6);
    for (const auto& [phase, ns] : window.stepWorst)
        std::printf("step-%s %.1f ms\n", phase.c_str(), ns / 1e6);

    const double growth = std::max(convert.rssGrowth(), window.figures.rssGrowth());
    const int fdLeak = std::max(convert.fdAfter - convert.fdBefore,
                                window.figures.fdAfter - window.figures.fdBefore);
    const int threadLeak = std::max(convert.threadsAfter - convert.threadsBefore,
                                    window.figures.threadsAfter - window.figures.threadsBefore);
    std::printf("rss-growth %.3f fraction\n", growth);
    std::printf("fd-leak %d count\n", fdLeak);
    std::printf("thread-leak %d count\n", threadLeak);
    std::printf("ui-stall-worst %.1f ms\n", window.stallWorst);
    const bool met = growth <= 0.10 && fdLeak <= 0 && threadLeak <= 0 && window.stallWorst <= 100;
    return met ? 0 : 2;
}
