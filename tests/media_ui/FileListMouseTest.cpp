// The list through a person's inputs: clicks on rows and boxes, the header box, double and right
// clicks, the wheel, the scroll arrows with their repeat, dragging the thumb, hover and tooltips.
#include "FileListFixture.h"

#include "CXInfoTip.h"

#include <QWheelEvent>

namespace {

class FileListMouse : public FileListFixture {
protected:
    void wheel(int delta) {
        const QPointF at(200, 100);
        QWheelEvent event(at, list->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list, &event);
    }
    QPoint upArrow() const { return {kWidth - 6, 34}; }
    QPoint downArrow() const { return {kWidth - 6, kHeight - 10}; }
};

TEST_F(FileListMouse, ClickingARowFocusesItThenReportsTheClick) {
    fill(5);
    QTest::mouseClick(list, Qt::LeftButton, {}, rowPoint(3));
    EXPECT_EQ(host.codes(), (std::vector<unsigned>{kFileListFocusSet, kFileListClick}));
    EXPECT_EQ(host.notes(kFileListFocusSet)[0].index, 3);
    EXPECT_EQ(host.notes(kFileListClick)[0].index, 3);
    expectFocusBitOnlyAt(3);
    // The focused row again: nothing to report.
    host.clear();
    QTest::mouseClick(list, Qt::LeftButton, {}, rowPoint(3, 300));
    EXPECT_TRUE(host.calls.empty());
    // Below the last row: nothing.
    QTest::mouseClick(list, Qt::LeftButton, {}, rowPoint(7));
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(list->FocusedIndex(), 3);
}

TEST_F(FileListMouse, ABoxClickTogglesTheItemAndReportsIt) {
    fill(3);
    // On another row: focus, toggle, click, in that order.
    QTest::mouseClick(list, Qt::LeftButton, {}, boxPoint(2));
    EXPECT_EQ(host.codes(),
              (std::vector<unsigned>{kFileListFocusSet, kFileListBoxToggled, kFileListClick}));
    EXPECT_EQ(host.notes(kFileListBoxToggled)[0].index, 2);
    EXPECT_FALSE(list->MediaAt(2)->hasState(kItemChecked));
    // On the focused row: only the toggle.
    host.clear();
    QTest::mouseClick(list, Qt::LeftButton, {}, boxPoint(2));
    EXPECT_EQ(host.codes(), (std::vector<unsigned>{kFileListBoxToggled}));
    EXPECT_TRUE(list->MediaAt(2)->hasState(kItemChecked));
}

TEST_F(FileListMouse, AMissingFileCannotBeChecked) {
    fill(1);
    list->Add(makeItem("gone.mp4", kItemNotExist));
    host.clear();
    QTest::mouseClick(list, Qt::LeftButton, {}, boxPoint(1));
    EXPECT_FALSE(list->MediaAt(1)->hasState(kItemChecked));
    EXPECT_TRUE(host.notes(kFileListBoxToggled).empty());
    EXPECT_EQ(list->FocusedIndex(), 1); // the row still takes the focus
}

TEST_F(FileListMouse, ALockedListRefusesBoxesButStillMovesTheFocus) {
    fill(3);
    list->Lock(true);
    QTest::mouseClick(list, Qt::LeftButton, {}, boxPoint(1));
    EXPECT_EQ(host.codes(), (std::vector<unsigned>{kFileListFocusSet}));
    EXPECT_EQ(list->FocusedIndex(), 1);
    EXPECT_TRUE(list->MediaAt(1)->hasState(kItemChecked));
    // The header box too: it stays ticked, as every row is.
    host.clear();
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(8, 9));
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(list->HeaderChecked());
    EXPECT_EQ(list->CheckedCount(), 3);
}

