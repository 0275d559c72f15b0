// Every dialog of the main window takes Tab and Shift+Tab through its controls as they are laid
// out (rows from the top, left to right), whatever order they were made in: the size box before
// the unit, OK before Cancel; the effects page's boxes from the top, then its check boxes and
// buttons, then Confirm and Cancel.
#include "AppUiTestSupport.h"

#include "CommandIds.h"

#include "CBaseWnd.h"
#include "CFitSizeDlg.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CVideoEditDlg.h"
#include "CVideoEffectDlg.h"
#include "FocusOrder.h"
#include "OutlookTabCtrlEx.h"

#include <QTest>

namespace {

using focusorder::Stop;

std::string describe(const Stop& stop) {
    if (!stop.widget)
        return "none";
    std::string text = stop.widget->metaObject()->className();
    if (!stop.widget->objectName().isEmpty())
        text += " " + stop.widget->objectName().toStdString();
    if (stop.item >= 0)
        text += " item " + std::to_string(stop.item);
    return text;
}

// Tab from the first stop reaches each next one and comes round; Shift+Tab walks back.
void expectTabWalks(QWidget& dialog, const char* name) {
    SCOPED_TRACE(name);
    const std::vector<Stop> stops = focusorder::stopsOf(&dialog);
    ASSERT_GE(stops.size(), 2u);
    QApplication::setActiveWindow(&dialog);
    focusorder::focusStop(stops.front(), true);
    ASSERT_EQ(focusorder::currentStop(stops), 0) << describe(stops.front());
    const int count = static_cast<int>(stops.size());
    for (int i = 1; i <= count; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(focusorder::currentStop(stops), i % count)
            << "after " << describe(stops[static_cast<size_t>(i - 1)]);
    }
    for (int i = count - 1; i >= 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        EXPECT_EQ(focusorder::currentStop(stops), i) << "back to " << describe(stops[i]);
    }
}

class DialogTabOrder : public MainWindowTest {};

TEST_F(DialogTabOrder, FitToSizeGoesSizeUnitBoxesThenOkAndCancel) {
    OpenWindow();
    AddItems(1);
    bool seen = false;
    onNextModal([&seen](QWidget& shown) {
        auto* fit = dynamic_cast<CFitSizeDlg*>(&shown);
        ASSERT_NE(fit, nullptr);
        seen = true;
        CBaseWnd* pane = nullptr;
        for (CBaseWnd* candidate : fit->findChildren<CBaseWnd*>())
            if (candidate->PaneId() == CFitSizeDlg::kPaneId)
                pane = candidate;
        ASSERT_NE(pane, nullptr);
        const std::vector<Stop> expected{{fit->SizeEdit(), -1},
                                         {fit->UnitCombo(), -1},
                                         {pane, CFitSizeDlg::kApplyToChecked},
                                         {pane, CFitSizeDlg::kNoLimit},
                                         {pane, CFitSizeDlg::kOk},
                                         {pane, CFitSizeDlg::kCancel}};
        EXPECT_EQ(focusorder::stopsOf(fit), expected);
        expectTabWalks(*fit, "Fit to size");
        fit->reject();
    });
    dlg->OnCommand(kCmdFitSize);
    EXPECT_TRUE(seen);
}

TEST_F(DialogTabOrder, TheEffectsPageGoesDownItsRowsThenToConfirmAndCancel) {
    OpenWindow();
    AddItems(1);
    dlg->OnCommand(kCmdVideoEdit);
    CVideoEditDlg* edit = dlg->EditDialog();
    ASSERT_NE(edit, nullptr);
    auto* page = dynamic_cast<CVideoEffectDlg*>(edit->PageAt(CVideoEditDlg::kEffects));
    ASSERT_NE(page, nullptr);
    CBaseWnd* buttons = nullptr;
    for (CBaseWnd* candidate : edit->findChildren<CBaseWnd*>())
        if (candidate->PaneId() == CVideoEditDlg::kButtonPaneId)
            buttons = candidate;
    ASSERT_NE(buttons, nullptr);
    std::vector<Stop> expected{{page->Edit(CVideoEffectDlg::kBrightness), -1},
                               {page->Edit(CVideoEffectDlg::kContrast), -1},
                               {page->Edit(CVideoEffectDlg::kSaturation), -1},
                               {page->Panel(), CVideoEffectDlg::kHorizontalFlip},
                               {page->Panel(), CVideoEffectDlg::kVerticalFlip},
                               {page->Panel(), CVideoEffectDlg::kReset},
                               {page->Panel(), CVideoEffectDlg::kApplyToAll},
                               {buttons, CVideoEditDlg::kConfirm},
                               {buttons, CVideoEditDlg::kCancel}};
    // The page tabs, where they take the focus, come first: they are left of the page.
    const std::vector<Stop> stops = focusorder::stopsOf(edit);
    if (!stops.empty() && stops.front().widget == edit->Tabs())
        expected.insert(expected.begin(), Stop{edit->Tabs(), -1});
    EXPECT_EQ(stops, expected);
    expectTabWalks(*edit, "Video Edit");
}

TEST_F(DialogTabOrder, EveryDialogOfTheMenusWalksItsStopsAndComesRound) {
    OpenWindow();
    AddItems(1);
    for (int command : {kCmdPreferences, kCmdFileInfo, kCmdProfileSetting, kCmdAboutBox}) {
        SCOPED_TRACE(command);
        bool seen = false;
        onNextModal([&seen](QWidget& shown) {
            seen = true;
            if (focusorder::stopsOf(&shown).size() >= 2)
                expectTabWalks(shown, shown.windowTitle().toUtf8().constData());
            if (auto* dialog = qobject_cast<QDialog*>(&shown))
                dialog->reject();
        });
        dlg->OnCommand(command);
        EXPECT_TRUE(seen);
    }
}

} // namespace
