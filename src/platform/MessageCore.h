// Inside the message layer: the registry of live targets and the queued calls between threads.
// Not part of the public interface; MessageTarget and the UI thread bridge are built on it.
#ifndef MESSAGECORE_H
#define MESSAGECORE_H

#include <cstdint>
#include <memory>

class QThread;

namespace message_detail {

struct TargetRecord;

// What a target does with a call; `context` is the value given to openTarget.
using Handler = intptr_t (*)(void* context, unsigned msg, uintptr_t wParam, intptr_t lParam);

// Registers a target whose handler runs on `thread` (created from any thread). The returned record
// stays valid as long as it is held; the handle it carries is never reused.
std::shared_ptr<TargetRecord> openTarget(QThread* thread, Handler handler, void* context);

// Withdraws every queued call (their senders return at once), unregisters the handle, waits for a
// handler running on another thread, and releases the Qt side. Safe to call more than once.
void closeTarget(const std::shared_ptr<TargetRecord>& record);

void* handleOf(const TargetRecord& record);
bool isOwnThread(const TargetRecord& record);

// timeoutMs < 0 waits without limit. Returns whether the handler ran; *result gets its value or 0.
bool send(void* handle, unsigned msg, uintptr_t wParam, intptr_t lParam, int timeoutMs,
          intptr_t* result);
bool post(void* handle, unsigned msg, uintptr_t wParam, intptr_t lParam);

} // namespace message_detail

#endif
