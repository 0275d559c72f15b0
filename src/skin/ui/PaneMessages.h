// How skinned windows and controls reach the window that owns them through the message layer.
#pragma once

#include <cstdint>

class MessageTarget;
class QWidget;

// The nearest message target among `from` and its parents, or null.
MessageTarget* findMessageTarget(QWidget* from);

// Sends a message to the nearest message target among the parents of `self`; 0 when none.
intptr_t sendToOwner(QWidget* self, unsigned msg, uintptr_t wParam, intptr_t lParam);
