#include "MessageCore.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

// All shared call state lives under one std::mutex with std::condition_variables, never under
// Qt's locks: Qt is only used to wake the target thread's event loop. That keeps every
// happens-before edge visible to ThreadSanitizer, and makes the rules easy to check: a call is
// Queued until its handler starts (Running) or it is withdrawn (Dropped); whoever takes the mutex
// first decides, so a withdrawn call is never handled later.

namespace message_detail {

namespace {

enum class CallState { Queued, Running, Done, Dropped };

struct PendingCall {
    PendingCall(unsigned m, uintptr_t w, intptr_t l) : msg(m), wParam(w), lParam(l) {}
    const unsigned msg;
    const uintptr_t wParam;
    const intptr_t lParam;
    CallState state = CallState::Queued;
    intptr_t result = 0;
    std::condition_variable finished;
};

} // namespace

class CallReceiver;

struct TargetRecord {
    void* handle = nullptr;
    QThread* thread = nullptr;
    Handler handler = nullptr;
    void* context = nullptr;
    CallReceiver* receiver = nullptr; // null once closed
    bool accepting = true;
    int running = 0; // handlers in progress (always on `thread`)
    std::vector<std::shared_ptr<PendingCall>> queued;
    std::condition_variable idle;
};

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<void*, std::shared_ptr<TargetRecord>> targets;
    uintptr_t lastHandle = 0x10000;
};

// Never destroyed: worker threads may still send to stale handles while the process exits.
Registry& registry() {
    static Registry* instance = new Registry;
    return *instance;
}

// Set while this thread calls QCoreApplication::postEvent under the registry mutex, because Qt
// may delete a just-posted event right away and the event's destructor takes that mutex.
thread_local bool t_postingUnderLock = false;

QEvent::Type callEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void eraseQueued(TargetRecord& record, const std::shared_ptr<PendingCall>& call) {
    auto it = std::find(record.queued.begin(), record.queued.end(), call);
    if (it != record.queued.end())
        record.queued.erase(it);
}

// Registry mutex held.
void dropLocked(TargetRecord& record, const std::shared_ptr<PendingCall>& call) {
    call->state = CallState::Dropped;
    call->result = 0;
    eraseQueued(record, call);
    call->finished.notify_all();
}

// Registry mutex held on entry and on return; released while the handler runs.
intptr_t invokeLocked(std::unique_lock<std::mutex>& lock,
                      const std::shared_ptr<TargetRecord>& record, unsigned msg, uintptr_t wParam,
                      intptr_t lParam) {
    ++record->running;
    lock.unlock();
    const intptr_t result = record->handler(record->context, msg, wParam, lParam);
    lock.lock();
    if (--record->running == 0)
        record->idle.notify_all();
    return result;
}

// One queued call on its way to the target's thread. An event that Qt throws away undelivered
// (its receiver or its thread went away) releases the sender waiting for it.
class CallEvent : public QEvent {
public:
    CallEvent(std::shared_ptr<TargetRecord> record, std::shared_ptr<PendingCall> call)
        : QEvent(callEventType()), m_record(std::move(record)), m_call(std::move(call)) {}

    ~CallEvent() override {
        std::unique_lock<std::mutex> lock(registry().mutex, std::defer_lock);
        if (!t_postingUnderLock)
            lock.lock();
        if (m_call->state == CallState::Queued)
            dropLocked(*m_record, m_call);
        m_call.reset();
        m_record.reset();
    }

    // Read only with the registry mutex held.
    const std::shared_ptr<TargetRecord>& record() const { return m_record; }
    const std::shared_ptr<PendingCall>& call() const { return m_call; }

private:
    std::shared_ptr<TargetRecord> m_record;
    std::shared_ptr<PendingCall> m_call;
};

} // namespace

// Lives on the target's thread; receives the queued calls there.
class CallReceiver : public QObject {
protected:
    bool event(QEvent* e) override {
        // Every event this object receives was made under the registry mutex (the calls in
        // queueLocked, the deferred delete in closeTarget), so with the mutex taken first even
        // the event's type is read on a happens-before edge ThreadSanitizer can see; Qt's own
        // queue is invisible to it.
        std::unique_lock<std::mutex> lock(registry().mutex);
        if (e->type() != callEventType()) {
            lock.unlock();
            return QObject::event(e);
        }
        auto* callEvent = static_cast<CallEvent*>(e);
        const std::shared_ptr<TargetRecord> record = callEvent->record();
        const std::shared_ptr<PendingCall> call = callEvent->call();
        if (call->state != CallState::Queued)
            return true; // withdrawn by a timed-out sender
        if (!record->accepting) {
            dropLocked(*record, call);
            return true;
        }
        eraseQueued(*record, call);
        call->state = CallState::Running;
        // Only locals from here on: the handler may destroy its target, and with it this object.
        const intptr_t result = invokeLocked(lock, record, call->msg, call->wParam, call->lParam);
        call->result = result;
        call->state = CallState::Done;
        call->finished.notify_all();
        return true;
    }
};

