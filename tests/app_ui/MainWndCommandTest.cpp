// The main window's commands: what the list's focus and count allow, lock and unlock for a
// conversion, the context menu's greying, the list commands, help, about and exit.
#include "AppUiTestSupport.h"

#include "CVelAboutDlg.h"
#include "CommandIds.h"
#include "MovaraLinks.h"
#include "MovaraMenus.h"
#include "velcodecutil.h"

#include "CActionWnd.h"
#include "CCaptionWnd.h"
#include "CFileListWnd.h"
#include "CMenuEx.h"
#include "CPlayCtrlWnd.h"
#include "CSavetoWnd.h"
#include "CStatusWnd.h"
#include "CToolWnd.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"

#include <QDir>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <map>

using MainWndCommands = MainWindowTest;

namespace {

// The commands lock and unlock touch, and the rest of the menus' commands.
const std::vector<int> kLockedCommands{
    kCmdAddFile,   kCmdAddFolder,   kCmdDuplicate, kCmdRemove,         kCmdClear,
    kCmdMoveUp,    kCmdMoveDown,    kCmdSelectAll, kCmdUnselectAll,    kCmdProfileSetting,
    kCmdVideoEdit, kCmdPreferences, kCmdAddDevice, kCmdScreenRecorder, kCmdFitSize};

std::map<int, bool> commandStates(const CMovaraDlg& dlg) {
    std::map<int, bool> states;
    for (int command : menuCommands())
        states[command] = dlg.IsCommandEnabled(command);
    return states;
}

} // namespace

