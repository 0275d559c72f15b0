// The message layer between threads: direct and queued sends, time-outs, posting order, and
// what happens to callers when a target goes away.
#include "Background.h"
#include "MessageTarget.h"
#include "TestSupport.h"
#include "UiThread.h"
#include "velhost.h"

#include <QEventLoop>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

using namespace std::chrono_literals;
using testsupport::Background;
using testsupport::pumpFor;
using testsupport::pumpUntil;

namespace {

struct Received {
    unsigned msg;
    uintptr_t wParam;
    intptr_t lParam;
    std::thread::id thread;
};

using Behaviour = std::function<intptr_t(unsigned, uintptr_t, intptr_t)>;

// Records every call; answers msg * 1000 + wParam unless given another behaviour.
class RecordingTarget : public MessageTarget {
public:
    explicit RecordingTarget(Behaviour behaviour = {}) : m_behaviour(std::move(behaviour)) {}
    ~RecordingTarget() override { stopMessages(); }

    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_received.push_back({msg, wParam, lParam, std::this_thread::get_id()});
        }
        if (m_behaviour)
            return m_behaviour(msg, wParam, lParam);
        return static_cast<intptr_t>(msg * 1000 + wParam);
    }

    std::vector<Received> received() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }
    std::size_t count() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received.size();
    }

private:
    const Behaviour m_behaviour;
    mutable std::mutex m_mutex;
    std::vector<Received> m_received;
};

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A thread with its own event loop and one target living on it, destroyed there at the end.
class TargetThread {
public:
    static constexpr unsigned kQuit = 0xFFFF;

    TargetThread() {
        m_thread = std::thread([this] {
            QEventLoop loop;
            RecordingTarget target([&loop](unsigned msg, uintptr_t wParam, intptr_t) -> intptr_t {
                if (msg == kQuit)
                    loop.quit();
                return static_cast<intptr_t>(wParam * 2);
            });
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_handle = target.handle();
                m_id = std::this_thread::get_id();
            }
            m_started.notify_all();
            loop.exec();
            std::lock_guard<std::mutex> lock(m_mutex);
            m_received = target.received();
        });
        std::unique_lock<std::mutex> lock(m_mutex);
        m_started.wait_for(lock, 5s, [this] { return m_handle != nullptr; });
    }
    ~TargetThread() { stop(); }

    void stop() {
        if (!m_thread.joinable())
            return;
        postMessage(handle(), kQuit);
        m_thread.join();
    }
    void* handle() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_handle;
    }
    std::thread::id id() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_id;
    }
    std::vector<Received> receivedAfterStop() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_started;
    void* m_handle = nullptr;
    std::thread::id m_id;
    std::vector<Received> m_received;
    std::thread m_thread;
};

} // namespace

TEST(PlatformMessages, SameThreadSendIsADirectCall) {
    RecordingTarget target;
    // No event is handled in between: the handler runs inside the call.
    EXPECT_EQ(sendMessage(&target, 5, 6, 7), 5006);
    ASSERT_EQ(target.count(), 1u);
    EXPECT_EQ(target.received()[0].thread, std::this_thread::get_id());
    EXPECT_EQ(target.received()[0].lParam, 7);

    intptr_t result = 0;
    EXPECT_TRUE(sendMessageTimeout(target.handle(), 8, 1, 0, 0, &result));
    EXPECT_EQ(result, 8001);
    EXPECT_EQ(target.count(), 2u);
    EXPECT_TRUE(target.isOwnThread());
}

TEST(PlatformMessages, CrossThreadSendRunsOnTheTargetThreadWhileTheSenderWaits) {
    RecordingTarget target([](unsigned, uintptr_t, intptr_t lParam) -> intptr_t {
        *reinterpret_cast<int*>(lParam) = 77; // the sender's local: it must still be waiting
        return 1234;
    });
    void* handle = target.handle();
    Background<std::pair<intptr_t, int>> sender([handle] {
        int local = 0;
        const intptr_t result = sendMessage(handle, 3, 0, reinterpret_cast<intptr_t>(&local));
        return std::make_pair(result, local);
    });
    std::this_thread::sleep_for(150ms);
    EXPECT_FALSE(sender.ready()) << "a send must wait for the target's thread";
    EXPECT_EQ(target.count(), 0u);

    ASSERT_TRUE(pumpUntil([&] { return sender.ready(); }));
    EXPECT_EQ(sender.get().first, 1234);
    EXPECT_EQ(sender.get().second, 77);
    ASSERT_EQ(target.count(), 1u);
    EXPECT_EQ(target.received()[0].thread, std::this_thread::get_id());
}

