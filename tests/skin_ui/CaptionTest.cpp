// The skinned dialog with its caption: caption buttons and their tooltips, double clicks, moving
// by the caption, sizing by the one-pixel ring, and keys that never end the dialog.
#include "CBaseDialog.h"
#include "CCaptionWnd.h"
#include "CStatusWnd.h"
#include "CVelEdit.h"
#include "SkinUiTestSupport.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

// Records what the platform would be asked to do.
class ProbeDialog : public CBaseDialog {
public:
    ProbeDialog(unsigned mask, CBaseSkin* skin) : CBaseDialog(555, nullptr, mask, skin) {
        resize(400, 300);
    }
    bool StartSystemMove() override {
        ++moves;
        return true;
    }
    bool StartSystemResize(Qt::Edges edges) override {
        resizes.push_back(edges);
        return true;
    }
    void OnMenuButton() override { ++menuClicks; }
    int moves = 0;
    int menuClicks = 0;
    std::vector<Qt::Edges> resizes;
};

class SkinUiCaption : public ::testing::Test {
protected:
    void open(ProbeDialog& dialog) {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseMove(dialog.Caption(), QPoint(200, 25));
    }
    QPoint centerOf(CCaptionWnd* caption, int id) {
        return caption->FindItem(id)->rect().toQRect().center();
    }
    // A spot of the caption outside every item.
    QPoint emptySpot(CCaptionWnd* caption) { return QPoint(caption->width() / 2, 26); }

    TestSkin skin;
};

