// What the codec engine needs from the program that hosts it: a way to hand a numbered
// message to one of the host's windows. The engine has no user-interface library of its own;
// it knows a window only as an opaque handle.
#ifndef VELHOST_H
#define VELHOST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* VeldesWindow;

// Sends `msg` to the window and waits until its handler has run; returns the handler's
// result, or 0 when the handle names no live window. Safe to call from any thread.
intptr_t VelSendMessage(VeldesWindow window, unsigned int msg, uintptr_t wParam, intptr_t lParam);

#ifdef __cplusplus
}
#endif

#endif
