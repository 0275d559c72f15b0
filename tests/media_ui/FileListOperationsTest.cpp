// The operations the main window calls: ownership of copies, the focus rules of add, insert and
// remove, clear, check all, moving items, and the first visible row.
#include "FileListFixture.h"

namespace {

using Fixture = FileListFixture;

class FileList : public Fixture {};

TEST_F(FileList, FirstItemIsFocusedWithNotificationZeroSecondIsNot) {
    MediaItem first = makeItem("a.mp4");
    ASSERT_EQ(list->Add(first), 0);
    auto focus = host.notes(kFileListFocusSet);
    ASSERT_EQ(focus.size(), 1u);
    EXPECT_EQ(focus[0].index, 0);
    EXPECT_EQ(focus[0].paneId, kFileListPaneId);

    // A template that happens to carry the focus bit does not make a second focused item.
    MediaItem second = makeItem("b.mp4", kItemChecked | kItemNotConvert | kItemFocused);
    ASSERT_EQ(list->Add(second), 1);
    EXPECT_EQ(host.notes(kFileListFocusSet).size(), 1u);
    expectFocusBitOnlyAt(0);

    // The list holds copies: the caller's templates stay as they were.
    EXPECT_NE(list->MediaAt(0), &first);
    EXPECT_FALSE(first.hasState(kItemFocused));
    EXPECT_TRUE(second.hasState(kItemFocused));
    EXPECT_EQ(list->MediaAt(1)->displayName, "b.mp4");
    EXPECT_EQ(list->IndexOf(list->MediaAt(1)), 1);
    EXPECT_EQ(list->IndexOf(&second), -1);
    EXPECT_EQ(&list->MediaItems(), &list->MediaItems());
    EXPECT_EQ(list->MediaItems().size(), 2u);
    EXPECT_EQ(list->MediaAt(2), nullptr);
    EXPECT_EQ(list->MediaAt(-1), nullptr);
}

struct RemoveCase {
    const char* name;
    int count;
    int focused;
    int removed;
    int focusAfter;
    const char* focusedNameAfter; // "" for none
    int notifiedIndex;            // -2: no focus notification
};

void PrintTo(const RemoveCase& c, std::ostream* os) {
    *os << c.name;
}

class FileListRemove : public Fixture, public ::testing::WithParamInterface<RemoveCase> {};

TEST_P(FileListRemove, FocusFollowsTheRules) {
    const RemoveCase c = GetParam();
    fill(c.count);
    if (c.focused != 0) {
        // Focus the row the way a person does.
        QTest::mouseClick(list, Qt::LeftButton, {}, rowPoint(c.focused));
        host.clear();
    }
    ASSERT_EQ(list->FocusedIndex(), c.focused);
    EXPECT_EQ(list->Remove(c.removed), 1);
    EXPECT_EQ(list->Count(), c.count - 1);
    expectFocusBitOnlyAt(c.focusAfter);
    if (c.focusAfter >= 0)
        EXPECT_EQ(list->MediaAt(c.focusAfter)->displayName, c.focusedNameAfter);
    const auto focus = host.notes(kFileListFocusSet);
    if (c.notifiedIndex == -2) {
        EXPECT_TRUE(focus.empty());
    } else {
        ASSERT_EQ(focus.size(), 1u);
        EXPECT_EQ(focus[0].index, c.notifiedIndex);
    }
}

INSTANTIATE_TEST_SUITE_P(
    FileList, FileListRemove,
    ::testing::Values(RemoveCase{"FocusedLastOfThree", 3, 2, 2, 1, "item1.mp4", 1},
                      RemoveCase{"FocusedMiddle", 3, 1, 1, 1, "item2.mp4", 1},
                      RemoveCase{"FocusedFirst", 3, 0, 0, 0, "item1.mp4", 0},
                      RemoveCase{"AboveTheFocusKeepsTheFocusedItem", 3, 2, 0, 1, "item2.mp4", -2},
                      RemoveCase{"BelowTheFocusChangesNothing", 3, 0, 2, 0, "item0.mp4", -2},
                      RemoveCase{"TheOnlyItem", 1, 0, 0, -1, "", -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileList, RemoveOutsideTheListDoesNothing) {
    fill(2);
    EXPECT_EQ(list->Remove(2), 0);
    EXPECT_EQ(list->Remove(-1), 0);
    EXPECT_EQ(list->Count(), 2);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(FileList, RemoveNearTheEndPullsTheFirstVisibleRowUp) {
    fill(12);
    list->ScrollTo(2); // rows 2..11 shown
    ASSERT_EQ(list->FirstVisibleRow(), 2);
    list->Remove(5);
    EXPECT_EQ(list->FirstVisibleRow(), 1);
    list->ScrollTo(0);
    list->Remove(0);
    EXPECT_EQ(list->FirstVisibleRow(), 0);
}

TEST_F(FileList, ClearSendsFocusMinusOneAndResetsTheScroll) {
    fill(30);
    list->ScrollTo(15);
    list->Clear();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->FocusedIndex(), -1);
    EXPECT_EQ(list->FirstVisibleRow(), 0);
    const auto focus = host.notes(kFileListFocusSet);
    ASSERT_EQ(focus.size(), 1u);
    EXPECT_EQ(focus[0].index, -1);
    // The next item added is focused again.
    host.clear();
    list->Add(makeItem("again.mp4"));
    EXPECT_EQ(list->FocusedIndex(), 0);
    EXPECT_EQ(host.notes(kFileListFocusSet).size(), 1u);
}

TEST_F(FileList, InsertCopyDuplicatesBelowTheFocusAndKeepsTheFocusedItem) {
    fill(3);
    QTest::mouseClick(list, Qt::LeftButton, {}, rowPoint(1));
    host.clear();
    MediaItem* focused = list->MediaAt(1);
    EXPECT_EQ(list->InsertCopy(*focused, 2), 2); // Duplicate
    EXPECT_EQ(list->Count(), 4);
    EXPECT_EQ(list->MediaAt(2)->displayName, "item1.mp4");
    EXPECT_NE(list->MediaAt(2), focused);
    expectFocusBitOnlyAt(1);
    // Above the focus: the focused item moves down with its index.
    EXPECT_EQ(list->InsertCopy(makeItem("top.mp4"), 0), 0);
    EXPECT_EQ(list->MediaAt(list->FocusedIndex()), focused);
    expectFocusBitOnlyAt(2);
    EXPECT_TRUE(host.notes(kFileListFocusSet).empty());
    EXPECT_EQ(list->InsertCopy(makeItem("x.mp4"), 6), -1);
    EXPECT_EQ(list->InsertCopy(makeItem("x.mp4"), -1), -1);
    EXPECT_EQ(list->InsertCopy(makeItem("end.mp4"), 5), 5);
}

TEST_F(FileList, InsertIntoAnEmptyListFocusesTheNewItem) {
    EXPECT_EQ(list->InsertCopy(makeItem("a.mp4"), 0), 0);
    expectFocusBitOnlyAt(0);
    ASSERT_EQ(host.notes(kFileListFocusSet).size(), 1u);
    EXPECT_EQ(host.notes(kFileListFocusSet)[0].index, 0);
}

TEST_F(FileList, CheckAllSkipsMissingFilesAndSetsTheHeaderBox) {
    fill(2);
    list->Add(makeItem("gone.mp4", kItemNotExist));
    list->Add(makeItem("gone-but-checked.mp4", kItemNotExist | kItemChecked));
    host.clear();

    list->CheckAll(false);
    EXPECT_FALSE(list->HeaderChecked());
    EXPECT_EQ(list->CheckedCount(), 1); // the missing file keeps its bit either way
    list->CheckAll(true);
    EXPECT_TRUE(list->HeaderChecked());
    EXPECT_FALSE(list->MediaAt(2)->hasState(kItemChecked));
    EXPECT_EQ(list->CheckedCount(), 3);
    EXPECT_TRUE(host.calls.empty()); // the caller updates its own status text

    list->Lock(true);
    list->CheckAll(false);
    EXPECT_TRUE(list->HeaderChecked());
    EXPECT_EQ(list->CheckedCount(), 3);
    list->Lock(false);
    EXPECT_FALSE(list->IsLocked());
}

TEST_F(FileList, MoveUpAndDownCarryTheFocusedItemAndTheView) {
    fill(15);
    // Focus row 9, the last fully visible one, then move it down: the view follows.
    QTest::mouseClick(list, Qt::LeftButton, {}, rowPoint(9));
    host.clear();
    MediaItem* moving = list->MediaAt(9);
    list->MoveDown();
    EXPECT_EQ(list->FocusedIndex(), 10);
    EXPECT_EQ(list->MediaAt(10), moving);
    EXPECT_EQ(list->FirstVisibleRow(), 1);
    expectFocusBitOnlyAt(10);

    list->ScrollTo(5);
    QTest::mouseClick(list, Qt::LeftButton, {}, rowPoint(0)); // item 5
    host.clear();
    moving = list->MediaAt(5);
    list->MoveUp();
    EXPECT_EQ(list->FocusedIndex(), 4);
    EXPECT_EQ(list->FirstVisibleRow(), 4);
    EXPECT_EQ(list->MediaAt(4), moving);
    EXPECT_TRUE(host.calls.empty()); // same item, no focus notification

    // The ends do not move.
    list->ScrollTo(0);
    QTest::mouseClick(list, Qt::LeftButton, {}, rowPoint(0));
    moving = list->MediaAt(0);
    list->MoveUp();
    EXPECT_EQ(list->MediaAt(0), moving);
    EXPECT_EQ(list->FocusedIndex(), 0);
    list->ScrollTo(14);
    QTest::mouseClick(list, Qt::LeftButton, {}, rowPoint(9)); // item 14
    ASSERT_EQ(list->FocusedIndex(), 14);
    list->MoveDown();
    EXPECT_EQ(list->FocusedIndex(), 14);
}

TEST_F(FileList, ATallerPaneNeverLeavesRowsAboveTheTopUnreachable) {
    fill(20);
    list->ScrollTo(10);
    ASSERT_EQ(list->FirstVisibleRow(), 10);
    list->setGeometry(0, 0, kWidth, 24 + 20 * 15); // 15 rows
    EXPECT_EQ(list->FirstVisibleRow(), 5);
    list->setGeometry(0, 0, kWidth, 24 + 20 * 25);
    EXPECT_FALSE(list->ScrollBarShown());
    EXPECT_EQ(list->FirstVisibleRow(), 0);
}

TEST(FileListGeometry, ColumnsFollowTheSharesWithFourPixelGaps) {
    const auto header = filelist::columnSpans(500, 14);
    EXPECT_EQ(header[0].left, 14);
    EXPECT_EQ(header[0].width, 135 - 14);
    const auto rows = filelist::columnSpans(488, 18); // with the scroll bar
    const int expected[][2] = {
        {18, 131 - 18}, {135, 82 - 4}, {217, 112 - 4}, {329, 87 - 4}, {416, 73 - 4}};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].left, expected[i][0]) << i;
        EXPECT_EQ(rows[i].width, expected[i][1]) << i;
    }
}

