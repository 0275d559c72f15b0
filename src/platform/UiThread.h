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

// As runOnUiThread, but a caller on another thread gives up while the work has not started on
// the user-interface thread and `withdrawn` turns true (checked every few milliseconds): the
// work is then never run and `answer` is returned. So a thread waiting for a question to be asked
// can be released by whoever ends it, even while the user-interface thread itself waits.
intptr_t runOnUiThreadUnless(const std::function<intptr_t()>& work,
                             const std::function<bool()>& withdrawn, intptr_t answer);

#endif