TEST_F(FileListMouse, TheHeaderBoxShowsWhetherEveryRowIsTicked) {
    fill(3, kItemNotConvert);
    list->Add(makeItem("gone.mp4", kItemNotExist));
    EXPECT_FALSE(list->HeaderChecked());
    const QRect headerBox(filelist::kBoxLeft, 7, filelist::kBoxSize, filelist::kBoxSize);
    const QImage unticked = list->grab().toImage().copy(headerBox);
    // Ticked one by one: the header follows once the last row of a file that exists is.
    for (int row = 0; row < 3; ++row) {
        EXPECT_FALSE(list->HeaderChecked()) << row;
        QTest::mouseClick(list, Qt::LeftButton, {}, boxPoint(row));
    }
    EXPECT_TRUE(list->HeaderChecked());
    EXPECT_TRUE(list->ListFlags() & CFileListWnd::kHeaderChecked);
    // Drawn so.
    EXPECT_NE(list->grab().toImage().copy(headerBox), unticked);
    // One row unticked: the header is too; a click on it then ticks every row again.
    QTest::mouseClick(list, Qt::LeftButton, {}, boxPoint(1));
    EXPECT_FALSE(list->HeaderChecked());
    EXPECT_EQ(list->grab().toImage().copy(headerBox), unticked);
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(8, 9));
    EXPECT_TRUE(list->HeaderChecked());
    EXPECT_EQ(list->CheckedCount(), 3);
    // A new row that is not ticked, and the removal of it.
    list->Add(makeItem("new.mp4", kItemNotConvert));
    EXPECT_FALSE(list->HeaderChecked());
    list->Remove(list->Count() - 1);
    EXPECT_TRUE(list->HeaderChecked());
    list->Clear();
    EXPECT_FALSE(list->HeaderChecked()) << "an empty list has nothing ticked";
}

TEST_F(FileListMouse, TheHeaderBoxChecksEveryItemThatExists) {
    fill(2);
    list->Add(makeItem("gone.mp4", kItemNotExist));
    list->CheckAll(false);
    host.clear();
    // The click rectangle reaches two pixels above the drawn box.
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(list->HeaderChecked());
    EXPECT_EQ(list->CheckedCount(), 2);
    ASSERT_EQ(host.notes(kFileListBoxToggled).size(), 1u);
    EXPECT_EQ(host.notes(kFileListBoxToggled)[0].index, -1);
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(13, 14));
    EXPECT_FALSE(list->HeaderChecked());
    EXPECT_EQ(list->CheckedCount(), 0);
    // Just outside it: nothing.
    host.clear();
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(8, 16));
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(FileListMouse, DoubleClicksReportTheFocusedRowOrMinusOneBelowTheRows) {
    fill(3);
    QTest::mouseDClick(list, Qt::LeftButton, {}, rowPoint(1));
    auto dbl = host.notes(kFileListDblClick);
    ASSERT_EQ(dbl.size(), 1u);
    EXPECT_EQ(dbl[0].index, 1);
    EXPECT_EQ(list->FocusedIndex(), 1);

    host.clear();
    QTest::mouseDClick(list, Qt::LeftButton, {}, rowPoint(6));
    dbl = host.notes(kFileListDblClick);
    ASSERT_EQ(dbl.size(), 1u);
    EXPECT_EQ(dbl[0].index, -1);

    // In the header: nothing.
    host.clear();
    QTest::mouseDClick(list, Qt::LeftButton, {}, QPoint(200, 12));
    EXPECT_TRUE(host.notes(kFileListDblClick).empty());
}

TEST_F(FileListMouse, ADoubleClickOnAnEmptyListAsksForFiles) {
    QTest::mouseDClick(list, Qt::LeftButton, {}, QPoint(60, 60));
    const auto dbl = host.notes(kFileListDblClick);
    ASSERT_EQ(dbl.size(), 1u);
    EXPECT_EQ(dbl[0].index, -1);
}

TEST_F(FileListMouse, RightClicksFocusTheRowThenReportIt) {
    fill(4);
    QTest::mouseClick(list, Qt::RightButton, {}, rowPoint(2));
    EXPECT_EQ(host.codes(), (std::vector<unsigned>{kFileListFocusSet, kFileListRightClick}));
    EXPECT_EQ(host.notes(kFileListRightClick)[0].index, 2);
    expectFocusBitOnlyAt(2);

    host.clear();
    QTest::mouseClick(list, Qt::RightButton, {}, rowPoint(8));
    EXPECT_EQ(host.codes(), (std::vector<unsigned>{kFileListRightClick}));
    EXPECT_EQ(host.notes(kFileListRightClick)[0].index, -1);
    EXPECT_EQ(list->FocusedIndex(), 2);
}

struct WheelCase {
    const char* name;
    int count;
    int startRow;
    int delta;
    int rowAfter;
};

void PrintTo(const WheelCase& c, std::ostream* os) {
    *os << c.name;
}

class FileListWheel : public FileListMouse, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(FileListWheel, ScrollsByTheShareOfTheRowsArea) {
    const WheelCase c = GetParam();
    fill(c.count);
    list->ScrollTo(c.startRow);
    ASSERT_EQ(list->FirstVisibleRow(), c.startRow);
    wheel(c.delta);
    EXPECT_EQ(list->FirstVisibleRow(), c.rowAfter);
}

