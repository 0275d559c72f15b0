// What the main window keeps a person from losing or mistaking: the quit question's safe
// default and its end with the conversion, the sleep inhibitor let go while only the person is
// waited for, list commands greyed on an empty list, no stale tooltip over the action buttons;
// and the whole way from a file to its output folder with the keyboard alone.
#include "AppUiTestSupport.h"

#include "CommandIds.h"
#include "QuitQuestion.h"

#include "CActionWnd.h"
#include "CFileListWnd.h"
#include "CFileRenameDlg.h"
#include "CFitSizeDlg.h"
#include "CMenuEx.h"
#include "CSavetoWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CXInfoTip.h"
#include "DesktopBuses.h"
#include "FakeDesktopBus.h"
#include "MessageTarget.h"
#include "QtDialogSupport.h"

#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {

// The platform's own message box (as the program shows it), the rest scripted.
class RealBoxServices : public FakePlatformServices {
protected:
    int doMessageBox(const std::string& text, const std::string& caption, unsigned buttons,
                     unsigned icon) override {
        QMessageBox box;
        platform::setUpMessageBox(box, text, caption, buttons, icon);
        box.exec();
        return platform::classicAnswer(box.standardButton(box.clickedButton()), buttons);
    }
};

class MainWndKeeps : public MainWindowTest {
protected:
    void OpenWithItems(int count) {
        OpenWindow();
        for (int i = 0; i < count; ++i) {
            const std::string path =
                env->scratch.filePath("clip" + QString::number(i) + ".avi").toStdString();
            writeFile(path, "source");
            AddItem(path);
        }
        dlg->OutputPathEdit()->setText(env->scratch.path());
    }
    void SendConversionOver() {
        VelNotification note{kNotifyConversionOver, nullptr};
        sendMessage(dlg->handle(), kMsgConvertNotify, 0, reinterpret_cast<intptr_t>(&note));
    }
    // Services that show real message boxes, with the folders of the test's environment.
    void UseRealBoxes() {
        real.setWritableFolder(env->writable);
        real.setDocumentsFolder(env->documents);
        real.setExecutableFolder(env->writable);
        real.setDataFolder(builtDataFolder());
        installed = std::make_unique<ScopedPlatformServices>(real);
    }
    void TearDown() override {
        dlg.reset();
        installed.reset();
        MainWindowTest::TearDown();
    }
    RealBoxServices real;
    std::unique_ptr<ScopedPlatformServices> installed;
};

TEST_F(MainWndKeeps, TheQuitQuestionDefaultsToNoAndGoesWhenTheConversionEnds) {
    OpenWithItems(1);
    UseRealBoxes();
    QApplication::setActiveWindow(dlg.get());
    clickItem(dlg->ActionPane(), CActionWnd::kStart);
    ASSERT_EQ(dlg->State(), kStateConverting);

    // Enter on the question keeps converting: "No" is the default button.
    QString text;
    bool noIsDefault = false;
    onNextModal([&](QWidget& shown) {
        auto* box = qobject_cast<QMessageBox*>(&shown);
        ASSERT_NE(box, nullptr);
        text = box->text();
        noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Return);
    });
    dlg->OnCommand(kCmdExit);
    EXPECT_EQ(text.toStdString(), QuitQuestion::kText);
    EXPECT_TRUE(noIsDefault);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->State(), kStateConverting);

    // The conversion ends while the question is up: it closes itself, and the window stays
    // with the finished list; quitting now asks nothing.
    bool closedItself = false;
    onNextModal([&](QWidget& shown) {
        QPointer<QWidget> box(&shown);
        SendConversionOver();
        closedItself = waitUntil([&] { return !box || !box->isVisible(); }, 2000);
        if (box && box->isVisible())
            static_cast<QMessageBox*>(box.data())->button(QMessageBox::Yes)->click();
    });
    dlg->OnCommand(kCmdExit);
    EXPECT_TRUE(closedItself);
    EXPECT_EQ(dlg->State(), kStateIdle);
    EXPECT_TRUE(dlg->isVisible());
    dlg->OnCommand(kCmdExit);
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(MainWndKeeps, AnAnswerAfterTheConversionEndedUnderTheQuestionDoesNotQuit) {
    // The scripted box answers Yes after the end arrived: the question was withdrawn.
    OpenWithItems(1);
    clickItem(dlg->ActionPane(), CActionWnd::kStart);
    env->services.queueMessageBoxAnswer(IDYES);
    env->services.onMessageBox(
        [this](const FakePlatformServices::MessageBoxCall&) { SendConversionOver(); });
    dlg->OnCommand(kCmdExit);
    env->services.onMessageBox({});
    ASSERT_EQ(env->services.messageBoxes().size(), 1u);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->State(), kStateIdle);
}

