// The simple panes of the main window, as tabled: their items' places, sizes and texts.
#include "CActionWnd.h"
#include "CSavetoWnd.h"
#include "CStatusWnd.h"
#include "CToolWnd.h"
#include "SkinUiTestSupport.h"

#include <QFontMetrics>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class SkinUiSimplePanes : public ::testing::Test {
protected:
    template <typename Pane> void place(Pane& pane, int id, QSize size) {
        pane.Create(QStringLiteral("Pane"), 0, &owner, id);
        pane.setGeometry(QRect(QPoint(0, 0), size));
        owner.resize(size + QSize(60, 60));
        owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    }
    QRect rectOf(const CBaseWnd& pane, int id) { return pane.FindItem(id)->rect().toQRect(); }

    TestSkin skin;
    RecordingTarget owner;
};

TEST_F(SkinUiSimplePanes, ToolBarButtonsFlowFromTheLeftAndTheCheckBoxSitsRight) {
    CToolWnd tool(&skin.skin());
    place(tool, CToolWnd::kPaneId, QSize(880, CToolWnd::kHeight));
    const int addWidth = TestSkin::imageSize(CVelSkin::kAddFile).width();
    const int otherWidth = TestSkin::imageSize(CVelSkin::kVideoEdit).width();
    EXPECT_EQ(rectOf(tool, CToolWnd::kAddMedia), QRect(8, 4, addWidth, 30));
    EXPECT_EQ(rectOf(tool, CToolWnd::kEditMedia), QRect(8 + addWidth + 8, 4, otherWidth, 30));
    EXPECT_EQ(rectOf(tool, CToolWnd::kRemove).left(),
              8 + addWidth + 4 * (8 + otherWidth) - otherWidth);
    const PaneItem& box = *tool.FindItem(CToolWnd::kShutdown);
    const QFontMetrics metrics(tool.ItemFont(box));
    const int boxWidth = metrics.horizontalAdvance(box.caption) + metrics.height();
    EXPECT_EQ(rectOf(tool, CToolWnd::kShutdown), QRect(880 - 10 - boxWidth, 6, boxWidth, 30));
    EXPECT_EQ(box.behaviour & kItemCheckBox, kItemCheckBox);
    EXPECT_EQ(box.caption, QStringLiteral("Shutdown when finish"));
    EXPECT_EQ(box.tooltip, QStringLiteral("shutdown when finish"));
    EXPECT_EQ(tool.FindItem(CToolWnd::kRemove)->tooltip,
              QStringLiteral("Remove the selected item"));
    EXPECT_EQ(tool.FindItem(CToolWnd::kAddMedia)->imageAlign, 18);
}

TEST_F(SkinUiSimplePanes, StatusBarHasItsTwoTexts) {
    CStatusWnd status(&skin.skin());
    place(status, CStatusWnd::kPaneId, QSize(880, CStatusWnd::kHeight));
    EXPECT_EQ(rectOf(status, CStatusWnd::kCounts), QRect(4, 4, 190, 20));
    EXPECT_EQ(rectOf(status, CStatusWnd::kProfile), QRect(4 + 190 + 10, 4, 500, 20));
    EXPECT_EQ(status.FindItem(CStatusWnd::kCounts)->caption,
              QStringLiteral("Total items : 0  selected : 0"));
    EXPECT_EQ(status.FindItem(CStatusWnd::kProfile)->caption, QStringLiteral("   "));
}

TEST_F(SkinUiSimplePanes, SaveToHeadingSpansThePane) {
    CSavetoWnd saveto(&skin.skin());
    place(saveto, CSavetoWnd::kPaneId, QSize(658, 128));
    EXPECT_EQ(rectOf(saveto, CSavetoWnd::kHeading), QRect(4, 4, 650, 20));
    EXPECT_EQ(saveto.FindItem(CSavetoWnd::kHeading)->caption, QStringLiteral("Convert To:"));
    saveto.resize(400, 128);
    EXPECT_EQ(rectOf(saveto, CSavetoWnd::kHeading), QRect(4, 4, 392, 20));
}

TEST_F(SkinUiSimplePanes, ActionPaneButtonsSitLeftAndRight) {
    CActionWnd action(&skin.skin());
    place(action, CActionWnd::kPaneId, QSize(218, 128));
    EXPECT_EQ(rectOf(action, CActionWnd::kMerge), QRect(6, 12, 100, 100));
    EXPECT_EQ(rectOf(action, CActionWnd::kStart), QRect(218 - 6 - 100, 12, 100, 100));
    EXPECT_EQ(action.FindItem(CActionWnd::kMerge)->imageId, CVelSkin::kJoin);
    EXPECT_EQ(action.FindItem(CActionWnd::kStart)->imageId, CVelSkin::kConvert);
    EXPECT_EQ(action.FindItem(CActionWnd::kStart)->tooltip, QStringLiteral("Start conversion"));
    EXPECT_EQ(action.FindItem(CActionWnd::kMerge)->tooltip, QStringLiteral("Merge media"));
}

TEST_F(SkinUiSimplePanes, HostedControlFollowsItsItem) {
    CSavetoWnd saveto(&skin.skin());
    place(saveto, CSavetoWnd::kPaneId, QSize(300, 128));
    saveto.move(30, 40);
    QWidget control(&owner); // a child of the dialog, laid onto the pane's item
    PaneItem holder;
    holder.id = 9;
    holder.hosted = &control;
    holder.placement = kPlaceTopLeftLine | kPlaceFixedHeight;
    holder.setSize(0, 22);
    holder.setMargins(4, 4, 4, 0);
    saveto.AddItem(holder);
    saveto.ArrangeItems();
    EXPECT_EQ(control.geometry(), QRect(30 + 4, 40 + 24 + 4, 292, 22));
}

} // namespace