TEST(PlatformMessages, SendToATargetOnAnotherWorkerThread) {
    TargetThread worker;
    ASSERT_NE(worker.handle(), nullptr);
    EXPECT_EQ(sendMessage(worker.handle(), 1, 21), 42);
    intptr_t result = 0;
    EXPECT_TRUE(sendMessageTimeout(worker.handle(), 1, 50, 0, 5000, &result));
    EXPECT_EQ(result, 100);
    EXPECT_TRUE(postMessage(worker.handle(), 2, 9));
    worker.stop();
    const auto received = worker.receivedAfterStop();
    ASSERT_EQ(received.size(), 4u); // two sends, one post, the quit message
    for (const auto& r : received)
        EXPECT_EQ(r.thread, worker.id());
    EXPECT_EQ(received[2].msg, 2u);
}

TEST(PlatformMessages, TimedOutSendIsDroppedAndNeverHandledLater) {
    RecordingTarget target;
    void* handle = target.handle();
    Background<std::tuple<bool, intptr_t, long long>> sender([handle] {
        intptr_t result = -1;
        const auto start = Clock::now();
        const bool delivered = sendMessageTimeout(handle, 1, 0, 0, 150, &result);
        return std::make_tuple(delivered, result, msSince(start));
    });
    // This thread handles no events meanwhile, so the handler cannot start.
    ASSERT_TRUE(sender.waitFor(5s));
    const auto [delivered, result, elapsed] = sender.get();
    EXPECT_FALSE(delivered);
    EXPECT_EQ(result, 0);
    EXPECT_GE(elapsed, 140);

    pumpFor(200ms);
    EXPECT_EQ(target.count(), 0u) << "a withdrawn message was handled after all";

    ASSERT_TRUE(postMessage(&target, 2));
    ASSERT_TRUE(pumpUntil([&] { return target.count() == 1; }));
    pumpFor(50ms);
    ASSERT_EQ(target.count(), 1u);
    EXPECT_EQ(target.received()[0].msg, 2u);
}

TEST(PlatformMessages, TimeOutDoesNotCutAHandlerThatStarted) {
    RecordingTarget target([](unsigned, uintptr_t, intptr_t) -> intptr_t {
        std::this_thread::sleep_for(1300ms);
        return 42;
    });
    void* handle = target.handle();
    Background<std::tuple<bool, intptr_t, long long>> sender([handle] {
        intptr_t result = 0;
        const auto start = Clock::now();
        const bool delivered = sendMessageTimeout(handle, 1, 0, 0, 1000, &result);
        return std::make_tuple(delivered, result, msSince(start));
    });
    ASSERT_TRUE(pumpUntil([&] { return sender.ready(); }, 10s));
    const auto [delivered, result, elapsed] = sender.get();
    EXPECT_TRUE(delivered);
    EXPECT_EQ(result, 42);
    EXPECT_GE(elapsed, 1250) << "the sender went on while the handler still ran";
}

TEST(PlatformMessages, PostedMessagesKeepTheirOrderPerSender) {
    RecordingTarget target;
    void* handle = target.handle();
    constexpr int kEach = 300;
    auto poster = [handle](unsigned msg) {
        return [handle, msg] {
            int refused = 0;
            for (int i = 0; i < kEach; ++i)
                refused += postMessage(handle, msg, static_cast<uintptr_t>(i)) ? 0 : 1;
            return refused;
        };
    };
    Background<int> first(poster(100));
    Background<int> second(poster(200));
    for (int i = 0; i < kEach; ++i)
        ASSERT_TRUE(postMessage(&target, 300, static_cast<uintptr_t>(i)));
    EXPECT_EQ(target.count(), 0u) << "posting on the target's own thread must not call it";

    ASSERT_TRUE(pumpUntil([&] { return target.count() == 3 * kEach; }, 20s));
    EXPECT_EQ(first.get(), 0);
    EXPECT_EQ(second.get(), 0);
    std::map<unsigned, uintptr_t> next;
    for (const auto& r : target.received()) {
        EXPECT_EQ(r.wParam, next[r.msg]) << "message " << r.msg << " out of order";
        next[r.msg] = r.wParam + 1;
    }
}

