#include "MessageTarget.h"

#include "MessageCore.h"

#include <QThread>

namespace {

intptr_t deliverToTarget(void* context, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    return static_cast<MessageTarget*>(context)->onMessage(msg, wParam, lParam);
}

} // namespace

MessageTarget::MessageTarget()
    : m_record(message_detail::openTarget(QThread::currentThread(), deliverToTarget, this)),
      m_handle(message_detail::handleOf(*m_record)) {}

MessageTarget::~MessageTarget() {
    message_detail::closeTarget(m_record);
}

bool MessageTarget::isOwnThread() const {
    return message_detail::isOwnThread(*m_record);
}

void MessageTarget::stopMessages() {
    message_detail::closeTarget(m_record);
}

intptr_t sendMessage(void* handle, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    intptr_t result = 0;
    message_detail::send(handle, msg, wParam, lParam, -1, &result);
    return result;
}

intptr_t sendMessage(MessageTarget* target, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    return target ? sendMessage(target->handle(), msg, wParam, lParam) : 0;
}

bool sendMessageTimeout(void* handle, unsigned msg, uintptr_t wParam, intptr_t lParam, int ms,
                        intptr_t* result) {
    return message_detail::send(handle, msg, wParam, lParam, ms < 0 ? 0 : ms, result);
}

bool sendMessageTimeout(MessageTarget* target, unsigned msg, uintptr_t wParam, intptr_t lParam,
                        int ms, intptr_t* result) {
    if (!target) {
        if (result)
            *result = 0;
        return false;
    }
    return sendMessageTimeout(target->handle(), msg, wParam, lParam, ms, result);
}

bool postMessage(void* handle, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    return message_detail::post(handle, msg, wParam, lParam);
}

bool postMessage(MessageTarget* target, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    return target && postMessage(target->handle(), msg, wParam, lParam);
}
