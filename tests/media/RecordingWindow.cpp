#include "RecordingWindow.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

namespace converttest {

namespace {

// One application object for the whole test program, on the thread that runs the tests: that
// thread is the user-interface thread the notify window belongs to.
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "convert_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

} // namespace

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return done();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void pumpFor(std::chrono::milliseconds duration) {
    pumpUntil([] { return false; }, duration);
}

// --- RecordingWindow ---------------------------------------------------------------------------

RecordingWindow::~RecordingWindow() {
    stopMessages();
}

intptr_t RecordingWindow::onMessage(unsigned msg, uintptr_t, intptr_t lParam) {
    Seen seen;
    seen.msg = msg;
    seen.thread = std::this_thread::get_id();
    intptr_t answer = 0;
    if (msg == kMsgOutputFinished) {
        seen.path = reinterpret_cast<const char*>(lParam);
    } else if (msg == kMsgConvertNotify) {
        const auto* slot = reinterpret_cast<const VelNotification*>(lParam);
        seen.code = slot->code;
        seen.subject = slot->subject;
        if (slot->code >= kNotifyItemState && slot->code <= kNotifyItemFailed && slot->subject) {
            const auto* item = static_cast<const MediaItem*>(slot->subject);
            seen.itemState = item->stateFlags.load();
            seen.progress = item->progress.load();
        }
        if (slot->code == kNotifyOutputExists) {
            char* path = static_cast<char*>(slot->subject);
            seen.path = path;
            if (onOutputExists) {
                answer = onOutputExists(path);
            }
        }
    }
    {
        std::lock_guard lock(mutex_);
        seen_.push_back(seen);
    }
    if (seen.code == kNotifyConversionOver && onConversionOver) {
        onConversionOver();
    }
    return answer;
}

std::vector<Seen> RecordingWindow::seen() const {
    std::lock_guard lock(mutex_);
    return seen_;
}

std::vector<int> RecordingWindow::codes() const {
    std::vector<int> out;
    for (const Seen& s : seen()) {
        if (s.msg == kMsgConvertNotify) {
            out.push_back(s.code);
        }
    }
    return out;
}

std::vector<std::string> RecordingWindow::finishedPaths() const {
    std::vector<std::string> out;
    for (const Seen& s : seen()) {
        if (s.msg == kMsgOutputFinished) {
            out.push_back(s.path);
        }
    }
    return out;
}

int RecordingWindow::count(int code) const {
    int n = 0;
    for (int c : codes()) {
        n += c == code ? 1 : 0;
    }
    return n;
}

} // namespace converttest