TEST(PlatformMessages, PostsAndSendsFromOneThreadArriveInOrder) {
    RecordingTarget target;
    void* handle = target.handle();
    Background<intptr_t> sender([handle] {
        postMessage(handle, 1);
        postMessage(handle, 2);
        return sendMessage(handle, 3);
    });
    ASSERT_TRUE(pumpUntil([&] { return sender.ready(); }));
    EXPECT_EQ(sender.get(), 3000);
    const auto received = target.received();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].msg, 1u);
    EXPECT_EQ(received[1].msg, 2u);
    EXPECT_EQ(received[2].msg, 3u);
}

TEST(PlatformMessages, DestroyingATargetReleasesEveryBlockedSender) {
    auto target = std::make_unique<RecordingTarget>();
    void* handle = target->handle();
    std::atomic<int> entered{0};
    Background<intptr_t> blocking([handle, &entered] {
        ++entered;
        return sendMessage(handle, 1);
    });
    Background<std::pair<bool, intptr_t>> timed([handle, &entered] {
        ++entered;
        intptr_t result = -1;
        const bool delivered = sendMessageTimeout(handle, 2, 0, 0, 30000, &result);
        return std::make_pair(delivered, result);
    });
    const auto start = Clock::now();
    while (entered < 2 && msSince(start) < 5000)
        std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(150ms); // both calls are queued now, none handled
    EXPECT_FALSE(blocking.ready());
    EXPECT_FALSE(timed.ready());

    const auto destroyed = Clock::now();
    target.reset();
    ASSERT_TRUE(blocking.waitFor(5s));
    ASSERT_TRUE(timed.waitFor(5s));
    EXPECT_LT(msSince(destroyed), 2000);
    EXPECT_EQ(blocking.get(), 0);
    EXPECT_FALSE(timed.get().first);
    EXPECT_EQ(timed.get().second, 0);
    pumpFor(50ms); // whatever Qt still held for the target is discarded harmlessly
}

TEST(PlatformMessages, StaleHandlesAreHarmlessFromAnyThread) {
    void* stale = nullptr;
    {
        RecordingTarget target;
        stale = target.handle();
        ASSERT_TRUE(postMessage(stale, 1)); // never handled: the target goes first
    }
    pumpFor(20ms);
    RecordingTarget successor;
    EXPECT_NE(successor.handle(), stale) << "handles must not be reused";

    Background<std::vector<intptr_t>> worker([stale] {
        intptr_t timedResult = -1;
        const bool timed = sendMessageTimeout(stale, 1, 0, 0, 100, &timedResult);
        return std::vector<intptr_t>{sendMessage(stale, 1),
                                     timed,
                                     timedResult,
                                     postMessage(stale, 1),
                                     VelSendMessage(stale, 1, 0, 0),
                                     sendMessage(reinterpret_cast<void*>(0x1234), 1),
                                     sendMessage(static_cast<void*>(nullptr), 1)};
    });
    ASSERT_TRUE(worker.waitFor(5s));
    for (intptr_t value : worker.get())
        EXPECT_EQ(value, 0);
    pumpFor(20ms);
    EXPECT_EQ(successor.count(), 0u);
}

