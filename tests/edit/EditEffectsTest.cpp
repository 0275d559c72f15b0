// The "Effects" page and the dialog around the pages: live steps, confirm, cancel, and which page
// "Confirm" and "Cancel" reach.
#include "CSpinCtrl.h"
#include "CVelEdit.h"
#include "CVideoEditDlg.h"
#include "CVideoEffectDlg.h"
#include "CWatermarkDlg.h"
#include "EditMessages.h"
#include "EditTestSupport.h"
#include "OutlookTabCtrlEx.h"
#include "QtTestSupport.h"

#include <QTest>

namespace {

class EffectsPage : public EditPageTest {
protected:
    void SetUp() override {
        testApp();
        dialog = std::make_unique<CVideoEditDlg>(&mainWindow);
        dialog->SetItem(item.get(), streamsOf(320, 240));
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        page = static_cast<CVideoEffectDlg*>(dialog->PageAt(CVideoEditDlg::kEffects));
        ASSERT_NE(page, nullptr);
    }
    std::unique_ptr<MediaItem> item = editItem();
    std::unique_ptr<CVideoEditDlg> dialog;
    CVideoEffectDlg* page = nullptr;
};

TEST_F(EffectsPage, SpinStepsStoreInsideTheRangeAndAlwaysAnnounce) {
    struct Case {
        int value, start, step, stored;
    };
    const Case cases[] = {
        {CVideoEffectDlg::kBrightness, 100, 1, 100},
        {CVideoEffectDlg::kBrightness, 99, 1, 100},
        {CVideoEffectDlg::kContrast, -100, -1, -100},
        {CVideoEffectDlg::kSaturation, 0, -1, -1},
    };
    for (const Case& c : cases) {
        item->brightness = item->contrast = item->saturation = c.start;
        dialog->SetItem(item.get(), streamsOf(320, 240));
        mainWindow.seen.clear();
        // A click on the upper or lower arrow, as a person steps.
        CSpinCtrl* spin = page->Spin(c.value);
        QTest::mouseClick(spin, Qt::LeftButton, {},
                          QPoint(spin->width() / 2, c.step > 0 ? 2 : spin->height() - 3));
        const int32_t stored = c.value == CVideoEffectDlg::kBrightness ? item->brightness
                               : c.value == CVideoEffectDlg::kContrast ? item->contrast
                                                                        : item->saturation;
        EXPECT_EQ(stored, c.stored) << c.start << " + " << c.step;
        EXPECT_EQ(page->Spin(c.value)->Pos(), c.stored);
        ASSERT_EQ(mainWindow.seen.size(), 1u);
        EXPECT_EQ(mainWindow.seen[0].msg, kMsgEffectChanged);
        EXPECT_EQ(mainWindow.seen[0].wParam, 0u);
        EXPECT_EQ(mainWindow.seen[0].item, item.get());
    }
}

TEST_F(EffectsPage, ConfirmAnnouncesChangesOrApplyToAllAndClearsTheBox) {
    struct Case {
        const char* typed; // into the brightness box, or null
        bool applyToAll;
        std::vector<uintptr_t> sent;
        int brightness;
    };
    const Case cases[] = {
        {nullptr, false, {}, 0},
        {nullptr, true, {3}, 0}, // unchanged values still go to every item
        {"40", false, {1}, 40},
        {"250", true, {3}, 100}, // typed past the range: held to it
    };
    for (const Case& c : cases) {
        item->brightness = 0;
        dialog->SetItem(item.get(), streamsOf(320, 240));
        mainWindow.seen.clear();
        if (c.typed)
            page->Edit(CVideoEffectDlg::kBrightness)->setText(QString::fromUtf8(c.typed));
        if (c.applyToAll)
            clickElement(page->Panel(), CVideoEffectDlg::kApplyToAll);
        EXPECT_EQ(item->brightness, 0) << "text set by the program is no typing";
        dialog->Confirm();
        std::vector<uintptr_t> sent;
        for (const EditMessage& m : mainWindow.seen)
            sent.push_back(m.msg == kMsgEffectChanged ? m.wParam : 99);
        EXPECT_EQ(sent, c.sent) << (c.typed ? c.typed : "-") << " " << c.applyToAll;
        EXPECT_EQ(item->brightness, c.brightness);
        EXPECT_FALSE(elementChecked(page->Panel(), CVideoEffectDlg::kApplyToAll));
        EXPECT_FALSE(dialog->isVisible());
        dialog->show();
    }
}

TEST_F(EffectsPage, NumbersTypedReachTheItemAtOnceHeldToTheRange) {
    struct Step {
        const char* keys; // typed at the end of the box
        bool clear;       // the box emptied first
        int saturation;   // the item's afterwards
        size_t sent;      // 4809 messages so far
    };
    const Step steps[] = {
        {"-", true, 0, 0},     // on its way to a number: nothing yet
        {"4", false, -4, 1},   // -4
        {"0", false, -40, 2},  // -40
        {"0", false, -100, 3}, // -400, held to the range
        {"0", false, -100, 3}, // still -100: nothing new to say
    };
    CVelEdit* box = page->Edit(CVideoEffectDlg::kSaturation);
    box->setFocus();
    mainWindow.seen.clear();
    for (const Step& step : steps) {
        if (step.clear) {
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Backspace);
        }
        QTest::keyClicks(box, QString::fromUtf8(step.keys));
        EXPECT_EQ(item->saturation, step.saturation) << box->text().toStdString();
        EXPECT_EQ(mainWindow.seen.size(), step.sent) << box->text().toStdString();
    }
    for (const EditMessage& m : mainWindow.seen) {
        EXPECT_EQ(m.msg, kMsgEffectChanged);
        EXPECT_EQ(m.wParam, 0u) << "live, not a confirmation";
        EXPECT_EQ(m.item, item.get());
    }
    // Cancel takes the typed value back, as it does a step.
    dialog->Cancel();
    EXPECT_EQ(item->saturation, 0);
    EXPECT_EQ(page->Spin(CVideoEffectDlg::kSaturation)->Pos(), 0);
}

