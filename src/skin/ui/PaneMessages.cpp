#include "PaneMessages.h"

#include "MessageTarget.h"

#include <QWidget>

MessageTarget* findMessageTarget(QWidget* from) {
    for (QWidget* w = from; w; w = w->parentWidget())
        if (auto* target = dynamic_cast<MessageTarget*>(w))
            return target;
    return nullptr;
}

intptr_t sendToOwner(QWidget* self, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    MessageTarget* target = findMessageTarget(self ? self->parentWidget() : nullptr);
    return target ? sendMessage(target, msg, wParam, lParam) : 0;
}