TEST_F(SkinUiCaption, ButtonsFollowTheMaskAndTheTitleIsAnItem) {
    ProbeDialog dialog(47, &skin.skin());
    CCaptionWnd* caption = dialog.Caption();
    ASSERT_NE(caption, nullptr);
    EXPECT_NE(caption->FindItem(CCaptionWnd::kCloseId), nullptr);
    EXPECT_NE(caption->FindItem(CCaptionWnd::kMaximizeId), nullptr);
    EXPECT_NE(caption->FindItem(CCaptionWnd::kMinimizeId), nullptr);
    EXPECT_NE(caption->FindItem(CCaptionWnd::kMenuId), nullptr);
    EXPECT_NE(caption->FindItem(CCaptionWnd::kIconId), nullptr);
    dialog.SetTitle(QStringLiteral("Movara"));
    EXPECT_EQ(caption->FindItem(CCaptionWnd::kTitleId)->caption, QStringLiteral("Movara"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Movara"));

    open(dialog);
    // Close at the right edge, 2 px in; the others flow leftwards from it 2 px apart, 20 x 20
    // at y 4.
    const int w = caption->width();
    EXPECT_EQ(caption->FindItem(CCaptionWnd::kCloseId)->rect().toQRect(), QRect(w - 22, 4, 20, 20));
    EXPECT_EQ(caption->FindItem(CCaptionWnd::kMaximizeId)->rect().toQRect(),
              QRect(w - 44, 4, 20, 20));
    EXPECT_EQ(caption->FindItem(CCaptionWnd::kMinimizeId)->rect().toQRect(),
              QRect(w - 66, 4, 20, 20));

    ProbeDialog plain(0xF, &skin.skin());
    EXPECT_EQ(plain.Caption()->FindItem(CCaptionWnd::kIconId), nullptr);

    CBaseDialog bare(555, nullptr, 0, &skin.skin());
    EXPECT_EQ(bare.Caption(), nullptr);
    EXPECT_TRUE(bare.Panes().empty());
}

TEST_F(SkinUiCaption, MaximizeTooltipChangesWithTheSize) {
    ProbeDialog dialog(63, &skin.skin());
    CCaptionWnd* caption = dialog.Caption();
    EXPECT_EQ(caption->FindItem(CCaptionWnd::kMaximizeId)->tooltip, QStringLiteral("Maximun"));

    open(dialog);
    EXPECT_EQ(caption->FindItem(CCaptionWnd::kMaximizeId)->tooltip, QStringLiteral("Maximum"));

    QTest::mouseClick(caption, Qt::LeftButton, {}, centerOf(caption, CCaptionWnd::kMaximizeId));
    ASSERT_TRUE(waitUntil([&] { return dialog.isMaximized(); }));
    ASSERT_TRUE(waitUntil(
        [&] { return caption->FindItem(CCaptionWnd::kMaximizeId)->tooltip == "Restore"; }));
    EXPECT_EQ(caption->FindItem(CCaptionWnd::kMaximizeId)->imageId, skin->RestoreImageId());

    dialog.ToggleMaximize();
    ASSERT_TRUE(waitUntil([&] { return !dialog.isMaximized(); }));
    ASSERT_TRUE(waitUntil(
        [&] { return caption->FindItem(CCaptionWnd::kMaximizeId)->tooltip == "Maximum"; }));
    EXPECT_EQ(caption->FindItem(CCaptionWnd::kMaximizeId)->imageId, skin->MaximizeImageId());
}

TEST_F(SkinUiCaption, CloseAndMenuButtonsReachTheDialog) {
    ProbeDialog dialog(63, &skin.skin());
    open(dialog);
    CCaptionWnd* caption = dialog.Caption();
    QTest::mouseClick(caption, Qt::LeftButton, {}, centerOf(caption, CCaptionWnd::kMenuId));
    EXPECT_EQ(dialog.menuClicks, 1);
    EXPECT_TRUE(dialog.isVisible());
    QTest::mouseClick(caption, Qt::LeftButton, {}, centerOf(caption, CCaptionWnd::kCloseId));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(SkinUiCaption, DoubleClickOnTheCaptionTogglesMaximizedOnlyWithTheMaximizeBit) {
    ProbeDialog resizable(47, &skin.skin());
    open(resizable);
    QTest::mouseDClick(resizable.Caption(), Qt::LeftButton, {}, emptySpot(resizable.Caption()));
    EXPECT_TRUE(waitUntil([&] { return resizable.isMaximized(); }));

    ProbeDialog fixed(0x1 | 0x4 | 0x8, &skin.skin());
    open(fixed);
    RecordingTarget spy; // sees what the caption reports instead of the dialog
    fixed.Caption()->SetNotifyTarget(&spy);
    QTest::mouseDClick(fixed.Caption(), Qt::LeftButton, {}, emptySpot(fixed.Caption()));
    pumpEvents(100);
    EXPECT_FALSE(fixed.isMaximized());
    for (const auto& call : spy.callsOf(kMsgPaneNotify))
        EXPECT_NE(call.wParam, kNotifyDblClick);
}

TEST_F(SkinUiCaption, DraggingTheCaptionOutsideItsButtonsMovesTheWindow) {
    ProbeDialog dialog(63, &skin.skin());
    open(dialog);
    CCaptionWnd* caption = dialog.Caption();

    const QPoint onMenu = centerOf(caption, CCaptionWnd::kMenuId);
    QTest::mousePress(caption, Qt::LeftButton, {}, onMenu);
    QTest::mouseMove(caption, onMenu + QPoint(3, 1));
    QTest::mouseMove(caption, onMenu + QPoint(-40, 2));
    QTest::mouseRelease(caption, Qt::LeftButton, {}, onMenu + QPoint(-40, 2));
    EXPECT_EQ(dialog.moves, 0);

    const QPoint spot = emptySpot(caption);
    QTest::mousePress(caption, Qt::LeftButton, {}, spot);
    QTest::mouseMove(caption, spot + QPoint(5, 1));
    QTest::mouseRelease(caption, Qt::LeftButton, {}, spot + QPoint(5, 1));
    EXPECT_EQ(dialog.moves, 1);
}

TEST_F(SkinUiCaption, TheStatusBarMovesTheWindowToo) {
    ProbeDialog dialog(63, &skin.skin());
    CStatusWnd status(&skin.skin());
    status.Create(QStringLiteral("StatusBarWindow"), 0, &dialog, CStatusWnd::kPaneId);
    dialog.AddPane(PanePlacement::make(&status, CStatusWnd::kPaneId, kAnchorBottom | kAnchorLeft, 0,
                                       CStatusWnd::kHeight));
    open(dialog);
    const QPoint spot(status.width() - 20, 13);
    QTest::mousePress(&status, Qt::LeftButton, {}, spot);
    QTest::mouseMove(&status, spot + QPoint(-6, 0));
    QTest::mouseRelease(&status, Qt::LeftButton, {}, spot + QPoint(-6, 0));
    EXPECT_EQ(dialog.moves, 1);
}

TEST_F(SkinUiCaption, OnePixelRingSizesOnlyAResizableDialog) {
    ProbeDialog resizable(63, &skin.skin());
    open(resizable);
    CCaptionWnd* caption = resizable.Caption();
    QTest::mouseClick(caption, Qt::LeftButton, {}, QPoint(0, 15));
    QTest::mouseClick(caption, Qt::LeftButton, {}, QPoint(caption->width() - 1, 0));
    ASSERT_EQ(resizable.resizes.size(), 2u);
    EXPECT_EQ(resizable.resizes[0], Qt::LeftEdge);
    EXPECT_EQ(resizable.resizes[1], Qt::TopEdge | Qt::RightEdge);
    EXPECT_EQ(caption->cursor().shape(), Qt::SizeBDiagCursor);

    ProbeDialog fixed(0x1, &skin.skin());
    open(fixed);
    QTest::mouseClick(fixed.Caption(), Qt::LeftButton, {}, QPoint(0, 15));
    EXPECT_TRUE(fixed.resizes.empty());
}

TEST_F(SkinUiCaption, TabMovesTheFocusEnterNeedsADefaultButtonEscapeCloses) {
    ProbeDialog dialog(63, &skin.skin());
    CVelEdit first(&dialog, 1002), second(&dialog, 1003);
    first.setGeometry(20, 60, 100, 20);
    second.setGeometry(20, 90, 100, 20);
    open(dialog);
    first.setFocus();
    ASSERT_TRUE(waitUntil([&] { return first.hasFocus(); }));
    QTest::keyClick(&first, Qt::Key_Tab);
    EXPECT_TRUE(second.hasFocus());
    QTest::keyClick(&second, Qt::Key_Backtab);
    EXPECT_TRUE(first.hasFocus());
    // Without a default button Enter does nothing; Escape acts as the close box.
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(&first, key);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(&first, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