TEST(PlatformMessages, EngineEntryPointSendsToTheWindowHandle) {
    RecordingTarget target([](unsigned msg, uintptr_t wParam, intptr_t lParam) -> intptr_t {
        return msg == 3245 && wParam == 6 ? *reinterpret_cast<const int*>(lParam) : -1;
    });
    VeldesWindow window = target.handle();
    Background<intptr_t> engine([window] {
        int answer = 102;
        return VelSendMessage(window, 3245, 6, reinterpret_cast<intptr_t>(&answer));
    });
    ASSERT_TRUE(pumpUntil([&] { return engine.ready(); }));
    EXPECT_EQ(engine.get(), 102);
    EXPECT_EQ(target.received().at(0).thread, std::this_thread::get_id());
}

namespace {

class SelfDestroyingTarget : public MessageTarget {
public:
    explicit SelfDestroyingTarget(std::atomic<int>* handled) : m_handled(handled) {}
    intptr_t onMessage(unsigned msg, uintptr_t, intptr_t) override {
        ++*m_handled;
        if (msg == 99) {
            delete this;
            return 5;
        }
        return 1;
    }

private:
    std::atomic<int>* m_handled;
};

} // namespace

TEST(PlatformMessages, AHandlerMayDestroyItsOwnTarget) {
    std::atomic<int> handled{0};
    auto* direct = new SelfDestroyingTarget(&handled);
    EXPECT_EQ(sendMessage(direct, 99), 5);

    auto* queued = new SelfDestroyingTarget(&handled);
    void* handle = queued->handle();
    ASSERT_TRUE(postMessage(handle, 99));
    ASSERT_TRUE(postMessage(handle, 1)); // behind the one that destroys the target
    Background<intptr_t> sender([handle] { return sendMessage(handle, 99); });
    ASSERT_TRUE(pumpUntil([&] { return sender.ready(); }));
    pumpFor(50ms);
    EXPECT_EQ(sender.get(), 0);
    EXPECT_EQ(handled, 2) << "only the two messages that destroyed a target ran";
    EXPECT_FALSE(postMessage(handle, 1));
}

TEST(PlatformMessages, ManyThreadsSendConcurrently) {
    RecordingTarget target([](unsigned, uintptr_t wParam, intptr_t) -> intptr_t {
        return static_cast<intptr_t>(wParam) * 2;
    });
    void* handle = target.handle();
    constexpr int kThreads = 4;
    constexpr int kSends = 150;
    std::vector<std::unique_ptr<Background<int>>> senders;
    for (int t = 0; t < kThreads; ++t) {
        senders.push_back(std::make_unique<Background<int>>([handle, t] {
            int wrong = 0;
            for (int i = 0; i < kSends; ++i) {
                const uintptr_t w = static_cast<uintptr_t>(t * 1000 + i);
                if (i % 2 == 0) {
                    wrong += sendMessage(handle, 1, w) == static_cast<intptr_t>(w * 2) ? 0 : 1;
                } else {
                    intptr_t result = 0;
                    const bool ok = sendMessageTimeout(handle, 1, w, 0, 10000, &result);
                    wrong += ok && result == static_cast<intptr_t>(w * 2) ? 0 : 1;
                }
            }
            return wrong;
        }));
    }
    ASSERT_TRUE(pumpUntil(
        [&] {
            for (const auto& s : senders)
                if (!s->ready())
                    return false;
            return true;
        },
        60s));
    for (const auto& s : senders)
        EXPECT_EQ(s->get(), 0);
    EXPECT_EQ(target.count(), static_cast<std::size_t>(kThreads * kSends));
}

TEST(PlatformMessages, WorkIsRunOnTheUserInterfaceThread) {
    EXPECT_TRUE(isUiThread());
    const auto uiThread = std::this_thread::get_id();
    EXPECT_EQ(runOnUiThread([] { return intptr_t(3); }), 3);

    Background<std::pair<intptr_t, bool>> worker([uiThread] {
        const bool workerIsUi = isUiThread();
        std::thread::id ranOn;
        const intptr_t value = runOnUiThread([&] {
            ranOn = std::this_thread::get_id();
            return intptr_t(11);
        });
        return std::make_pair(value, !workerIsUi && ranOn == uiThread);
    });
    ASSERT_TRUE(pumpUntil([&] { return worker.ready(); }));
    EXPECT_EQ(worker.get().first, 11);
    EXPECT_TRUE(worker.get().second);
}
