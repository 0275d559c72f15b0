// The message layer: numbered messages handed between threads the way windows of the classic
// desktop receive them. A target belongs to the thread that created it and its handler only ever
// runs there; other threads reach it by sending (and waiting) or posting (and going on).
#ifndef MESSAGETARGET_H
#define MESSAGETARGET_H

#include <cstdint>
#include <memory>

namespace message_detail {
struct TargetRecord;
}

class MessageTarget {
public:
    MessageTarget();
    virtual ~MessageTarget();

    MessageTarget(const MessageTarget&) = delete;
    MessageTarget& operator=(const MessageTarget&) = delete;

    // Runs on the target's own thread, for sent and posted messages alike.
    virtual intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) = 0;

    // An opaque name for this target, never reused in this process. Other threads (and the codec
    // engine) may hold it after the target is gone: messages to a stale handle are dropped.
    void* handle() const { return m_handle; }

    // True when the caller runs on the thread this target belongs to.
    bool isOwnThread() const;

protected:
    // Stops accepting messages: queued calls are withdrawn and their senders return 0 at once.
    // The base destructor does this too; a derived class whose handler uses its own members calls
    // it first thing in its destructor, before those members are gone.
    void stopMessages();

private:
    std::shared_ptr<message_detail::TargetRecord> m_record;
    void* m_handle;
};

// Same thread: a direct call of the handler. Another thread: the call is queued to the target's
// thread and the caller blocks until the handler has run there. Returns the handler's result, or
// 0 when the target is gone (or goes away before handling the call).
intptr_t sendMessage(MessageTarget* target, unsigned msg, uintptr_t wParam = 0,
                     intptr_t lParam = 0);
intptr_t sendMessage(void* handle, unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0);

// As sendMessage, but when the handler has not started within `ms` milliseconds the call is
// withdrawn and never handled later; false means "not delivered" (*result is then 0). Once the
// handler has started, the caller waits for it to finish, so whatever lParam points at stays in
// use only while the caller waits.
bool sendMessageTimeout(MessageTarget* target, unsigned msg, uintptr_t wParam, intptr_t lParam,
                        int ms, intptr_t* result);
bool sendMessageTimeout(void* handle, unsigned msg, uintptr_t wParam, intptr_t lParam, int ms,
                        intptr_t* result);

// Queues the call to the target's thread (also from that thread itself) and returns at once.
// Posted and sent calls to one target are handled in the order they were queued. False when the
// target is gone.
bool postMessage(MessageTarget* target, unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0);
bool postMessage(void* handle, unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0);

#endif
