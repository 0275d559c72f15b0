// The main window from the keyboard: the window-wide shortcuts of the common commands, F10 for
// the main menu, Ctrl+Enter to convert, and the Tab order of its panes and controls.
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
#include <QKeyEvent>

namespace {

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