TEST_F(MainWndKeeps, TheSleepInhibitorIsLetGoWhileTheRenameQuestionWaits) {
    FakeDesktopBus* bus = FakeDesktopBus::instance();
    ASSERT_TRUE(bus);
    platform::setBusAddresses(bus->sessionAddress(), bus->systemAddress());
    env->services.useDesktopBuses(true);
    bus->offer(FakeDesktopBus::Logind);
    OpenWithItems(1);
    settings.optionFlags = (settings.optionFlags & ~(kOptionOverwrite | kOptionSkip)) |
                           kOptionRename | kOptionShowRenameDialog;
    const std::string ext = dlg->FileList()->MediaAt(0)->outputExtension();
    writeFile(env->scratch.filePath("clip0.").toStdString() + ext, "old");
    int heldWhileAsking = -1;
    bool seen = false;
    onNextModal([&](QWidget& modal) {
        auto* rename = dynamic_cast<CFileRenameDlg*>(&modal);
        ASSERT_NE(rename, nullptr);
        seen = true;
        waitUntil([&] { return bus->inhibitionsHeld() == 0; }, 2000);
        heldWhileAsking = bus->inhibitionsHeld();
        clickItem(rename->Pane(), CFileRenameDlg::kAuto);
    });
    clickItem(dlg->ActionPane(), CActionWnd::kStart);
    ASSERT_TRUE(waitUntil([&] { return seen; }));
    EXPECT_EQ(heldWhileAsking, 0) << "the computer may sleep while the person is asked";
    ASSERT_EQ(dlg->State(), kStateConverting);
    EXPECT_TRUE(waitUntil([&] { return bus->inhibitionsHeld() == 1; }, 2000))
        << "kept awake again once the conversion goes on";
    clickItem(dlg->ActionPane(), CActionWnd::kStart);
    EXPECT_TRUE(waitUntil([&] { return bus->inhibitionsHeld() == 0; }, 2000));
    env->services.useDesktopBuses(false);
}

TEST_F(MainWndKeeps, ClearAndTheSelectionCommandsAreGreyedOnAnEmptyList) {
    OpenWindow();
    const CMenuEx* main = dlg->Menu(kMenuMain);
    for (int command : {kCmdClear, kCmdSelectAll, kCmdUnselectAll}) {
        EXPECT_FALSE(menuEnabled(main, command)) << command;
        EXPECT_FALSE(dlg->IsCommandEnabled(command)) << command;
    }
    dlg->PrepareListMenu(-1);
    for (int command : {kCmdClear, kCmdSelectAll, kCmdUnselectAll})
        EXPECT_FALSE(menuEnabled(dlg->Menu(kMenuList), command)) << command;
    EXPECT_TRUE(menuEnabled(dlg->Menu(kMenuList), kCmdAddFile));

    AddItems(2);
    for (int command : {kCmdClear, kCmdSelectAll, kCmdUnselectAll})
        EXPECT_TRUE(menuEnabled(main, command)) << command;
    dlg->PrepareListMenu(-1);
    EXPECT_TRUE(menuEnabled(dlg->Menu(kMenuList), kCmdClear));

    // Removing the last item greys them again; Ctrl+A then ticks nothing.
    ClickRow(0);
    dlg->OnCommand(kCmdRemove);
    dlg->OnCommand(kCmdRemove);
    ASSERT_EQ(dlg->FileList()->Count(), 0);
    for (int command : {kCmdClear, kCmdSelectAll, kCmdUnselectAll})
        EXPECT_FALSE(menuEnabled(main, command)) << command;
}

TEST_F(MainWndKeeps, TheActionButtonsBalloonNeverShowsTheCommandItHad) {
    OpenWithItems(1);
    CActionWnd* pane = dlg->ActionPane();
    clickItem(pane, CActionWnd::kStart);
    ASSERT_EQ(dlg->State(), kStateConverting);
    // The pointer rests on the button: its balloon says what a click does now.
    const QPoint centre = pane->FindItem(CActionWnd::kStart)->rect().toQRect().center();
    QTest::mouseMove(pane, centre);
    QTest::mouseMove(pane, centre + QPoint(1, 0));
    CXInfoTip* tip = pane->Tooltip();
    ASSERT_NE(tip, nullptr);
    ASSERT_TRUE(waitUntil([&] { return tip->isVisible(); }, 4000));
    EXPECT_EQ(tip->Text().toStdString(), "Stop conversion");
    SendConversionOver();
    ASSERT_EQ(dlg->State(), kStateIdle);
    ASSERT_TRUE(tip->isVisible() || tip->IsPending()) << "the pointer has not moved";
    EXPECT_EQ(tip->Text().toStdString(), "Start conversion");
}

