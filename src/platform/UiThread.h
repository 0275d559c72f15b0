// Running a piece of work on the user-interface thread (the thread of the QCoreApplication).
#ifndef UITHREAD_H
#define UITHREAD_H

#include <cstdint>
#include <functional>

// True on the application's thread, and when no application object exists (nothing to marshal to).
bool isUiThread();

// Runs `work` on the user-interface thread and returns its result; a caller on another thread
// blocks until it has run there. Returns 0 without running it when the application ends first.
intptr_t runOnUiThread(const std::function<intptr_t()>& work);

#endif
