// Items of a pane under the mouse: clicks and their notifications, check boxes, disabled items,
// hover highlight and the tooltip after the mouse rests.
#include "CBaseWnd.h"
#include "CXInfoTip.h"
#include "SkinUiTestSupport.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kPaneId = 555;

class SkinUiPaneItems : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        owner.resize(320, 80);
        pane.Create(QStringLiteral("Pane"), 0, &owner, kPaneId);
        pane.setGeometry(0, 0, 320, 80);

        PaneItem button;
        button.id = 1;
        button.imageId = CVelSkin::kAddFile;
        button.caption = QStringLiteral("Add");
        button.gap = 2;
        button.placement = kPlaceTopLeft | kPlaceNatural;
        button.setMargins(8, 0, 4, 0);
        button.behaviour = kItemBackground;
        button.tooltip = QStringLiteral("Add media");
        pane.AddItem(button);

        PaneItem box;
        box.id = 7;
        box.caption = QStringLiteral("Shutdown when finish");
        box.placement = kPlaceTopRight | kPlaceNatural;
        box.setMargins(0, 8, 6, 0);
        box.behaviour = kItemCheckBox;
        pane.AddItem(box);

        owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
        pane.ArrangeItems();
        // Start every test with the mouse resting on empty space (a move to where the mouse
        // already is would not be delivered).
        QTest::mouseMove(&pane, QPoint(160, 70));
    }

    QPoint centerOf(int id) { return pane.FindItem(id)->rect().toQRect().center(); }
    QImage shot() { return pane.grab().toImage(); }

    TestSkin skin;
    RecordingTarget owner;
    CBaseWnd pane{&skin.skin()};
};

TEST_F(SkinUiPaneItems, ClickReportsTheItemWithPaneIdToTheParent) {
    QTest::mouseClick(&pane, Qt::LeftButton, {}, centerOf(1));
    const auto notes = owner.callsOf(kMsgPaneNotify);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].wParam, kNotifyClick);
    EXPECT_EQ(notes[0].notify.paneId, kPaneId);
    EXPECT_EQ(notes[0].itemId, 1);

    owner.clear();
    QTest::mouseClick(&pane, Qt::LeftButton, {}, QPoint(200, 70)); // empty space
    ASSERT_EQ(owner.callsOf(kMsgPaneNotify).size(), 1u);
    EXPECT_EQ(owner.calls[0].itemId, 0);

    owner.clear();
    QTest::mouseDClick(&pane, Qt::LeftButton, {}, centerOf(1));
    bool sawDouble = false;
    for (const auto& call : owner.callsOf(kMsgPaneNotify))
        sawDouble |= call.wParam == kNotifyDblClick && call.itemId == 1;
    EXPECT_TRUE(sawDouble);
}

TEST_F(SkinUiPaneItems, CheckBoxTogglesAndDrawsItsBox) {
    const QRect r = pane.FindItem(7)->rect().toQRect();
    QTest::mouseClick(&pane, Qt::LeftButton, {}, centerOf(7));
    EXPECT_EQ(pane.ItemState(7) & kStateChecked, kStateChecked);
    ASSERT_FALSE(owner.calls.empty());
    EXPECT_EQ(owner.calls.back().wParam, kNotifyClick);
    EXPECT_EQ(owner.calls.back().itemId, 7);
    // The checked box image sits 2 px in from the item's corner.
    EXPECT_EQ(shot().pixel(r.left() + 4, r.top() + 4),
              TestSkin::imageColor(CVelSkin::kCheckboxChecked).rgb());

    QTest::mouseClick(&pane, Qt::LeftButton, {}, centerOf(7));
    EXPECT_EQ(pane.ItemState(7) & kStateChecked, 0);
    EXPECT_EQ(shot().pixel(r.left() + 4, r.top() + 4),
              TestSkin::imageColor(CVelSkin::kCheckboxNormal).rgb());
}

TEST_F(SkinUiPaneItems, DisabledItemNeitherHighlightsNorReportsAndIsGrey) {
    pane.SetItemState(1, 0, kStateDisabled);
    const PaneItem& item = *pane.FindItem(1);
    const QPoint imagePoint(item.left + 4, (item.top + item.bottom) / 2);

    QTest::mouseMove(&pane, centerOf(1));
    EXPECT_EQ(pane.ItemState(1) & kStateHover, 0);
    QTest::mouseClick(&pane, Qt::LeftButton, {}, centerOf(1));
    for (const auto& call : owner.callsOf(kMsgPaneNotify))
        EXPECT_NE(call.itemId, 1);

    // Red through the grey matrix: 0.299 * 255 on every channel, blue raised by 0.05.
    const QColor grey = shot().pixelColor(imagePoint);
    EXPECT_NEAR(grey.red(), 76, 1);
    EXPECT_NEAR(grey.green(), 76, 1);
    EXPECT_NEAR(grey.blue(), 89, 1);

    pane.SetItemState(1, kStateDisabled, 0);
    EXPECT_EQ(shot().pixelColor(imagePoint), QColor(255, 0, 0));
}

TEST_F(SkinUiPaneItems, HoverHighlightsTheItemAndLeavingClearsIt) {
    const PaneItem& item = *pane.FindItem(1);
    // Inside the rounded corner, clear of the image and text.
    const QPoint background(item.right - 5, item.top + 2);
    EXPECT_EQ(shot().pixel(background), TestSkin::kItemFill);

    QTest::mouseMove(&pane, centerOf(1));
    EXPECT_EQ(pane.ItemState(1) & kStateHover, kStateHover);
    EXPECT_EQ(shot().pixel(background), TestSkin::kHotFill);

    QTest::mouseMove(&pane, centerOf(7));
    EXPECT_EQ(pane.ItemState(1) & kStateHover, 0);
    EXPECT_EQ(pane.ItemState(7) & kStateHover, kStateHover);
    EXPECT_EQ(shot().pixel(background), TestSkin::kItemFill);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&pane, &leave);
    EXPECT_EQ(pane.ItemState(7) & kStateHover, 0);
}

TEST_F(SkinUiPaneItems, TooltipAppearsAfterTheMouseRests) {
    QTest::mouseMove(&pane, centerOf(1));
    CXInfoTip* tip = pane.Tooltip();
    ASSERT_NE(tip, nullptr);
    pumpEvents(700); // hover after 1000 ms, the balloon 500 ms later
    EXPECT_FALSE(tip->isVisible());
    ASSERT_TRUE(waitUntil([&] { return tip->isVisible(); }, 4000));
    EXPECT_EQ(tip->Text(), QStringLiteral("Add media"));
}

TEST_F(SkinUiPaneItems, StateOperationsOnUnknownItemsChangeNothing) {
    pane.SetItemState(99, 0, kStateChecked);
    EXPECT_EQ(pane.ItemState(99), 0);
    pane.SetItemState(7, 0, kStateChecked | kStateHighlight);
    pane.SetItemState(7, kStateHighlight, 0);
    EXPECT_EQ(pane.ItemState(7), kStateChecked);
    EXPECT_TRUE(pane.RemoveItem(7));
    EXPECT_EQ(pane.FindItem(7), nullptr);
    EXPECT_FALSE(pane.RemoveItem(7));
}

} // namespace
