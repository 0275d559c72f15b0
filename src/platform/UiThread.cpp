#include "UiThread.h"

#include "MessageCore.h"

#include <QCoreApplication>
#include <QThread>

#include <chrono>
#include <memory>
#include <mutex>

namespace {

// The user-interface thread's end of runOnUiThread: a message target that runs the work handed
// over in lParam. It is made on first use by whichever thread needs it and closed when the
// application object goes, which releases any thread still waiting for it.
struct Bridge {
    std::mutex mutex;
    std::shared_ptr<message_detail::TargetRecord> record;
    QCoreApplication* app = nullptr;
};

Bridge& bridge() {
    static Bridge* instance = new Bridge;
    return *instance;
}

intptr_t runWork(void*, unsigned, uintptr_t, intptr_t lParam) {
    return (*reinterpret_cast<const std::function<intptr_t()>*>(lParam))();
}

void closeBridge() {
    std::shared_ptr<message_detail::TargetRecord> record;
    {
        std::lock_guard<std::mutex> lock(bridge().mutex);
        record = std::move(bridge().record);
        bridge().app = nullptr;
    }
    if (record)
        message_detail::closeTarget(record);
}

} // namespace

bool isUiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

static void* bridgeHandle(QCoreApplication* app) {
    Bridge& b = bridge();
    std::lock_guard<std::mutex> lock(b.mutex);
    if (!b.record || b.app != app) {
        b.record = message_detail::openTarget(app->thread(), runWork, nullptr);
        b.app = app;
        qAddPostRoutine(closeBridge);
    }
    return message_detail::handleOf(*b.record);
}

intptr_t runOnUiThread(const std::function<intptr_t()>& work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        return work();
    intptr_t result = 0;
    message_detail::send(bridgeHandle(app), 0, 0, reinterpret_cast<intptr_t>(&work), -1, &result);
    return result;
}

intptr_t runOnUiThreadUnless(const std::function<intptr_t()>& work,
                             const std::function<bool()>& withdrawn, intptr_t answer) {
    constexpr auto kPoll = std::chrono::milliseconds(20);
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        return work();
    void* handle = bridgeHandle(app);
    while (!withdrawn()) {
        const auto start = std::chrono::steady_clock::now();
        intptr_t result = 0;
        // Withdrawn unless the handler starts within the poll; once started, it is waited for.
        if (message_detail::send(handle, 0, 0, reinterpret_cast<intptr_t>(&work),
                                 int(kPoll.count()), &result))
            return result;
        if (std::chrono::steady_clock::now() - start < kPoll)
            break; // refused at once: the application is ending
    }
    return answer;
}
