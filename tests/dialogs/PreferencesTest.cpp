#include "COptionDlg.h"

#include "CBaseWnd.h"
#include "CGeneralOptionDlg.h"
#include "CRangeSpinBox.h"
#include "CThumbnailDlg.h"
#include "CUpdateSettingDlg.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "FakePlatformServices.h"
#include "OutlookTabCtrlEx.h"
#include "QtTestSupport.h"
#include "VelSettings.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Preferences : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        settings.snapshotFolder = scratch.path().toStdString();
        dlg = std::make_unique<COptionDlg>(settings);
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }

    void clickItem(CBaseWnd* pane, int id) {
        const PaneItem* item = pane->FindItem(id);
        ASSERT_NE(item, nullptr) << id;
        QTest::mouseClick(pane, Qt::LeftButton, {}, item->rect().toQRect().center());
    }
    void clickButton(int id) { clickItem(dlg->ButtonPane(), id); }
    void clickTab(int tab) {
        QTest::mouseClick(dlg->TabCtrl(), Qt::LeftButton, {},
                          dlg->TabCtrl()->ItemRect(tab).center());
    }
    template <typename Page> Page* page(int tab) { return dynamic_cast<Page*>(dlg->Page(tab)); }

    FakePlatformServices services;
    ScopedPlatformServices installed{services};
    QTemporaryDir scratch;
    VelSettings settings;
    std::unique_ptr<COptionDlg> dlg;
};

bool checked(const CBaseWnd* pane, int id) {
    return pane->ItemState(id) & kStateChecked;
}
bool disabled(const CBaseWnd* pane, int id) {
    return pane->ItemState(id) & kStateDisabled;
}

} // namespace

