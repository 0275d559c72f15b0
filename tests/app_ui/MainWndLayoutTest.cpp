// The main window's shape: the eight panes at the minimum size, the window's title and limits,
// the menus and their texts, the status bar's texts.
#include "AppUiTestSupport.h"

#include <QScreen>

#include "CommandIds.h"
#include "MovaraMenus.h"
#include "StatusTexts.h"

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
#include "CVideoWnd.h"

#include <QMenu>

namespace {

QStringList actionTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

} // namespace

using MainWndLayout = MainWindowTest;

TEST_F(MainWndLayout, PanesTakeTheirPlacesAt880x560) {
    OpenWindow();
    ASSERT_EQ(dlg->size(), QSize(880, 560));
    struct Expected {
        const char* name;
        QWidget* pane;
        QRect geometry;
    };
    const Expected expected[] = {
        {"caption", dlg->Caption(), QRect(0, 0, 880, 30)},
        {"tool bar", dlg->ToolBar(), QRect(0, 30, 880, 40)},
        {"status bar", dlg->StatusBar(), QRect(0, 534, 880, 26)},
        // 1 px inside (660..880) x (404..534).
        {"action pane", dlg->ActionPane(), QRect(661, 405, 218, 128)},
        {"save-to pane", dlg->SavetoPane(), QRect(1, 405, 658, 128)},
        {"file list", dlg->FileList(), QRect(0, 70, 500, 334)},
        {"play control", dlg->PlayControl(), QRect(500, 316, 380, 88)},
        // 5 px inside (500..880) x (70..316).
        {"video surface", dlg->VideoSurface(), QRect(505, 75, 370, 236)},
    };
    for (const Expected& e : expected) {
        ASSERT_NE(e.pane, nullptr) << e.name;
        EXPECT_EQ(e.pane->geometry(), e.geometry) << e.name;
    }
    // Registration order is layout order.
    const std::vector<int> ids{101, 103, 104, 108, 107, 109, 110, 111};
    ASSERT_EQ(dlg->Panes().size(), ids.size());
    for (size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(dlg->Panes()[i]->id, ids[i]) << i;
}

TEST_F(MainWndLayout, WindowNamesLimitsAndCaptionButtons) {
    OpenWindow();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Movara"));
    EXPECT_EQ(dlg->CaptionMask(), 47u);
    // The classic minimum, cut to the test screen's available area where that is smaller.
    const QSize available = dlg->screen()->availableGeometry().size();
    EXPECT_EQ(dlg->minimumSize(), QSize(880, 560).boundedTo(available));
    // Smaller is refused; larger lays the panes out again.
    dlg->resize(600, 400);
    EXPECT_EQ(dlg->size(), dlg->minimumSize());
    dlg->resize(1100, 700);
    EXPECT_EQ(dlg->FileList()->geometry(), QRect(0, 70, 500, 474));
    EXPECT_EQ(dlg->ActionPane()->geometry(), QRect(881, 545, 218, 128));
    EXPECT_EQ(dlg->VideoSurface()->geometry(), QRect(505, 75, 590, 376));

    const CCaptionWnd* caption = dlg->Caption();
    for (int id : {CCaptionWnd::kCloseId, CCaptionWnd::kMaximizeId, CCaptionWnd::kMinimizeId,
                   CCaptionWnd::kMenuId, CCaptionWnd::kIconId, CCaptionWnd::kTitleId})
        EXPECT_NE(caption->FindItem(id), nullptr) << id;
    EXPECT_EQ(caption->FindItem(CCaptionWnd::kTitleId)->caption, QStringLiteral("Movara"));
    const std::pair<QWidget*, const char*> names[] = {
        {dlg->ToolBar(), "ToolBarWindow"},    {dlg->StatusBar(), "StatusBarWindow"},
        {dlg->ActionPane(), "ActionWindow"},  {dlg->SavetoPane(), "SavetoWindow"},
        {dlg->FileList(), "FileListWindow"},  {dlg->PlayControl(), "PlayControlWindow"},
        {dlg->VideoSurface(), "VideoWindow"},
    };
    for (const auto& [pane, name] : names)
        EXPECT_EQ(pane->objectName(), QString::fromUtf8(name));
}

TEST_F(MainWndLayout, SavetoPaneItemsStayInsideThePaneAndApart) {
    OpenWindow();
    for (QSize size : {QSize(880, 560), QSize(1280, 800)}) {
        dlg->resize(size);
        CSavetoWnd* pane = dlg->SavetoPane();
        std::vector<QRect> rects;
        for (const auto& item : pane->Items()) {
            const QRect r = item->rect().toQRect();
            EXPECT_TRUE(pane->rect().contains(r)) << "item " << item->id << " at " << size.width();
            rects.push_back(r);
        }
        for (size_t i = 0; i < rects.size(); ++i)
            for (size_t j = i + 1; j < rects.size(); ++j)
                EXPECT_FALSE(rects[i].intersects(rects[j]))
                    << "items " << i << " and " << j << " overlap at " << size.width();
        // The hosted controls lie on their items.
        for (QWidget* control : std::initializer_list<QWidget*>{
                 dlg->CategoryCombo(), dlg->ProfileCombo(), dlg->OutputPathEdit()})
            EXPECT_TRUE(pane->rect().contains(control->geometry()));
    }
}

TEST_F(MainWndLayout, MenusHoldTheirCommandsInOrder) {
    OpenWindow();
    CMenuEx* main = dlg->Menu(kMenuMain);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(actionTexts(*main), (QStringList{"File", "Edit", "Help"}));
    const QMenu* edit = main->actions().at(1)->menu();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(actionTexts(*edit),
              (QStringList{"Duplicate", "Remove", "Clear", "-", "Move Up", "Move Down", "-",
                           "Select All", "Unselect All", "-", "Open the folder",
                           "File information...", "Video Edit...", "Fit to size...", "-", "Skin"}));
    const QMenu* help = main->actions().at(2)->menu();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(actionTexts(*help), (QStringList{"Help topics...", "-", "Visit homepage...",
                                               "Check for updates", "-", "About..."}));
    EXPECT_EQ(
        actionTexts(*dlg->Menu(kMenuAddMedia)),
        (QStringList{"Add File...", "Add Folder...   ", "Add Device...", "Screen Recorder..."}));
    EXPECT_EQ(actionTexts(*dlg->Menu(kMenuSnapshot)),
              (QStringList{"Snapshot", "Open Snapshot Folder", "Change Snapshot Folder..."}));

    // Every command of the table in the menus that list it.
    const struct {
        int command;
        const char* text;
        std::vector<int> menus;
    } table[] = {
        {kCmdAddFile, "Add File...", {131, 132, 154}},
        {kCmdAddFolder, "Add Folder...", {131, 132}},
        {kCmdAddDevice, "Add Device...", {131, 132, 154}},
        {kCmdScreenRecorder, "Screen Recorder...", {131, 132, 154}},
        {kCmdDuplicate, "Duplicate", {131, 132}},
        {kCmdRemove, "Remove", {131, 132}},
        {kCmdClear, "Clear", {131, 132}},
        {kCmdMoveDown, "Move Down", {132}},
        {kCmdMoveUp, "Move Up", {132}},
        {kCmdSelectAll, "Select All", {131, 132}},
        {kCmdUnselectAll, "Unselect All", {131, 132}},
        {kCmdOpenFolder, "Open the folder", {131, 132}},
        {kCmdFileInfo, "File information...", {131, 132}},
        {kCmdFitSize, "Fit to size...", {131, 132}},
        {kCmdExit, "Exit", {132}},
        {kCmdVideoEdit, "Video Edit...", {132}},
        {kCmdProfileSetting, "Profile Setting...", {132}},
        {kCmdPreferences, "Preferences...", {132}},
    };
    for (const auto& row : table)
        for (int menuId : row.menus) {
            const QAction* action = dlg->Menu(menuId)->FindCommand(row.command);
            ASSERT_NE(action, nullptr) << row.command << " in " << menuId;
            EXPECT_EQ(action->text(), QString::fromUtf8(row.text)) << row.command;
        }
}

TEST_F(MainWndLayout, CommandsAndPaneButtonsOfBuiltFeaturesAreEnabled) {
    OpenWindow();
    AddItems(2);
    dlg->Unlock();
    EXPECT_FALSE(itemDisabled(dlg->SavetoPane(), 2)); // "Preferences" has its dialog
    EXPECT_FALSE(itemDisabled(dlg->SavetoPane(), 3)); // "Settting" has its dialog
    // The built ones are enabled.
    for (int command :
         {kCmdHelpTopics, kCmdHomepage, kCmdAboutBox, kCmdExit, kCmdClear, kCmdAddFile,
          kCmdAddFolder, kCmdProfileSetting, kCmdAddDevice, kCmdScreenRecorder})
        EXPECT_TRUE(menuEnabled(dlg->Menu(kMenuMain), command)) << command;
}

TEST(MainWndStatusTexts, CountsAndProfileSummary) {
    EXPECT_EQ(itemCountsText(0, 0), "Total items : 0  selected : 0");
    EXPECT_EQ(itemCountsText(12, 3), "Total items : 12  selected : 3");

    struct Case {
        int videoBitrate, width, height, audioBitrate, sampleRate;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0,
         "Video : bitrate : auto framesize : original   Audio : bitrate : auto samplerate : 0"},
        {768, 320, 240, 128000, 44100,
         "Video : bitrate : 768 framesize : 320X240   Audio : bitrate : 128000 samplerate : "
         "44100"},
        // One side of 0 is still the source's size.
        {256, 176, 0, 12200, 8000,
         "Video : bitrate : 256 framesize : original   Audio : bitrate : 12200 samplerate : "
         "8000"},
    };
    for (const Case& c : cases) {
        Profile profile;
        profile.videoBitrate = c.videoBitrate;
        profile.width = c.width;
        profile.height = c.height;
        profile.audioBitrate = c.audioBitrate;
        profile.sampleRate = c.sampleRate;
        EXPECT_EQ(profileSummaryText(profile), c.text);
    }
}

TEST_F(MainWndLayout, StatusBarFollowsTheListAndTheFocusedProfile) {
    OpenWindow();
    CStatusWnd* status = dlg->StatusBar();
    EXPECT_EQ(status->FindItem(CStatusWnd::kCounts)->caption,
              QStringLiteral("Total items : 0  selected : 0"));
    EXPECT_EQ(status->FindItem(CStatusWnd::kProfile)->caption, QStringLiteral("   "));
    AddItems(3);
    EXPECT_EQ(status->FindItem(CStatusWnd::kCounts)->caption,
              QStringLiteral("Total items : 3  selected : 3"));
    ClickRowBox(1); // unchecks it
    EXPECT_EQ(status->FindItem(CStatusWnd::kCounts)->caption,
              QStringLiteral("Total items : 3  selected : 2"));
    ClickRow(2);
    const ProfileRef profile = dlg->FileList()->MediaAt(2)->profile;
    ASSERT_TRUE(profile);
    EXPECT_EQ(status->FindItem(CStatusWnd::kProfile)->caption,
              QString::fromStdString(profileSummaryText(*profile)));
}
