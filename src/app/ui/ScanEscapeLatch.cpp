#include "ScanEscapeLatch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace {

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
        return true;
    default:
        return false;
    }
}

} // namespace

ScanEscapeLatch::ScanEscapeLatch(QWidget* window)
    : m_window(window), m_modalAtStart(QApplication::activeModalWidget()) {
    QCoreApplication::instance()->installEventFilter(this);
}

ScanEscapeLatch::~ScanEscapeLatch() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool ScanEscapeLatch::belongsToNewModal(QObject* watched) const {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == m_modalAtStart)
        return false;
    if (auto* widget = qobject_cast<QWidget*>(watched))
        return widget->window() == modal;
    if (auto* window = qobject_cast<QWindow*>(watched))
        return window == modal->windowHandle();
    return false;
}

bool ScanEscapeLatch::eventFilter(QObject* watched, QEvent* event) {
    // Closed by its button or the window manager, or ended by the program (a termination
    // request hides it); a spontaneous hide is only a minimised window.
    if (watched == m_window && (event->type() == QEvent::Close ||
                                (event->type() == QEvent::Hide && !event->spontaneous()))) {
        m_closed = true;
        return false;
    }
    if (!isUserInput(event->type()) || belongsToNewModal(watched))
        return false;
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        m_escape = true;
    return true;
}
