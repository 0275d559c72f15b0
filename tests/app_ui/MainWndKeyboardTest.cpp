// The main window and its dialogs driven by the keyboard alone: the Tab order through panes,
// their items and the real controls, the list's keys, Enter and Escape in the dialogs, and the
// shortcuts the menus show.
#include "AppUiTestSupport.h"

#include "CommandIds.h"
#include "MovaraMenus.h"

#include "CActionWnd.h"
#include "CFileListWnd.h"
#include "CFileRenameDlg.h"
#include "CFitSizeDlg.h"
#include "CMenuEx.h"
#include "CPlayCtrlWnd.h"
#include "CSavetoWnd.h"
#include "CToolWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CVideoEditDlg.h"
#include "CVideoEditPage.h"

#include <QMenu>
#include <QTest>

#include <set>

namespace {

// Where the keyboard focus stands: the focused window and, in a pane, its focused item's id.
struct Stop {
    QWidget* widget = nullptr;
    int item = -1;
    bool operator==(const Stop&) const = default;
};

Stop focusStop() {
    QWidget* widget = QApplication::focusWidget();
    const auto* pane = dynamic_cast<const CBaseWnd*>(widget);
    const PaneItem* item = pane ? pane->FocusedItem() : nullptr;
    return {widget, item ? item->id : -1};
}

// A key to the focused control. The offscreen platform does not give the focus back to the
// window a modal dialog left; the window manager does.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    if (!QApplication::focusWidget())
        for (QWidget* top : QApplication::topLevelWidgets())
            if (dynamic_cast<CMovaraDlg*>(top) && top->isVisible())
                QApplication::setActiveWindow(top);
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, key, modifiers);
}

// The dialog's result after `key` reaches its focused control (-1: it stayed open).
int resultAfterKey(QDialog& dialog, Qt::Key key) {
    int result = -1;
    QObject::connect(&dialog, &QDialog::finished, [&result](int r) { result = r; });
    onNextModal([key](QWidget& shown) {
        QWidget* target = shown.focusWidget() ? shown.focusWidget() : &shown;
        QTest::keyClick(target, key);
        if (shown.isVisible())
            static_cast<QDialog&>(shown).done(-2);
    });
    dialog.exec();
    return result == -2 ? -1 : result;
}

std::set<int> tickedRows(const CFileListWnd* list) {
    std::set<int> rows;
    for (int i = 0; i < list->Count(); ++i)
        if (list->MediaAt(i)->hasState(kItemChecked))
            rows.insert(i);
    return rows;
}

class MainWndKeyboard : public MainWindowTest {
protected:
    void OpenActiveWindow(int items) {
        OpenWindow();
        AddItems(items);
        QApplication::setActiveWindow(dlg.get());
        dlg->FileList()->setFocus(Qt::OtherFocusReason);
    }
};

} // namespace

TEST_F(MainWndKeyboard, TabWalksEveryControlInOrderAndShiftTabWalksBack) {
    OpenActiveWindow(2);
    std::vector<Stop> forward{focusStop()};
    for (int i = 0; i < 60; ++i) {
        press(Qt::Key_Tab);
        if (focusStop() == forward.front())
            break;
        forward.push_back(focusStop());
    }
    ASSERT_EQ(focusStop(), forward.front()) << "Tab comes round to the list";

    // The windows in the order they are reached, each once.
    std::vector<QWidget*> windows;
    for (const Stop& stop : forward)
        if (windows.empty() || windows.back() != stop.widget)
            windows.push_back(stop.widget);
    const std::vector<QWidget*> expected{
        dlg->FileList(),       dlg->PlayControl(), dlg->CategoryCombo(), dlg->ProfileCombo(),
        dlg->OutputPathEdit(), dlg->SavetoPane(),  dlg->ActionPane(),    dlg->ToolBar()};
    EXPECT_EQ(windows, expected);
    // Pane items are stops of their own: both action buttons, the play button, the tool bar.
    auto reached = [&forward](QWidget* pane, int item) {
        return std::find(forward.begin(), forward.end(), Stop{pane, item}) != forward.end();
    };
    EXPECT_TRUE(reached(dlg->ActionPane(), CActionWnd::kMerge));
    EXPECT_TRUE(reached(dlg->ActionPane(), CActionWnd::kStart));
    EXPECT_TRUE(reached(dlg->PlayControl(), CPlayCtrlWnd::kPlay));
    EXPECT_FALSE(reached(dlg->PlayControl(), CPlayCtrlWnd::kStop)) << "disabled items are skipped";
    for (int tool : {CToolWnd::kAddMedia, CToolWnd::kRemove, CToolWnd::kShutdown})
        EXPECT_TRUE(reached(dlg->ToolBar(), tool)) << tool;

    std::vector<Stop> backward;
    for (size_t i = 0; i < forward.size(); ++i) {
        press(Qt::Key_Backtab);
        backward.push_back(focusStop());
    }
    std::vector<Stop> reversed(forward.rbegin(), forward.rend() - 1);
    reversed.push_back(forward.front());
    EXPECT_EQ(backward, reversed);

    // Space on a focused pane button acts as a click: the shutdown box ticks.
    dlg->ToolBar()->setFocus(Qt::TabFocusReason);
    dlg->ToolBar()->SetFocusedItem(CToolWnd::kShutdown);
    press(Qt::Key_Space);
    EXPECT_TRUE(itemChecked(dlg->ToolBar(), CToolWnd::kShutdown));
}