TEST_F(Preferences, GeneralPageStoresTheModeAndOptionBits) {
    struct Case {
        const char* name;
        uint32_t flags;
        int shown; // combo entry at filling
        int choose;
        std::vector<int> clicks; // check boxes toggled
        uint32_t expected;       // the page's bits after "Apply"
        bool renameDisabled;
    };
    const uint32_t pageBits = kOptionOverwrite | kOptionSkip | kOptionRename |
                              kOptionShowRenameDialog | kOptionQuickTime | kOptionDirectShow;
    const Case cases[] = {
        {"Skip keeps the rename box's tick",
         kOptionRename | kOptionShowRenameDialog,
         CGeneralOptionDlg::kRename,
         CGeneralOptionDlg::kSkip,
         {},
         kOptionSkip | kOptionShowRenameDialog,
         true},
        {"Overwrite wins over Skip",
         kOptionOverwrite | kOptionSkip | kOptionDirectShow,
         CGeneralOptionDlg::kOverwrite,
         CGeneralOptionDlg::kOverwrite,
         {CGeneralOptionDlg::kEnableQuickTime, CGeneralOptionDlg::kEnableDirectShow},
         kOptionOverwrite | kOptionQuickTime,
         true},
        {"back to Rename",
         kOptionSkip,
         CGeneralOptionDlg::kSkip,
         CGeneralOptionDlg::kRename,
         {CGeneralOptionDlg::kShowRenameDialog},
         kOptionRename | kOptionShowRenameDialog,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.optionFlags = c.flags | kOptionShutdown;
        dlg = std::make_unique<COptionDlg>(settings);
        dlg->show();
        auto* general = page<CGeneralOptionDlg>(COptionDlg::kTabGeneral);
        ASSERT_NE(general, nullptr);
        EXPECT_EQ(dlg->ShownPage(), general);
        EXPECT_EQ(general->ModeCombo()->currentIndex(), c.shown);
        general->ModeCombo()->setCurrentIndex(c.choose);
        for (int id : c.clicks)
            clickItem(general->Pane(), id);
        EXPECT_EQ(disabled(general->Pane(), CGeneralOptionDlg::kShowRenameDialog),
                  c.renameDisabled);
        clickButton(COptionDlg::kApply);
        EXPECT_EQ(settings.optionFlags & pageBits, c.expected);
        EXPECT_TRUE(settings.option(kOptionShutdown)); // other bits untouched
        EXPECT_TRUE(dlg->isVisible());
    }
    // A disabled rename box ignores the mouse and keeps its tick.
    auto* general = page<CGeneralOptionDlg>(COptionDlg::kTabGeneral);
    general->ModeCombo()->setCurrentIndex(CGeneralOptionDlg::kSkip);
    clickItem(general->Pane(), CGeneralOptionDlg::kShowRenameDialog);
    EXPECT_TRUE(checked(general->Pane(), CGeneralOptionDlg::kShowRenameDialog));
}

TEST_F(Preferences, ChangingTabsAppliesTheShownPageAndCancelUndoesNothing) {
    EXPECT_EQ(dlg->windowTitle(), "Preferences");
    EXPECT_EQ(dlg->TabCtrl()->ItemText(0), "General");
    EXPECT_EQ(dlg->TabCtrl()->ItemText(1), "Snapshot");
    EXPECT_EQ(dlg->TabCtrl()->ItemText(2), "Update Setting");
    EXPECT_EQ(dlg->Page(COptionDlg::kTabSnapshot), nullptr); // made when first shown
    page<CGeneralOptionDlg>(COptionDlg::kTabGeneral)
        ->ModeCombo()
        ->setCurrentIndex(CGeneralOptionDlg::kOverwrite);
    clickTab(COptionDlg::kTabSnapshot);
    EXPECT_EQ(dlg->ShownTab(), COptionDlg::kTabSnapshot);
    EXPECT_TRUE(settings.option(kOptionOverwrite));
    EXPECT_FALSE(dlg->Page(COptionDlg::kTabGeneral)->isVisible());
    EXPECT_EQ(dlg->Page(COptionDlg::kTabUpdate), nullptr);

    clickTab(COptionDlg::kTabUpdate);
    auto* update = page<CUpdateSettingDlg>(COptionDlg::kTabUpdate);
    ASSERT_NE(update, nullptr);
    EXPECT_EQ(update->DaysSpin()->value(), 7);
    update->DaysSpin()->setValue(12);
    clickItem(update->Pane(), CUpdateSettingDlg::kAutoCheck);
    clickTab(COptionDlg::kTabGeneral);
    EXPECT_EQ(settings.updateInterval, 12);
    EXPECT_FALSE(settings.option(kOptionAutoUpdate));

    page<CGeneralOptionDlg>(COptionDlg::kTabGeneral)
        ->ModeCombo()
        ->setCurrentIndex(CGeneralOptionDlg::kSkip);
    clickButton(COptionDlg::kCancel);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_TRUE(settings.option(kOptionOverwrite)); // applied before; the Skip never was
    EXPECT_FALSE(settings.option(kOptionSkip));
}

// A build without the version check offers no update preference.
TEST_F(Preferences, WithoutTheVersionCheckThereIsNoUpdateTab) {
    COptionDlg withoutUpdates(settings, nullptr, nullptr, false);
    EXPECT_EQ(withoutUpdates.TabCtrl()->ItemCount(), 2);
    EXPECT_EQ(withoutUpdates.TabCtrl()->ItemText(1), "Snapshot");
    EXPECT_EQ(dlg->TabCtrl()->ItemCount(), 3);
}

TEST_F(Preferences, SnapshotPageRefusesAMissingFolderAndStoresAnExistingOne) {
    clickTab(COptionDlg::kTabSnapshot);
    auto* snapshot = page<CThumbnailDlg>(COptionDlg::kTabSnapshot);
    ASSERT_NE(snapshot, nullptr);
    EXPECT_EQ(snapshot->FormatCombo()->currentText(), "JPEG");
    EXPECT_FALSE(snapshot->WidthSpin()->isEnabled()); // "Original" size
    snapshot->SizeCombo()->setCurrentIndex(CThumbnailDlg::kCustomSize);
    EXPECT_TRUE(snapshot->WidthSpin()->isEnabled());
    snapshot->FormatCombo()->setCurrentIndex(0);
    snapshot->WidthSpin()->setValue(640);
    snapshot->HeightSpin()->setValue(360);
    clickItem(snapshot->Pane(), CThumbnailDlg::kOpenAfterSnapshot);
    const std::string missing = scratch.path().toStdString() + "/gone";
    snapshot->SaveToEdit()->setText(QString::fromStdString(missing));
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));

    // "Confirm", "Apply" and a tab change all refuse, the dialog stays on the page.
    clickButton(COptionDlg::kConfirm);
    clickButton(COptionDlg::kApply);
    clickTab(COptionDlg::kTabGeneral);
    const auto boxes = services.messageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, "The select path not exist, please reselect");
        EXPECT_EQ(box.caption, "Preferences");
        EXPECT_EQ(box.icon, MB_ICONINFORMATION);
    }
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->ShownTab(), COptionDlg::kTabSnapshot);
    EXPECT_EQ(dlg->TabCtrl()->GetCurSel(), COptionDlg::kTabSnapshot);
    EXPECT_TRUE(snapshot->SaveToEdit()->hasFocus());
    EXPECT_EQ(settings.snapshotFolder, scratch.path().toStdString());
    EXPECT_EQ(settings.snapshotFormat, "JPEG");
    EXPECT_FALSE(settings.option(kOptionSnapshotCustomSize));

    // The browse button fills the box with the chosen folder.
    services.queueBrowseFolder(scratch.path().toStdString());
    clickItem(snapshot->Pane(), CThumbnailDlg::kBrowse);
    ASSERT_EQ(services.folderBrowsers().size(), 1u);
    EXPECT_EQ(services.folderBrowsers()[0].initialFolder, missing);
    clickButton(COptionDlg::kConfirm);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(settings.snapshotFolder, scratch.path().toStdString());
    EXPECT_EQ(settings.snapshotFormat, "BMP");
    EXPECT_TRUE(settings.option(kOptionSnapshotCustomSize));
    EXPECT_EQ(settings.snapshotWidth, 640);
    EXPECT_EQ(settings.snapshotHeight, 360);
    EXPECT_EQ(settings.option(kOptionOpenSnapshotFolder),
              !VelSettings().option(kOptionOpenSnapshotFolder));
}