TEST_F(EffectsPage, TheSpinsTakeTheSkinsColoursAndADisabledOneIsNoBrightBlock) {
    CSpinCtrl* spin = page->Spin(CVideoEffectDlg::kBrightness);
    QPalette dark;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        dark.setColor(group, QPalette::Button, QColor(0x2B, 0x2D, 0x31));
        dark.setColor(group, QPalette::Base, QColor(0x1E, 0x1F, 0x22));
        dark.setColor(group, QPalette::Mid, QColor(0x4A, 0x4D, 0x52));
        dark.setColor(group, QPalette::ButtonText,
                      group == QPalette::Disabled ? QColor(0x6B, 0x6E, 0x73)
                                                  : QColor(0xDF, 0xE1, 0xE5));
    }
    spin->setPalette(dark);
    for (bool enabled : {true, false}) {
        SCOPED_TRACE(enabled ? "enabled" : "disabled");
        spin->setEnabled(enabled);
        const QImage shot = spin->grab().toImage();
        int bright = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                bright += qGray(shot.pixel(x, y)) > 200 ? 1 : 0;
        const int all = shot.width() * shot.height();
        // Only the arrows may be light (in the enabled one), never the face.
        EXPECT_LT(bright, all / 8) << bright << " of " << all;
    }
    spin->setEnabled(true);
}

TEST_F(EffectsPage, CancelPutsBackTheFlipsTheItemWasShownWith) {
    item->flip = 2;
    dialog->SetItem(item.get(), streamsOf(320, 240));
    clickElement(page->Panel(), CVideoEffectDlg::kHorizontalFlip);
    clickElement(page->Panel(), CVideoEffectDlg::kVerticalFlip);
    EXPECT_EQ(item->flip, 1);
    ASSERT_EQ(mainWindow.seen.size(), 2u);
    mainWindow.seen.clear();
    dialog->Cancel();
    EXPECT_EQ(item->flip, 2);
    ASSERT_EQ(mainWindow.seen.size(), 1u);
    EXPECT_EQ(mainWindow.seen[0].wParam, 0u);
    // Nothing changed since: a second cancel sends nothing.
    mainWindow.seen.clear();
    dialog->show();
    dialog->Cancel();
    EXPECT_TRUE(mainWindow.seen.empty());
}

TEST_F(EffectsPage, CancelReachesOnlyThePageShown) {
    item->watermark.mode = kWatermarkText;
    dialog->SelectPage(CVideoEditDlg::kWatermark);
    auto* watermark = static_cast<CWatermarkDlg*>(dialog->PageAt(CVideoEditDlg::kWatermark));
    watermark->SpinOf(CWatermarkDlg::kLeft)->Step(5);
    EXPECT_EQ(item->watermark.left, 15);
    dialog->SelectPage(CVideoEditDlg::kEffects);
    page->Spin(CVideoEffectDlg::kContrast)->Step(1);
    EXPECT_EQ(item->contrast, 1);
    mainWindow.seen.clear();
    dialog->Cancel();
    EXPECT_EQ(item->contrast, 0);
    EXPECT_EQ(item->watermark.left, 15) << "the watermark page was not shown";
    ASSERT_EQ(mainWindow.seen.size(), 1u);
    EXPECT_EQ(mainWindow.seen[0].msg, kMsgEffectChanged);
}

TEST_F(EffectsPage, TabsShowTheirPagesMadeOnFirstUse) {
    EXPECT_EQ(dialog->PageAt(CVideoEditDlg::kWatermark), nullptr);
    OutlookTabCtrlEx* tabs = dialog->Tabs();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->ItemRect(CVideoEditDlg::kCrop).center());
    EXPECT_EQ(dialog->ShownPage(), CVideoEditDlg::kCrop);
    ASSERT_NE(dialog->PageAt(CVideoEditDlg::kCrop), nullptr);
    EXPECT_TRUE(dialog->PageAt(CVideoEditDlg::kCrop)->isVisible());
    EXPECT_EQ(dialog->PageAt(CVideoEditDlg::kCrop)->Item(), item.get());
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(dialog->PageAt(CVideoEditDlg::kWatermark), nullptr);
    // The page fills the area beside the strip and above the buttons.
    EXPECT_EQ(dialog->PageAt(CVideoEditDlg::kCrop)->geometry(),
              QRect(120, 31, CVideoEditDlg::kWidth - 121, CVideoEditDlg::kHeight - 72));
}

TEST_F(EffectsPage, WithoutAnItemZerosAndNoConfirm) {
    item->brightness = 30;
    item->flip = 3;
    dialog->SetItem(item.get(), streamsOf(320, 240));
    dialog->SetItem(nullptr, {});
    for (int value : {0, 1, 2})
        EXPECT_EQ(page->Spin(value)->Pos(), 0);
    EXPECT_FALSE(elementChecked(page->Panel(), CVideoEffectDlg::kHorizontalFlip));
    EXPECT_FALSE(elementChecked(page->Panel(), CVideoEffectDlg::kVerticalFlip));
    EXPECT_TRUE(elementDisabled(dialog->ButtonPane(), CVideoEditDlg::kConfirm));
    page->Spin(CVideoEffectDlg::kBrightness)->Step(1);
    clickElement(page->Panel(), CVideoEffectDlg::kReset);
    EXPECT_TRUE(mainWindow.seen.empty());
    EXPECT_EQ(item->brightness, 30);
}

} // namespace