TEST_F(MainWndKeeps, AltPressedAndReleasedAloneOpensTheMainMenu) {
    OpenWithItems(1);
    QApplication::setActiveWindow(dlg.get());
    dlg->FileList()->setFocus(Qt::OtherFocusReason);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QStringList titles;
    auto seen = onNextPopup([&titles](QMenu& menu) {
        for (QAction* action : menu.actions())
            titles << action->text();
    });
    QTest::keyClick(focus, Qt::Key_Alt);
    ASSERT_TRUE(waitUntil([&] { return *seen; }, 2000));
    EXPECT_EQ(titles, (QStringList{"File", "Edit", "Help"}));

    // Alt held for another key (or let go over another window) opens nothing.
    auto none = onNextPopup([](QMenu&) {}, 400);
    QTest::keyPress(focus, Qt::Key_Alt);
    QTest::keyClick(focus, Qt::Key_D, Qt::AltModifier);
    QTest::keyRelease(focus, Qt::Key_Alt);
    QTest::qWait(500);
    EXPECT_FALSE(*none);
}

// Ctrl+O adds a file, Tab reaches the profile combo and Down picks the next profile, the Menu
// key's "Fit to size..." takes a size typed and Enter, Ctrl+Return converts, and Tab then the
// arrows reach "Open", which Space presses: the output folder opens.
TEST_F(MainWndKeeps, AFileGoesToItsOutputFolderWithTheKeyboardAlone) {
    fake.setAutoRun(FakeAutoRun::Complete);
    OpenWindow();
    dlg->OutputPathEdit()->setText(env->scratch.path());
    QApplication::setActiveWindow(dlg.get());
    dlg->FileList()->setFocus(Qt::OtherFocusReason);
    // The offscreen platform does not give the focus back to the window a modal dialog left;
    // a window manager does.
    auto key = [this](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        if (!QApplication::focusWidget())
            QApplication::setActiveWindow(dlg.get());
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, k, m);
    };

    const std::string file = env->scratch.filePath("holiday.avi").toStdString();
    writeFile(file, "clip");
    env->services.queueOpenFiles({file});
    key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dlg->FileList()->Count(), 1);
    MediaItem* item = dlg->FileList()->MediaAt(0);

    for (int i = 0; i < 12 && QApplication::focusWidget() != dlg->ProfileCombo(); ++i)
        key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), dlg->ProfileCombo());
    const int before = dlg->ProfileCombo()->currentIndex();
    key(Qt::Key_Down);
    ASSERT_NE(dlg->ProfileCombo()->currentIndex(), before);
    EXPECT_EQ(item->profile, dlg->SelectedProfile()) << "the item takes the profile picked";

    // Back to the list (Shift+Tab), its context menu, its last entry.
    for (int i = 0; i < 12 && QApplication::focusWidget() != dlg->FileList(); ++i)
        key(Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), dlg->FileList());
    onNextModal([](QWidget& shown) {
        auto* fit = dynamic_cast<CFitSizeDlg*>(&shown);
        ASSERT_NE(fit, nullptr);
        // The dialog opens with its size box taking the keys.
        QWidget* typing = fit->focusWidget();
        EXPECT_EQ(typing, fit->SizeEdit());
        if (typing != fit->SizeEdit()) {
            fit->reject();
            return;
        }
        fit->SizeEdit()->selectAll();
        QTest::keyClicks(typing, "10");
        QTest::keyClick(typing, Qt::Key_Return);
    });
    auto menuSeen = onNextPopup([](QMenu& menu) {
        // Up from the bottom, past the item's track choices.
        for (int i = 0; i < menu.actions().size(); ++i) {
            QTest::keyClick(&menu, Qt::Key_Up);
            if (menu.activeAction() && menu.activeAction()->text() == "Fit to size...")
                break;
        }
        ASSERT_NE(menu.activeAction(), nullptr);
        EXPECT_EQ(menu.activeAction()->text().toStdString(), "Fit to size...");
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    key(Qt::Key_Menu);
    ASSERT_TRUE(*menuSeen);
    EXPECT_GT(item->targetSize, 0) << "a size limit was set";

    key(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return dlg->State() == kStateIdle; }, 5000));
    EXPECT_EQ(item->stateText(), "Finish");

    // "Open" of the save-to pane: Tab to the pane, arrows to the button, Space.
    for (int i = 0; i < 12 && QApplication::focusWidget() != dlg->SavetoPane(); ++i)
        key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), dlg->SavetoPane());
    for (int i = 0; i < 12; ++i) {
        const PaneItem* on = dlg->SavetoPane()->FocusedItem();
        if (on && on->caption == QLatin1String("Open"))
            break;
        key(Qt::Key_Right);
    }
    ASSERT_NE(dlg->SavetoPane()->FocusedItem(), nullptr);
    ASSERT_EQ(dlg->SavetoPane()->FocusedItem()->caption.toStdString(), "Open");
    key(Qt::Key_Space);
    const auto opened = env->services.openedDocuments();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], env->scratch.path().toStdString());
}

} // namespace