namespace {

// Registry mutex held. False when Qt refused the event at once.
bool queueLocked(const std::shared_ptr<TargetRecord>& record,
                 const std::shared_ptr<PendingCall>& call) {
    record->queued.push_back(call);
    t_postingUnderLock = true;
    QCoreApplication::postEvent(record->receiver, new CallEvent(record, call));
    t_postingUnderLock = false;
    return call->state == CallState::Queued;
}

std::shared_ptr<TargetRecord> findLocked(void* handle) {
    Registry& reg = registry();
    auto it = reg.targets.find(handle);
    return it == reg.targets.end() ? nullptr : it->second;
}

} // namespace

std::shared_ptr<TargetRecord> openTarget(QThread* thread, Handler handler, void* context) {
    auto record = std::make_shared<TargetRecord>();
    record->thread = thread;
    record->handler = handler;
    record->context = context;
    auto* receiver = new CallReceiver;
    if (thread != QThread::currentThread())
        receiver->moveToThread(thread);

    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    record->receiver = receiver;
    reg.lastHandle += 0x10;
    record->handle = reinterpret_cast<void*>(reg.lastHandle);
    reg.targets.emplace(record->handle, record);
    return record;
}

void closeTarget(const std::shared_ptr<TargetRecord>& record) {
    const bool ownThread = record->thread == QThread::currentThread();
    CallReceiver* receiver = nullptr;
    bool deleteNow = false;
    {
        Registry& reg = registry();
        std::unique_lock<std::mutex> lock(reg.mutex);
        if (!record->receiver)
            return;
        if (record->accepting) {
            record->accepting = false;
            reg.targets.erase(record->handle);
            const auto queued = std::move(record->queued);
            record->queued.clear();
            for (const auto& call : queued) {
                if (call->state == CallState::Queued)
                    dropLocked(*record, call);
            }
        }
        // A handler running on the owner thread while another thread closes the target must
        // finish before the target goes; on the owner thread it is further up this very stack.
        if (!ownThread)
            record->idle.wait(lock, [&] { return record->running == 0; });
        receiver = std::exchange(record->receiver, nullptr);
        deleteNow = ownThread && record->running == 0;
        // Posted under the mutex like every call, so its delivery is ordered for the sanitizer.
        if (!deleteNow)
            receiver->deleteLater();
    }
    // Deleting the receiver makes Qt discard its posted events; their calls are dropped already.
    if (deleteNow)
        delete receiver;
}

void* handleOf(const TargetRecord& record) {
    return record.handle;
}

bool isOwnThread(const TargetRecord& record) {
    return record.thread == QThread::currentThread();
}

bool send(void* handle, unsigned msg, uintptr_t wParam, intptr_t lParam, int timeoutMs,
          intptr_t* result) {
    if (result)
        *result = 0;
    QThread* const current = QThread::currentThread();
    std::unique_lock<std::mutex> lock(registry().mutex);
    const std::shared_ptr<TargetRecord> record = findLocked(handle);
    if (!record)
        return false;
    if (record->thread == current) {
        const intptr_t value = invokeLocked(lock, record, msg, wParam, lParam);
        if (result)
            *result = value;
        return true;
    }

    auto call = std::make_shared<PendingCall>(msg, wParam, lParam);
    if (!queueLocked(record, call))
        return false;
    if (timeoutMs >= 0) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        const bool left = call->finished.wait_until(
            lock, deadline, [&] { return call->state != CallState::Queued; });
        if (!left) {
            dropLocked(*record, call);
            return false;
        }
    }
    call->finished.wait(
        lock, [&] { return call->state == CallState::Done || call->state == CallState::Dropped; });
    if (call->state != CallState::Done)
        return false;
    if (result)
        *result = call->result;
    return true;
}

bool post(void* handle, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    std::unique_lock<std::mutex> lock(registry().mutex);
    const std::shared_ptr<TargetRecord> record = findLocked(handle);
    if (!record)
        return false;
    return queueLocked(record, std::make_shared<PendingCall>(msg, wParam, lParam));
}

} // namespace message_detail
