// A worker thread for tests that never makes the test program hang: if the work is still blocked
// when the test ends (a failed test), the thread is abandoned instead of joined.
#ifndef PLATFORM_BACKGROUND_H
#define PLATFORM_BACKGROUND_H

#include <chrono>
#include <functional>
#include <future>
#include <thread>

namespace testsupport {

template <class T> class Background {
public:
    explicit Background(std::function<T()> work) {
        std::packaged_task<T()> task(std::move(work));
        m_future = task.get_future().share();
        m_thread = std::thread(std::move(task));
    }
    ~Background() {
        if (m_future.wait_for(std::chrono::seconds(2)) == std::future_status::ready)
            m_thread.join();
        else
            m_thread.detach();
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    bool ready() const {
        return m_future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }
    bool waitFor(std::chrono::milliseconds limit) const {
        return m_future.wait_for(limit) == std::future_status::ready;
    }
    T get() const { return m_future.get(); }

private:
    std::shared_future<T> m_future;
    std::thread m_thread;
};

} // namespace testsupport

#endif