TEST_F(MainWndKeyboard, ListKeysMoveTheFocusTickAndRemove) {
    struct Case {
        const char* name;
        std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys;
        int focus;
        std::set<int> ticked;
        int count;
    };
    constexpr Qt::KeyboardModifiers none = Qt::NoModifier;
    const Case cases[] = {
        {"down", {{Qt::Key_Down, none}}, 1, {}, 6},
        {"down down up",
         {{Qt::Key_Down, none}, {Qt::Key_Down, none}, {Qt::Key_Up, none}},
         1,
         {},
         6},
        {"up at the top stays", {{Qt::Key_Up, none}}, 0, {}, 6},
        {"end", {{Qt::Key_End, none}}, 5, {}, 6},
        {"end home", {{Qt::Key_End, none}, {Qt::Key_Home, none}}, 0, {}, 6},
        {"page down stops at the last row", {{Qt::Key_PageDown, none}}, 5, {}, 6},
        {"page up", {{Qt::Key_End, none}, {Qt::Key_PageUp, none}}, 0, {}, 6},
        {"shift ticks the rows passed",
         {{Qt::Key_Down, Qt::ShiftModifier}, {Qt::Key_Down, Qt::ShiftModifier}},
         2,
         {0, 1, 2},
         6},
        {"space ticks", {{Qt::Key_Down, none}, {Qt::Key_Space, none}}, 1, {1}, 6},
        {"space twice unticks", {{Qt::Key_Space, none}, {Qt::Key_Space, none}}, 0, {}, 6},
        {"delete removes the focused row", {{Qt::Key_End, none}, {Qt::Key_Delete, none}}, 4, {}, 5},
    };
    OpenActiveWindow(6);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        while (dlg->FileList()->Count() < 6)
            AddItems(1);
        dlg->FileList()->setFocus(Qt::OtherFocusReason);
        press(Qt::Key_Home);
        press(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier); // unselect all
        ASSERT_EQ(tickedRows(dlg->FileList()), std::set<int>{});
        for (const auto& [key, modifiers] : c.keys)
            press(key, modifiers);
        EXPECT_EQ(dlg->FileList()->FocusedIndex(), c.focus);
        EXPECT_EQ(tickedRows(dlg->FileList()), c.ticked);
        EXPECT_EQ(dlg->FileList()->Count(), c.count);
    }

    // The Menu key opens the context menu below the focused row, Ctrl+A ticks every row.
    press(Qt::Key_Home);
    press(Qt::Key_Down);
    QPoint menuAt;
    auto seen = onNextPopup([&menuAt](QMenu& menu) { menuAt = menu.pos(); });
    press(Qt::Key_Menu);
    ASSERT_TRUE(*seen);
    const QRect row = dlg->FileList()->RowRect(1);
    EXPECT_EQ(menuAt.y(), dlg->FileList()->mapToGlobal(row.bottomLeft()).y() + 1);
    press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(static_cast<int>(tickedRows(dlg->FileList()).size()), dlg->FileList()->Count());
}

TEST_F(MainWndKeyboard, MenusShowTheShortcutsAndTheShortcutsAct) {
    OpenActiveWindow(1);
    for (const CommandShortcut& shortcut : commandShortcuts()) {
        const QAction* action = dlg->Menu(kMenuMain)->FindCommand(shortcut.command);
        ASSERT_NE(action, nullptr) << shortcut.command;
        EXPECT_EQ(action->shortcut(), shortcut.keys) << shortcut.command;
    }
    EXPECT_EQ(dlg->Menu(kMenuList)->FindCommand(kCmdRemove)->shortcut(),
              QKeySequence(Qt::Key_Delete));

    // Ctrl+O asks for files; those chosen are added.
    const std::string file = env->scratch.filePath("clip.avi").toStdString();
    writeFile(file, "clip");
    env->services.queueOpenFiles({file});
    press(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(env->services.openFilesDialogs().size(), 1u);
    EXPECT_EQ(dlg->FileList()->Count(), 2);
    // Ctrl+Return converts; while it converts Ctrl+O asks for nothing.
    dlg->OutputPathEdit()->setText(env->scratch.path());
    press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(dlg->State(), kStateConverting);
    press(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(env->services.openFilesDialogs().size(), 1u);
    press(Qt::Key_Return, Qt::ControlModifier); // stops
    EXPECT_NE(dlg->State(), kStateConverting);
    // F10 opens the main menu.
    auto seen = onNextPopup([](QMenu&) {});
    press(Qt::Key_F10);
    EXPECT_TRUE(*seen);
}

TEST_F(MainWndKeyboard, EnterPressesTheDefaultButtonAndEscapeCancels) {
    OpenActiveWindow(1);
    VelSettings renameSettings;
    const std::string existing = env->scratch.filePath("taken.mp4").toStdString();
    writeFile(existing, "taken");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        SCOPED_TRACE(key == Qt::Key_Return ? "Enter" : "Escape");
        const int expected = key == Qt::Key_Return ? 1 : 0;
        CFitSizeDlg fit(0, dlg.get());
        EXPECT_EQ(resultAfterKey(fit, key), expected) << "Fit to size";
        CFileRenameDlg rename(existing, renameSettings, dlg.get());
        rename.NameEdit()->setText(QStringLiteral("free"));
        EXPECT_EQ(resultAfterKey(rename, key) == IDOK, key == Qt::Key_Return) << "Rename";
    }
    // The modeless Video Edit dialog hides on Escape pressed in its page, which stays whole;
    // the main window stays on it.
    dlg->OnCommand(kCmdVideoEdit);
    CVideoEditDlg* edit = dlg->EditDialog();
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(edit->isVisible());
    CVideoEditPage* page = edit->PageAt(edit->ShownPage());
    ASSERT_NE(page, nullptr);
    QTest::keyClick(page, Qt::Key_Escape);
    EXPECT_FALSE(edit->isVisible());
    dlg->OnCommand(kCmdVideoEdit);
    EXPECT_TRUE(edit->isVisible());
    EXPECT_TRUE(page->isVisible());
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible());
}