INSTANTIATE_TEST_SUITE_P(FileList, FileListWheel,
                         ::testing::Values(WheelCase{"HundredItemsOneNotchDown", 100, 0, -120, 10},
                                           WheelCase{"HundredItemsOneNotchUp", 100, 25, 120, 15},
                                           WheelCase{"FiveItemsNothing", 5, 0, -120, 0},
                                           WheelCase{"StopsAtTheLastPage", 100, 85, -240, 90},
                                           WheelCase{"StopsAtTheTop", 100, 5, 120, 0},
                                           WheelCase{"SmallStepOnALongList", 1000, 0, -12, 10}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileListMouse, HoldingAnArrowRepeatsUntilReleased) {
    fill(100);
    QTest::mousePress(list, Qt::LeftButton, {}, downArrow());
    EXPECT_EQ(list->FirstVisibleRow(), 1);
    EXPECT_TRUE(list->RepeatTimerActive(2));
    // 500 ms to the first repeat, then every 100 ms.
    pumpEvents(350);
    EXPECT_EQ(list->FirstVisibleRow(), 1);
    ASSERT_TRUE(waitUntil([&] { return list->FirstVisibleRow() >= 4; }, 2000));
    QTest::mouseRelease(list, Qt::LeftButton, {}, downArrow());
    EXPECT_FALSE(list->RepeatTimerActive(2));
    const int stopped = list->FirstVisibleRow();
    pumpEvents(300);
    EXPECT_EQ(list->FirstVisibleRow(), stopped);

    // Moving off the arrow while holding stops the repeat at its next turn.
    QTest::mousePress(list, Qt::LeftButton, {}, upArrow());
    EXPECT_EQ(list->FirstVisibleRow(), stopped - 1);
    EXPECT_TRUE(list->RepeatTimerActive(1));
    QTest::mouseMove(list, QPoint(kWidth - 6, 120));
    ASSERT_TRUE(waitUntil([&] { return !list->RepeatTimerActive(1); }, 2000));
    EXPECT_EQ(list->FirstVisibleRow(), stopped - 1);
    QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(kWidth - 6, 120));
}

TEST_F(FileListMouse, TheRepeatStopsAtTheTop) {
    fill(100);
    list->ScrollTo(1);
    QTest::mousePress(list, Qt::LeftButton, {}, upArrow());
    EXPECT_EQ(list->FirstVisibleRow(), 0);
    ASSERT_TRUE(waitUntil([&] { return !list->RepeatTimerActive(1); }, 2000));
    EXPECT_EQ(list->FirstVisibleRow(), 0);
    QTest::mouseRelease(list, Qt::LeftButton, {}, upArrow());
}

TEST_F(FileListMouse, DraggingTheThumbKeepsItUnderTheMouse) {
    fill(100);
    auto parts = filelist::scrollParts(kHeight, 0, 10, 100);
    const int centre = (parts.thumbTop + parts.thumbBottom) / 2;
    const int x = kWidth - 6;
    QTest::mousePress(list, Qt::LeftButton, {}, QPoint(x, centre));
    EXPECT_EQ(list->FirstVisibleRow(), 0);
    EXPECT_TRUE(list->ListFlags() & CFileListWnd::kThumbDrag);
    for (int y = centre + 10; y <= centre + 80; y += 10) {
        QTest::mouseMove(list, QPoint(x, y));
        parts = filelist::scrollParts(kHeight, list->FirstVisibleRow(), 10, 100);
        const int thumbCentre = (parts.thumbTop + parts.thumbBottom) / 2;
        EXPECT_NEAR(thumbCentre, y, 3) << "mouse at " << y;
    }
    EXPECT_GT(list->FirstVisibleRow(), 0);
    QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(x, centre + 80));
    EXPECT_FALSE(list->ListFlags() & CFileListWnd::kThumbDrag);
    const int after = list->FirstVisibleRow();
    QTest::mouseMove(list, QPoint(x, centre));
    EXPECT_EQ(list->FirstVisibleRow(), after);
}

TEST_F(FileListMouse, APressOnTheTrackJumpsTowardsIt) {
    fill(100);
    // 90 px below the thumb's centre: 100 x 90 / 200 rows.
    const auto parts = filelist::scrollParts(kHeight, 0, 10, 100);
    const int centre = (parts.thumbTop + parts.thumbBottom) / 2;
    QTest::mousePress(list, Qt::LeftButton, {}, QPoint(kWidth - 6, centre + 90));
    EXPECT_EQ(list->FirstVisibleRow(), 45);
    QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(kWidth - 6, centre + 90));
    // No row takes the focus from a press on the scroll bar.
    EXPECT_EQ(list->FocusedIndex(), 0);
}

