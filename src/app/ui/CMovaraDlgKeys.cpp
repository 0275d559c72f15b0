// The main window from the keyboard: the window-wide shortcuts of the common commands, F10 or
// Alt pressed and released alone for the main menu, Ctrl+Enter to convert, and the Tab order of
// its panes and controls.
#include "CMovaraDlg.h"

#include "CommandIds.h"
#include "MovaraMenus.h"

#include "CActionWnd.h"
#include "CFileListWnd.h"
#include "CPlayCtrlWnd.h"
#include "CSavetoWnd.h"
#include "CToolWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>

#include <functional>

namespace {

// Alt pressed and released with nothing else between, in the window: its main menu opens, as
// in desktop programs with a menu bar. A press of another key or a button, or the window losing
// the focus (Alt+Tab to another window), spoils it.
class AltAloneWatch : public QObject {
public:
    AltAloneWatch(QWidget* window, std::function<void()> open)
        : QObject(window), m_window(window), m_open(std::move(open)) {
        qApp->installEventFilter(this);
    }
    ~AltAloneWatch() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->isAutoRepeat())
                break;
            m_armed = key->key() == Qt::Key_Alt &&
                      !(key->modifiers() & ~(Qt::AltModifier | Qt::KeypadModifier)) &&
                      inWindow(watched);
            break;
        }
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->isAutoRepeat() || !m_armed)
                break;
            m_armed = false;
            if (key->key() == Qt::Key_Alt && inWindow(watched))
                // After the release has been handled: the menu's own loop takes the keys then.
                QMetaObject::invokeMethod(
                    this, [this] { m_open(); }, Qt::QueuedConnection);
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::WindowDeactivate:
        case QEvent::FocusOut:
        case QEvent::Wheel:
            m_armed = false;
            break;
        default:
            break;
        }
        return false;
    }

private:
    bool inWindow(QObject* watched) const {
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget && m_window && widget->window() == m_window && m_window->isActiveWindow();
    }

    QPointer<QWidget> m_window;
    std::function<void()> m_open;
    bool m_armed = false;
};

QAction* addShortcut(QWidget& window, const QKeySequence& keys) {
    auto* action = new QAction(&window);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    window.addAction(action);
    return action;
}

} // namespace

void CMovaraDlg::SetUpKeyboard() {
    for (const CommandShortcut& shortcut : commandShortcuts()) {
        const int command = shortcut.command;
        // A shortcut does what its menu item does, and nothing while the item is greyed.
        connect(addShortcut(*this, shortcut.keys), &QAction::triggered, this, [this, command] {
            if (IsCommandEnabled(command) && isCommandAvailable(command))
                OnCommand(command);
        });
    }
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
        connect(addShortcut(*this, keys), &QAction::triggered, this, [this] {
            if (m_actionPane && !(m_actionPane->ItemState(CActionWnd::kStart) & kStateDisabled))
                OnActionClick(CActionWnd::kStart);
            ListChanged();
        });
    connect(addShortcut(*this, QKeySequence(Qt::Key_F10)), &QAction::triggered, this,
            [this] { OnMenuButton(); });
    new AltAloneWatch(this, [this] {
        if (isVisible() && !QApplication::activeModalWidget() && !QApplication::activePopupWidget())
            OnMenuButton();
    });
    // The order below is the window's own (the list first); dialogs follow their layout.
    SetVisualTabOrder(false);

    // The list first, then the preview, the profile and output choices and the buttons.
    const std::vector<QWidget*> chain{m_fileList,   m_playControl, m_categoryCombo, m_profileCombo,
                                      m_outputPath, m_savetoPane,  m_actionPane,    m_toolBar};
    for (size_t i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);
    m_fileList->setFocus(Qt::OtherFocusReason);
}

void CMovaraDlg::OnEscapeKey() {
    // The main window stays open on Escape; it ends through Exit or its close box.
}
