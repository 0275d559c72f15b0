#pragma once

// What CVelConvert tells its notify window, recorded: a message target standing in for the main
// window, bounded event pumping, and the one application object of a conversion test program
// (created on the thread that runs the tests, which is the user-interface thread).

#include "CVelConvert.h"
#include "MessageTarget.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace converttest {

// Handles this thread's events until `done` holds or `limit` passed; returns done().
bool pumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
void pumpFor(std::chrono::milliseconds duration);

// One 3245 or 3246 message as the notify window saw it.
struct Seen {
    unsigned msg = 0;
    int code = 0;
    const void* subject = nullptr;
    std::string path;      // 3246: the posted path; code 6: the path offered
    int32_t itemState = 0; // codes 1 to 3: the item's state flags when handled
    int32_t progress = 0;
    std::thread::id thread;
};

// The main window's stand-in: records, answers code 6 from a script.
class RecordingWindow : public MessageTarget {
public:
    ~RecordingWindow() override;
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

    // Answers code 6; may rewrite the path buffer (at most VELDES_MAX_PATH bytes with the zero).
    std::function<intptr_t(char* path)> onOutputExists;
    // Runs on code 4, after recording it.
    std::function<void()> onConversionOver;

    std::vector<Seen> seen() const;
    std::vector<int> codes() const;
    std::vector<std::string> finishedPaths() const;
    int count(int code) const;
    void stop() { stopMessages(); }

private:
    mutable std::mutex mutex_;
    std::vector<Seen> seen_;
};

} // namespace converttest