TEST_F(FileListMouse, ArrowsLightUpUnderTheMouseUntilItLeaves) {
    fill(100);
    QTest::mouseMove(list, QPoint(200, 100));
    QTest::mouseMove(list, upArrow());
    EXPECT_TRUE(list->ListFlags() & CFileListWnd::kUpArrowHot);
    QTest::mouseMove(list, downArrow());
    EXPECT_FALSE(list->ListFlags() & CFileListWnd::kUpArrowHot);
    EXPECT_TRUE(list->ListFlags() & CFileListWnd::kDownArrowHot);
    QTest::mouseMove(&host, QPoint(kWidth + 10, kHeight + 10)); // out of the pane
    EXPECT_FALSE(list->ListFlags() & (CFileListWnd::kUpArrowHot | CFileListWnd::kDownArrowHot));
}

TEST_F(FileListMouse, TooltipsNameTheHeaderBoxAndTheRow) {
    fill(3);
    CXInfoTip* tip = list->Tooltip();
    ASSERT_NE(tip, nullptr);
    // A real hover over a row: the item's name after the mouse rested.
    QTest::mouseMove(list, QPoint(300, 100));
    QTest::mouseMove(list, rowPoint(1));
    ASSERT_TRUE(waitUntil([&] { return tip->Text() == QStringLiteral("item1.mp4"); }, 3000));
    // Every row is ticked: the header's box is, and offers to untick them.
    list->OnHover(nullptr, 0, 9, 12);
    EXPECT_EQ(tip->Text(), QStringLiteral("Unselect all items"));
    list->CheckAll(false);
    list->OnHover(nullptr, 0, 9, 12);
    EXPECT_EQ(tip->Text(), QStringLiteral("Select all items"));
}

TEST_F(FileListMouse, TheNamesBalloonLeavesTheCheckBoxesInSightAndClicksPassThrough) {
    fill(8);
    CXInfoTip* tip = list->Tooltip();
    ASSERT_NE(tip, nullptr);
    // Hovering the name just right of the box, then the balloon shows.
    for (int x : {filelist::kRowTextX + 2, 60, 200}) {
        SCOPED_TRACE(x);
        list->OnHover(nullptr, 0, x, rowPoint(4).y());
        ASSERT_TRUE(waitUntil([&] { return tip->isVisible(); }, 3000));
        const int boxesRight =
            list->mapToGlobal(QPoint(filelist::kBoxLeft + filelist::kBoxSize, 0)).x();
        EXPECT_GT(tip->geometry().left(), boxesRight) << "no box of any row is covered";
        EXPECT_TRUE(tip->testAttribute(Qt::WA_TransparentForMouseEvents));
        EXPECT_TRUE(tip->windowFlags() & Qt::WindowTransparentForInput);
        tip->Hide();
    }
    // A press anywhere puts it away.
    list->OnHover(nullptr, 0, 200, rowPoint(4).y());
    ASSERT_TRUE(waitUntil([&] { return tip->isVisible(); }, 3000));
    QTest::mouseClick(list, Qt::LeftButton, {}, boxPoint(2));
    EXPECT_FALSE(tip->isVisible());
    EXPECT_FALSE(list->MediaAt(2)->hasState(kItemChecked)) << "the click reached the box";
}

TEST_F(FileListMouse, EmptyListButtonsSitCentredAndAnswerOnlyWhileEmpty) {
    const PaneItem* add = list->FindItem(kFileListAddFileItem);
    const PaneItem* menu = list->FindItem(kFileListAddMenuItem);
    ASSERT_TRUE(add && menu);
    EXPECT_EQ(add->right - add->left, 124);
    EXPECT_EQ(add->bottom - add->top, 30);
    EXPECT_EQ(add->left, (kWidth - 124) / 2);
    EXPECT_EQ(add->top, 24 + (kHeight - 24 - 30) / 2);
    EXPECT_EQ(menu->left, add->right);
    EXPECT_EQ(menu->right - menu->left, 20);
    EXPECT_EQ(menu->top, add->top);
    EXPECT_EQ(menu->bottom, add->bottom);

    const QPoint onAdd = add->rect().toQRect().center();
    QTest::mouseClick(list, Qt::LeftButton, {}, onAdd);
    auto clicks = host.notes(kFileListClick);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].itemId, kFileListAddFileItem);
    EXPECT_EQ(clicks[0].index, -1);

    // Hidden under the rows, the buttons are rows.
    fill(10);
    QTest::mouseClick(list, Qt::LeftButton, {}, onAdd);
    clicks = host.notes(kFileListClick);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].itemId, 0);
    EXPECT_EQ(clicks[0].index, (onAdd.y() - 24) / 20);
}

} // namespace
