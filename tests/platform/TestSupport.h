// Bounded waiting for the platform tests: nothing here waits without a limit.
#ifndef PLATFORM_TESTSUPPORT_H
#define PLATFORM_TESTSUPPORT_H

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

namespace testsupport {

using namespace std::chrono_literals;

// Handles this thread's events until `done` holds or `limit` has passed; returns `done()`.
inline bool pumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Handles this thread's events for a while.
inline void pumpFor(std::chrono::milliseconds duration) {
    pumpUntil([] { return false; }, duration);
}

template <class T> bool isReady(const std::future<T>& f) {
    return f.valid() && f.wait_for(0ms) == std::future_status::ready;
}

} // namespace testsupport

#endif