TEST_F(Preferences, NumbersTypedOutsideTheirRangeBecomeTheBound) {
    clickTab(COptionDlg::kTabSnapshot);
    auto* snapshot = page<CThumbnailDlg>(COptionDlg::kTabSnapshot);
    snapshot->SizeCombo()->setCurrentIndex(CThumbnailDlg::kCustomSize);
    clickTab(COptionDlg::kTabUpdate);
    auto* update = page<CUpdateSettingDlg>(COptionDlg::kTabUpdate);
    struct Case {
        QSpinBox* spin;
        const char* typed;
        int value;
    };
    const Case cases[] = {
        {update->DaysSpin(), "45", 30},    {update->DaysSpin(), "0", 1},
        {update->DaysSpin(), "17", 17},    {snapshot->WidthSpin(), "2500", 2000},
        {snapshot->HeightSpin(), "-5", 0}, {snapshot->HeightSpin(), "1999", 1999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        QLineEdit* edit = c.spin->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->selectAll();
        QTest::keyClicks(edit, c.typed);
        EXPECT_EQ(c.spin->value(), c.value);
        EXPECT_EQ(edit->text(), QString::number(c.value));
    }
    update->DaysSpin()->setValue(1);
    update->DaysSpin()->stepDown();
    EXPECT_EQ(update->DaysSpin()->value(), 1);
}