TEST_F(MainWndCommands, StatesFollowTheFocusedIndexAndCount) {
    OpenWindow();
    struct Case {
        const char* name;
        int count;
        int focus; // row clicked; -1 none
        bool device;
        bool up, down, focused, openFolder;
    };
    const Case cases[] = {
        {"empty list", 0, -1, false, false, false, false, false},
        {"single item", 1, 0, false, false, false, true, true},
        {"first of three", 3, 0, false, false, true, true, true},
        {"middle of three", 3, 1, false, true, true, true, true},
        {"last of three", 3, 2, false, true, false, true, true},
        {"a capture device", 2, 1, true, true, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        env->services.queueMessageBoxAnswer(IDOK);
        dlg->OnCommand(kCmdClear);
        for (int i = 0; i < c.count; ++i)
            AddItem(c.device && i == c.focus ? "fakedev:camera" : "/media/c" + std::to_string(i));
        if (c.focus >= 0)
            ClickRow(c.focus);
        ASSERT_EQ(dlg->FileList()->FocusedIndex(), c.focus);
        CToolWnd* tools = dlg->ToolBar();
        EXPECT_EQ(!itemDisabled(tools, CToolWnd::kMoveUp), c.up);
        EXPECT_EQ(dlg->IsCommandEnabled(kCmdMoveUp), c.up);
        EXPECT_EQ(menuEnabled(dlg->Menu(kMenuMain), kCmdMoveUp), c.up);
        EXPECT_EQ(!itemDisabled(tools, CToolWnd::kMoveDown), c.down);
        EXPECT_EQ(dlg->IsCommandEnabled(kCmdMoveDown), c.down);
        EXPECT_EQ(menuEnabled(dlg->Menu(kMenuMain), kCmdMoveDown), c.down);
        EXPECT_EQ(!itemDisabled(tools, CToolWnd::kRemove), c.focused);
        EXPECT_EQ(!itemDisabled(dlg->PlayControl(), CPlayCtrlWnd::kPlay), c.focused);
        for (int command : {kCmdRemove, kCmdDuplicate, kCmdFileInfo, kCmdVideoEdit, kCmdFitSize})
            EXPECT_EQ(dlg->IsCommandEnabled(command), c.focused) << command;
        EXPECT_EQ(menuEnabled(dlg->Menu(kMenuMain), kCmdRemove), c.focused);
        EXPECT_EQ(dlg->IsCommandEnabled(kCmdOpenFolder), c.openFolder);
        EXPECT_EQ(menuEnabled(dlg->Menu(kMenuMain), kCmdOpenFolder), c.openFolder);
        // A device has no position: the play control's markers are off.
        EXPECT_EQ(dlg->PlayControl()->MarkersActive(), !c.device);
    }
}

TEST_F(MainWndCommands, MovingTheFirstUpOrTheLastDownIsImpossible) {
    OpenWindow();
    AddItems(3);
    MediaItem* first = dlg->FileList()->MediaAt(0);
    MediaItem* last = dlg->FileList()->MediaAt(2);
    ClickRow(0);
    clickItem(dlg->ToolBar(), CToolWnd::kMoveUp); // disabled: nothing under the mouse
    EXPECT_EQ(dlg->FileList()->MediaAt(0), first);
    clickItem(dlg->ToolBar(), CToolWnd::kMoveDown);
    EXPECT_EQ(dlg->FileList()->MediaAt(1), first);
    EXPECT_TRUE(dlg->IsCommandEnabled(kCmdMoveUp));
    ClickRow(2);
    clickItem(dlg->ToolBar(), CToolWnd::kMoveDown);
    EXPECT_EQ(dlg->FileList()->MediaAt(2), last);
    dlg->OnCommand(kCmdMoveUp);
    EXPECT_EQ(dlg->FileList()->MediaAt(1), last);
    EXPECT_EQ(dlg->FileList()->FocusedIndex(), 1);
    EXPECT_TRUE(dlg->IsCommandEnabled(kCmdMoveDown));
}

TEST_F(MainWndCommands, LockAndUnlockChangeExactlyTheirControls) {
    OpenWindow();
    AddItems(2);
    ClickRow(0);
    const std::map<int, bool> before = commandStates(*dlg);

    dlg->LockForConversion();
    EXPECT_TRUE(dlg->FileList()->IsLocked());
    EXPECT_FALSE(dlg->PlayControl()->IsPlayEnabled());
    EXPECT_FALSE(dlg->OutputPathEdit()->isEnabled());
    EXPECT_FALSE(dlg->ProfileCombo()->isEnabled());
    EXPECT_FALSE(dlg->CategoryCombo()->isEnabled());
    for (int id : {4, 6, 3, 7, 2})
        EXPECT_TRUE(itemDisabled(dlg->SavetoPane(), id)) << "save-to " << id;
    EXPECT_FALSE(itemDisabled(dlg->SavetoPane(), 5)); // "Open" stays
    EXPECT_FALSE(itemDisabled(dlg->SavetoPane(), 8));
    for (int id : {1, 3, 4, 5, 6})
        EXPECT_TRUE(itemDisabled(dlg->ToolBar(), id)) << "tool " << id;
    EXPECT_FALSE(itemDisabled(dlg->ToolBar(), CToolWnd::kShutdown));
    std::map<int, bool> expected = before;
    for (int command : kLockedCommands)
        expected[command] = false;
    EXPECT_EQ(commandStates(*dlg), expected);
    for (int command : kLockedCommands)
        EXPECT_FALSE(menuEnabled(dlg->Menu(kMenuMain), command)) << command;

    dlg->Unlock();
    EXPECT_FALSE(dlg->FileList()->IsLocked());
    EXPECT_TRUE(dlg->PlayControl()->IsPlayEnabled());
    EXPECT_TRUE(dlg->OutputPathEdit()->isEnabled());
    EXPECT_TRUE(dlg->ProfileCombo()->isEnabled());
    EXPECT_TRUE(dlg->CategoryCombo()->isEnabled());
    for (int id : {4, 6, 7})
        EXPECT_FALSE(itemDisabled(dlg->SavetoPane(), id)) << "save-to " << id;
    for (int id : {1, 4, 5, 6}) // 4 and 5 by the command states; 3 is not built
        EXPECT_EQ(itemDisabled(dlg->ToolBar(), id), id == 4) << "tool " << id;
    // The focus (row 0 of 2) decides move up/down, duplicate and remove again.
    EXPECT_EQ(commandStates(*dlg), before);
}

TEST_F(MainWndCommands, UnlockKeepsTheSameAsInputChoice) {
    OpenWindow();
    clickItem(dlg->SavetoPane(), 7);
    ASSERT_FALSE(dlg->OutputPathEdit()->isEnabled());
    dlg->LockForConversion();
    dlg->Unlock();
    EXPECT_FALSE(dlg->OutputPathEdit()->isEnabled());
    EXPECT_TRUE(itemDisabled(dlg->SavetoPane(), 4));
    EXPECT_TRUE(settings.option(kOptionSameAsInput));
}

TEST_F(MainWndCommands, ContextMenuGreyingByStateAndRow) {
    OpenWindow();
    AddItem("/media/a.avi");
    AddItem("fakedev:camera");
    const int listCommands[] = {kCmdAddFile,     kCmdAddFolder,  kCmdAddDevice, kCmdScreenRecorder,
                                kCmdDuplicate,   kCmdRemove,     kCmdClear,     kCmdSelectAll,
                                kCmdUnselectAll, kCmdOpenFolder, kCmdFileInfo,  kCmdFitSize};
    auto expect = [&](int state, int row, bool changes, bool onRowOnly, bool openFolder) {
        SCOPED_TRACE("state " + std::to_string(state) + " row " + std::to_string(row));
        dlg->Convert().setState(state);
        dlg->PrepareListMenu(row);
        const bool onRow = row >= 0;
        for (int command : listCommands) {
            bool want;
            if (command == kCmdOpenFolder)
                want = openFolder;
            else if (command == kCmdFileInfo)
                want = onRow;
            else if (command == kCmdDuplicate || command == kCmdRemove || command == kCmdFitSize)
                want = changes && onRowOnly;
            else
                want = changes;
            want = want && isCommandAvailable(command);
            EXPECT_EQ(menuEnabled(dlg->Menu(kMenuList), command), want) << command;
        }
    };
    for (int state : {kStateIdle, kStatePreviewing, kStatePreviewPaused}) {
        expect(state, 0, true, true, true);
        expect(state, 1, true, true, false); // the device
        expect(state, -1, true, false, false);
    }
    for (int state : {kStateConverting, kStateSuspended}) {
        expect(state, 0, false, true, true);
        expect(state, 1, false, true, false);
        expect(state, -1, false, false, false);
    }
    dlg->Convert().setState(kStateIdle);
}

TEST_F(MainWndCommands, RightClickOnARowFocusesItAndOpensTheContextMenu) {
    OpenWindow();
    AddItems(2);
    QStringList texts;
    bool removeEnabled = false;
    auto seen = onNextPopup([&](QMenu& menu) {
        for (const QAction* action : menu.actions())
            if (!action->isSeparator())
                texts << action->text();
        removeEnabled = static_cast<CMenuEx&>(menu).FindCommand(kCmdRemove)->isEnabled();
    });
    ClickRow(1, Qt::RightButton);
    ASSERT_TRUE(waitUntil([&] { return *seen; }));
    EXPECT_EQ(dlg->FileList()->FocusedIndex(), 1);
    EXPECT_TRUE(texts.contains(QStringLiteral("Duplicate")));
    EXPECT_TRUE(removeEnabled);

    // Below the last row: no row, so no remove.
    seen = onNextPopup([&](QMenu& menu) {
        removeEnabled = static_cast<CMenuEx&>(menu).FindCommand(kCmdRemove)->isEnabled();
    });
    QTest::mouseClick(dlg->FileList(), Qt::RightButton, {}, QPoint(120, 24 + 5 * 20 + 10));
    ASSERT_TRUE(waitUntil([&] { return *seen; }));
    EXPECT_FALSE(removeEnabled);
}

TEST_F(MainWndCommands, ClearAsksOnlyWhenTheListHasItems) {
    OpenWindow();
    dlg->OnCommand(kCmdClear);
    EXPECT_TRUE(env->services.messageBoxes().empty());

    AddItems(2);
    env->services.queueMessageBoxAnswers({IDCANCEL, IDOK});
    dlg->OnCommand(kCmdClear);
    ASSERT_EQ(env->services.messageBoxes().size(), 1u);
    const auto box = env->services.messageBoxes().front();
    EXPECT_EQ(box.text, "Are you sure clear all the media items?");
    EXPECT_EQ(box.caption, "Movara");
    EXPECT_EQ(box.buttons, MB_OKCANCEL);
    EXPECT_EQ(box.icon, MB_ICONQUESTION);
    EXPECT_EQ(dlg->FileList()->Count(), 2);
    EXPECT_EQ(fake.countOf("VeldesRemoveMedia"), 0u);

    dlg->OnCommand(kCmdClear);
    EXPECT_EQ(dlg->FileList()->Count(), 0);
    EXPECT_EQ(fake.countOf("VeldesRemoveMedia"), 2u);
    EXPECT_EQ(dlg->StatusBar()->FindItem(CStatusWnd::kCounts)->caption,
              QStringLiteral("Total items : 0  selected : 0"));
    EXPECT_FALSE(dlg->IsCommandEnabled(kCmdRemove));
}

TEST_F(MainWndCommands, RemoveTakesTheFocusedItemOutOfListAndEngine) {
    OpenWindow();
    AddItems(3);
    ClickRow(2);
    const int mediaId = dlg->Convert().mediaIdOf(dlg->FileList()->MediaAt(2));
    ASSERT_GE(mediaId, 0);
    clickItem(dlg->ToolBar(), CToolWnd::kRemove);
    EXPECT_EQ(dlg->FileList()->Count(), 2);
    // The focus moved to the new last item, and the commands followed it.
    EXPECT_EQ(dlg->FileList()->FocusedIndex(), 1);
    EXPECT_FALSE(dlg->IsCommandEnabled(kCmdMoveDown));
    ASSERT_TRUE(fake.media(mediaId));
    EXPECT_TRUE(fake.media(mediaId)->removed);
    EXPECT_EQ(dlg->StatusBar()->FindItem(CStatusWnd::kCounts)->caption,
              QStringLiteral("Total items : 2  selected : 2"));
}

TEST_F(MainWndCommands, DuplicateInsertsALoadedCopyAfterTheFocusedItem) {
    OpenWindow();
    AddItem("/media/a.avi");
    AddItem("/media/b.avi");
    ClickRow(0);
    fake.clearCalls();
    dlg->OnCommand(kCmdDuplicate);
    ASSERT_EQ(dlg->FileList()->Count(), 3);
    const MediaItem* copy = dlg->FileList()->MediaAt(1);
    EXPECT_EQ(copy->sourcePath, "/media/a.avi");
    EXPECT_NE(copy, dlg->FileList()->MediaAt(0));
    EXPECT_EQ(fake.countOf("VeldesAddMedia2"), 1u);
    EXPECT_GE(dlg->Convert().mediaIdOf(copy), 0);
    EXPECT_GT(copy->outputEstimate, 0);
    EXPECT_EQ(dlg->FileList()->FocusedIndex(), 0);
}

TEST_F(MainWndCommands, AnItemTheEngineRefusesIsReportedAndTakenOutAgain) {
    OpenWindow();
    FakeSource broken = FakeSource::movie();
    broken.addResult = -1;
    fake.setSource("/media/broken.avi", broken);
    MediaItem item;
    item.sourcePath = "/media/broken.avi";
    item.displayName = "broken.avi";
    const int index = dlg->FileList()->Add(item);
    EXPECT_EQ(dlg->LoadItem(index), 0);
    EXPECT_EQ(dlg->FileList()->Count(), 0);
    ASSERT_EQ(env->services.messageBoxes().size(), 1u);
    EXPECT_EQ(env->services.messageBoxes()[0].text, "Failed to load file :\n/media/broken.avi");
    EXPECT_EQ(env->services.messageBoxes()[0].icon, MB_ICONWARNING);
    EXPECT_EQ(dlg->StatusBar()->FindItem(CStatusWnd::kCounts)->caption,
              QStringLiteral("Total items : 0  selected : 0"));
}

TEST_F(MainWndCommands, SelectAllAndUnselectAllUpdateTheCounts) {
    OpenWindow();
    AddItems(3);
    dlg->OnCommand(kCmdUnselectAll);
    EXPECT_EQ(dlg->FileList()->CheckedCount(), 0);
    EXPECT_EQ(dlg->StatusBar()->FindItem(CStatusWnd::kCounts)->caption,
              QStringLiteral("Total items : 3  selected : 0"));
    dlg->OnCommand(kCmdSelectAll);
    EXPECT_EQ(dlg->StatusBar()->FindItem(CStatusWnd::kCounts)->caption,
              QStringLiteral("Total items : 3  selected : 3"));
}

TEST_F(MainWndCommands, OpenTheFolderShowsTheSourceInTheFileManager) {
    OpenWindow();
    AddItems(2);
    ClickRow(1);
    dlg->OnCommand(kCmdOpenFolder);
    EXPECT_EQ(env->services.shownFiles(), std::vector<std::string>{"/media/clip1.avi"});
    // A capture device has no folder: nothing more is shown.
    VEL_DEVICE_INFO camera;
    camera.videoDevice = "Camera";
    ClickRow(AddItem(GenDevicePath(&camera)));
    dlg->OnCommand(kCmdOpenFolder);
    EXPECT_EQ(env->services.shownFiles().size(), 1u);
}

TEST_F(MainWndCommands, HelpOpensTheHelpFileOrSaysWhereItIsMissing) {
    QTemporaryDir data;
    env->services.setDataFolder(data.path().toStdString());
    OpenWindow();
    const std::string help = data.path().toStdString() + "/help/index.html";
    dlg->OnCommand(kCmdHelpTopics);
    ASSERT_EQ(env->services.messageBoxes().size(), 1u);
    EXPECT_EQ(env->services.messageBoxes()[0].text, "Can not find the help file \"" + help + "\"");
    EXPECT_EQ(env->services.messageBoxes()[0].caption, "Movara");
    EXPECT_EQ(env->services.messageBoxes()[0].icon, MB_ICONERROR);
    EXPECT_TRUE(env->services.openedDocuments().empty());

    ASSERT_TRUE(QDir().mkpath(data.path() + "/help"));
    writeFile(help, "help");
    dlg->OnCommand(kCmdHelpTopics);
    EXPECT_EQ(env->services.openedDocuments(), std::vector<std::string>{help});
    EXPECT_EQ(env->services.messageBoxes().size(), 1u);

    dlg->OnCommand(kCmdHomepage);
    EXPECT_EQ(env->services.openedDocuments().back(), kHomePageUrl);
}

TEST_F(MainWndCommands, AboutShowsTheVersionAndOpensItsLinks) {
    OpenWindow();
    bool sawVersion = false;
    bool closedByClick = false;
    onNextModal([&](QWidget& modal) {
        auto* about = dynamic_cast<CVelAboutDlg*>(&modal);
        ASSERT_NE(about, nullptr);
        CBaseWnd* pane = about->Pane();
        EXPECT_EQ(pane->objectName(), QStringLiteral("about"));
        EXPECT_EQ(pane->PaneId(), 126);
        sawVersion = pane->FindItem(CVelAboutDlg::kVersionText)->caption ==
                     QStringLiteral("Version : 2.1.3.1");
        EXPECT_NE(pane->FindItem(CVelAboutDlg::kProductImage), nullptr);
        EXPECT_EQ(pane->FindItem(CVelAboutDlg::kSupportLabel)->caption,
                  QStringLiteral("Support : "));
        EXPECT_EQ(pane->FindItem(CVelAboutDlg::kHomeLabel)->caption,
                  QStringLiteral("Home Page : "));
        clickItem(pane, CVelAboutDlg::kSupportLink);
        clickItem(pane, CVelAboutDlg::kHomeLink);
        EXPECT_TRUE(about->isVisible()); // links do not close it
        clickItem(pane, CVelAboutDlg::kVersionText);
        closedByClick = !about->isVisible();
    });
    dlg->OnCommand(kCmdAboutBox);
    EXPECT_TRUE(sawVersion);
    EXPECT_TRUE(closedByClick);
    EXPECT_EQ(env->services.openedDocuments(),
              (std::vector<std::string>{kSupportUrl, kHomePageUrl}));
}

TEST_F(MainWndCommands, TheCaptionIconOffersTheAboutBox) {
    OpenWindow();
    QStringList texts;
    auto seen = onNextPopup([&](QMenu& menu) {
        for (const QAction* action : menu.actions())
            texts << action->text();
    });
    clickItem(dlg->Caption(), CCaptionWnd::kIconId);
    ASSERT_TRUE(waitUntil([&] { return *seen; }));
    EXPECT_EQ(texts, QStringList{QStringLiteral("&About Movara...")});
}

TEST_F(MainWndCommands, TheMenuButtonOpensTheMainMenuBelowIt) {
    OpenWindow();
    QPoint at;
    QStringList texts;
    auto seen = onNextPopup([&](QMenu& menu) {
        at = menu.pos();
        for (const QAction* action : menu.actions())
            texts << action->text();
    });
    clickItem(dlg->Caption(), CCaptionWnd::kMenuId);
    ASSERT_TRUE(waitUntil([&] { return *seen; }));
    EXPECT_EQ(texts, (QStringList{"File", "Edit", "Help"}));
    const PaneItem* button = dlg->Caption()->FindItem(CCaptionWnd::kMenuId);
    // Below the button (the screen's edge may push it sideways).
    EXPECT_EQ(at.y(), dlg->Caption()->mapToGlobal(QPoint(button->left, button->bottom)).y());
}

TEST_F(MainWndCommands, ExitEndsWithOkAndTheCloseButtonWithCancel) {
    dlg = std::make_unique<CMovaraDlg>(settings, catalogue);
    QTimer::singleShot(0, dlg.get(), [this] { dlg->OnCommand(kCmdExit); });
    EXPECT_EQ(dlg->DoModal(), IDOK);
    // The run ended with the window's destruction: the settings were written.
    EXPECT_FALSE(readFile(env->settingsPath()).empty());

    dlg = std::make_unique<CMovaraDlg>(settings, catalogue);
    QTimer::singleShot(0, dlg.get(), [this] { clickItem(dlg->Caption(), CCaptionWnd::kCloseId); });
    EXPECT_EQ(dlg->DoModal(), IDCANCEL);
}

TEST_F(MainWndCommands, EnterAndEscapeDoNotCloseTheWindow) {
    OpenWindow();
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    QTest::keyClick(dlg.get(), Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
}
