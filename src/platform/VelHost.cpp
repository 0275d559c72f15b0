// The host side of the codec engine's one way back into the program: its window handles are
// message target handles, so a stale one from an engine thread is simply not delivered.
#include "velhost.h"

#include "MessageTarget.h"

extern "C" intptr_t VelSendMessage(VeldesWindow window, unsigned int msg, uintptr_t wParam,
                                   intptr_t lParam) {
    return sendMessage(static_cast<void*>(window), msg, wParam, lParam);
}
