#include "CVelEdit.h"

#include "PaneMessages.h"
#include "SkinUiTypes.h"
#include "VirtualKey.h"

#include <QKeyEvent>
#include <QPointer>

CVelEdit::CVelEdit(QWidget* parent, int controlId) : QLineEdit(parent), m_controlId(controlId) {}

void CVelEdit::keyPressEvent(QKeyEvent* event) {
    const int vk = virtualKeyFromQt(event->key(), event->modifiers() & Qt::KeypadModifier);
    // The owner may act on the key (even close its dialog); only go on while this box lives.
    QPointer<CVelEdit> self(this);
    sendToOwner(this, kMsgEditKeyDown, static_cast<uintptr_t>(m_controlId), vk);
    if (self)
        QLineEdit::keyPressEvent(event);
}