TEST(FileListGeometry, ColumnsNarrowerThanTheirSharesGiveTheRestToTheNames) {
    const filelist::ColumnNeeds needs{0, 60, 100, 500, 70};
    const auto plain = filelist::columnSpans(1000, 18);
    const auto fitted = filelist::columnSpans(1000, 18, &needs);
    EXPECT_EQ(fitted[1].width, 60);
    EXPECT_EQ(fitted[2].width, 100);
    EXPECT_EQ(fitted[3].width, plain[3].width) << "never wider than the share";
    EXPECT_EQ(fitted[4].width, 70);
    const int freed = (plain[1].width - 60) + (plain[2].width - 100) + (plain[4].width - 70);
    EXPECT_EQ(fitted[0].left, 18);
    EXPECT_EQ(fitted[0].width, plain[0].width + freed);
    for (int i = 1; i < filelist::kColumnCount; ++i)
        EXPECT_EQ(fitted[i].left, fitted[i - 1].right() + filelist::kColumnGap) << i;
    EXPECT_EQ(fitted[4].right(), plain[4].right());
}

TEST(FileListGeometry, TheThumbStaysBetweenTheArrowsAtLeastEightPixelsLong) {
    const int h = 224;
    for (int count : {11, 100, 10000}) {
        for (int first : {0, count / 2, count - 10}) {
            const auto s = filelist::scrollParts(h, first, 10, count);
            EXPECT_EQ(s.upTop, 24);
            EXPECT_EQ(s.downBottom, h);
            EXPECT_GT(s.thumbTop, s.upBottom - 1) << count << " " << first;
            EXPECT_LT(s.thumbBottom, s.downTop + 1) << count << " " << first;
            EXPECT_GE(s.thumbBottom - s.thumbTop, filelist::kMinThumb);
        }
    }
    // Ten of a hundred rows make a tenth of the track.
    const auto s = filelist::scrollParts(h, 0, 10, 100);
    EXPECT_EQ(s.thumbBottom - s.thumbTop, (s.trackBottom - s.trackTop) / 10);
    EXPECT_EQ(s.thumbTop, s.trackTop + 1);
}

} // namespace
