// The Tab order of a skinned dialog follows what a person reads, not the order the controls were
// made in: rows from the top, left to right, a pane's items and the real controls laid on it
// mixed by place, groups kept together; Shift+Tab walks the same way back.
#include "FocusOrder.h"
#include "CBaseDialog.h"
#include "CBaseWnd.h"
#include "SkinUiTestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using focusorder::readingOrder;

TEST(FocusOrder, RectanglesAreReadInRowsFromTheTopAndLeftToRightWithin) {
    // Two rows whose tops differ a little, a tall block beside both, a row below.
    const std::vector<QRect> rects{
        {200, 12, 80, 22}, // 0: row 1, right
        {10, 10, 80, 24},  // 1: row 1, left
        {100, 14, 60, 20}, // 2: row 1, middle, a little lower
        {10, 50, 80, 24},  // 3: row 2
        {10, 90, 300, 30}, // 4: row 3, wide
        {120, 52, 40, 20}, // 5: row 2, right
    };
    EXPECT_EQ(readingOrder(rects), (std::vector<int>{1, 2, 0, 3, 5, 4}));
    // A tall block at the left joins the row it starts in, and comes first in it.
    const std::vector<QRect> side{{10, 10, 100, 300}, {120, 40, 50, 20}, {120, 12, 50, 20}};
    EXPECT_EQ(readingOrder(side), (std::vector<int>{0, 2, 1}));
    EXPECT_TRUE(readingOrder({}).empty());
}

PaneItem fixedItem(int id, const QRect& rect, int behaviour) {
    PaneItem item;
    item.id = id;
    item.caption = QStringLiteral("item %1").arg(id);
    item.setRect(LayoutRect::fromQRect(rect));
    item.placement = kPlaceFixedRect;
    item.behaviour = behaviour;
    return item;
}

struct Stop {
    QWidget* widget = nullptr;
    int item = -1;
    bool operator==(const Stop&) const = default;
};

Stop where() {
    QWidget* focus = QApplication::focusWidget();
    const auto* pane = dynamic_cast<const CBaseWnd*>(focus);
    const PaneItem* item = pane ? pane->FocusedItem() : nullptr;
    return {focus, item ? item->id : -1};
}

class FocusOrderDialog : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        dialog =
            std::make_unique<CBaseDialog>(1, nullptr, CBaseDialog::kCaptionClose, &skin.skin());
        dialog->resize(420, 260);
        pane = new CBaseWnd(&skin.skin());
        pane->Create(QStringLiteral("Pane"), 0, dialog.get(), 700);
        pane->setGeometry(0, 40, 420, 160);
        // Made bottom first: the order of making must not matter.
        pane->AddItem(fixedItem(9, QRect(300, 110, 80, 24), kItemFrame | kItemBackground));
        pane->AddItem(fixedItem(8, QRect(20, 110, 120, 22), kItemCheckBox));
        pane->AddItem(fixedItem(7, QRect(20, 60, 120, 22), kItemRadio));
        pane->AddItem(fixedItem(6, QRect(20, 10, 70, 22), kItemNoHover)); // a label: no stop
        lowerEdit = new QLineEdit(pane);
        upperEdit = new QLineEdit(pane);
        PaneItem lower = fixedItem(20, QRect(180, 60, 100, 22), kItemNoHover);
        lower.hosted = lowerEdit;
        PaneItem upper = fixedItem(21, QRect(100, 10, 100, 22), kItemNoHover);
        upper.hosted = upperEdit;
        pane->AddItem(lower);
        pane->AddItem(upper);
        pane->UpdateFocusPolicy();
        // Buttons below the pane, made right to left.
        cancel = new QPushButton(QStringLiteral("Cancel"), dialog.get());
        cancel->setGeometry(320, 220, 80, 26);
        ok = new QPushButton(QStringLiteral("OK"), dialog.get());
        ok->setGeometry(230, 220, 80, 26);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        pane->ArrangeItems();
        QApplication::setActiveWindow(dialog.get());
    }

    TestSkin skin;
    std::unique_ptr<CBaseDialog> dialog;
    CBaseWnd* pane = nullptr;
    QLineEdit* upperEdit = nullptr;
    QLineEdit* lowerEdit = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

TEST_F(FocusOrderDialog, TabFollowsTheLayoutAndShiftTabWalksBack) {
    const std::vector<Stop> expected{{upperEdit, -1}, {pane, 7}, {lowerEdit, -1}, {pane, 8},
                                     {pane, 9},       {ok, -1},  {cancel, -1}};
    EXPECT_TRUE(dialog->VisualTabOrder());
    upperEdit->setFocus(Qt::OtherFocusReason);
    ASSERT_EQ(where(), expected[0]);
    std::vector<Stop> forward{where()};
    for (size_t i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        forward.push_back(where());
    }
    std::vector<Stop> round = expected;
    round.push_back(expected.front()); // once round, back at the start
    ASSERT_EQ(forward.size(), round.size());
    for (size_t i = 0; i < round.size(); ++i) {
        EXPECT_EQ(forward[i].widget, round[i].widget) << i;
        EXPECT_EQ(forward[i].item, round[i].item) << i;
    }
    // Back: from the first stop to the last, then up the rows.
    for (size_t i = expected.size(); i-- > 0;) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        EXPECT_TRUE(where() == expected[i]) << i;
    }
    // The pane's arrows step through its items in the same order.
    pane->FocusItemByKey(7, Qt::TabFocusReason);
    QTest::keyClick(pane, Qt::Key_Right);
    EXPECT_EQ(where().item, 8);
    QTest::keyClick(pane, Qt::Key_Left);
    EXPECT_EQ(where().item, 7);
}

TEST_F(FocusOrderDialog, HiddenAndDisabledControlsAreNoStops) {
    lowerEdit->setEnabled(false);
    ok->hide();
    pane->SetItemState(8, 0, kStateDisabled);
    const std::vector<focusorder::Stop> stops = focusorder::stopsOf(dialog.get());
    const std::vector<focusorder::Stop> expected{
        {upperEdit, -1}, {pane, 7}, {pane, 9}, {cancel, -1}};
    EXPECT_EQ(stops, expected);
}

} // namespace
