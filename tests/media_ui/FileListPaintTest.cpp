// What the list draws: focus highlight, progress bars, disabled rows and boxes, the scroll bar,
// only whole rows, and the empty-list buttons only while the list is empty.
#include "FileListFixture.h"

namespace {

class FileListPaint : public FileListFixture {
protected:
    // Rows: 0 focused, 1 converting at 45.67 %, 2 a missing file, then plain items; 12 in all so
    // the scroll bar shows (row width 488).
    void fillShowcase() {
        list->Add(makeItem("first.mp4"));
        MediaItem converting = makeItem("converting.mp4", kItemChecked | kItemConverting);
        converting.progress = 4567;
        list->Add(converting);
        list->Add(makeItem("missing.mp4", kItemNotExist));
        for (int i = 3; i < 12; ++i)
            list->Add(makeItem("more" + std::to_string(i) + ".mp4"));
        host.clear();
    }
    static constexpr int kRowWidth = kWidth - filelist::kScrollWidth;
    static int rowTop(int row) { return filelist::kHeaderHeight + row * filelist::kRowHeight; }
    static QRect nameCell(int row) { return QRect(18, rowTop(row) + 2, 110, 16); }
    static bool grey(QRgb c) { return std::abs(qRed(c) - qGreen(c)) < 4; }
};

TEST_F(FileListPaint, RowsShowFocusProgressAndMissingFiles) {
    fillShowcase();
    ASSERT_TRUE(list->ScrollBarShown());
    const QImage image = grab();

    // Focus fill from x0 to the row end, only on the focused row.
    EXPECT_EQ(image.pixel(kRowWidth - 2, rowTop(0) + 10), ListTestSkin::kFocus);
    EXPECT_EQ(image.pixel(16, rowTop(0) + 10), ListTestSkin::kPane);
    EXPECT_EQ(image.pixel(kRowWidth - 2, rowTop(1) + 10), ListTestSkin::kPane);

    // Progress cell of row 1: bar from cell + 10, 49 px wide, 22 px of it filled.
    const auto columns = list->ColumnSpans(kRowWidth, 18);
    const int barLeft = columns[4].left + 10;
    const int barWidth = columns[4].width - 20;
    const int filled = barWidth * 4567 / 10000;
    EXPECT_EQ(image.pixel(barLeft + 1, rowTop(1) + 4), ListTestSkin::kBarFilled);
    EXPECT_EQ(image.pixel(barLeft + filled - 1, rowTop(1) + 4), ListTestSkin::kBarFilled);
    EXPECT_EQ(image.pixel(barLeft + filled + 1, rowTop(1) + 4), ListTestSkin::kBarEmpty);
    EXPECT_EQ(image.pixel(barLeft + barWidth - 1, rowTop(1) + 15), ListTestSkin::kBarEmpty);
    EXPECT_EQ(image.pixel(barLeft + barWidth + 1, rowTop(1) + 10), ListTestSkin::kPane);
    // The percentage in black over the bar; none at 0 %.
    const QRect bar(barLeft, rowTop(1) + 4, barWidth, 12);
    EXPECT_GT(countPixels(image, bar, [](QRgb c) { return qGray(c) < 60; }), 10);
    EXPECT_EQ(countPixels(image, QRect(barLeft, rowTop(0) + 4, barWidth, 12),
                          [](QRgb c) { return qGray(c) < 60; }),
              0);

    // Existing files in the text colour, the missing one in the disabled colour.
    EXPECT_GT(countPixels(image, nameCell(0), bluish), 10);
    EXPECT_EQ(countPixels(image, nameCell(0), reddish), 0);
    EXPECT_GT(countPixels(image, nameCell(2), reddish), 10);
    EXPECT_EQ(countPixels(image, nameCell(2), bluish), 0);

    // Boxes: checked, and the missing file's through the grey matrix.
    EXPECT_EQ(image.pixel(8, rowTop(0) + 9), ListTestSkin::kBoxChecked);
    EXPECT_TRUE(grey(image.pixel(8, rowTop(2) + 9)));
    EXPECT_NE(image.pixel(8, rowTop(2) + 9), ListTestSkin::kBoxNormal);
    // Header box ticked, as every row of a file that exists is; header titles in the text
    // colour.
    EXPECT_EQ(image.pixel(8, 11), ListTestSkin::kBoxChecked);
    EXPECT_GT(countPixels(image, QRect(14, 4, 100, 18), bluish), 10);
}

TEST_F(FileListPaint, TheScrollBarHasFramedArrowsAndAThumb) {
    fillShowcase();
    list->ScrollTo(2);
    const QImage image = grab();
    const auto parts = filelist::scrollParts(kHeight, 2, 10, 12);
    EXPECT_EQ(image.pixel(kWidth - 6, (parts.thumbTop + parts.thumbBottom) / 2),
              ListTestSkin::kThumb);
    EXPECT_EQ(image.pixel(kWidth - 11, (parts.thumbTop + parts.thumbBottom) / 2),
              ListTestSkin::kPane);
    // Arrow frames at the pane's right edge, top and bottom of the rows area.
    EXPECT_EQ(image.pixel(kWidth - 12, 30), ListTestSkin::kFrame);
    EXPECT_EQ(image.pixel(kWidth - 1, kHeight - 10), ListTestSkin::kFrame);
    EXPECT_EQ(image.pixel(kWidth - 6, 24), ListTestSkin::kFrame);
    // Hovering an arrow draws its triangle in the hot colour.
    EXPECT_EQ(countPixels(image, QRect(kWidth - 11, 25, 10, 18),
                          [](QRgb c) { return c == ListTestSkin::kArrowHot; }),
              0);
    QTest::mouseMove(list, QPoint(200, 100));
    QTest::mouseMove(list, QPoint(kWidth - 6, 34));
    const QImage hot = grab();
    EXPECT_GT(countPixels(hot, QRect(kWidth - 11, 25, 10, 18),
                          [](QRgb c) { return c == ListTestSkin::kArrowHot; }),
              4);
}

TEST_F(FileListPaint, TheMediaColumnTakesTheRoomTheOthersDoNotNeed) {
    list->Add(makeItem("a rather long name of a holiday clip, cut where the column ends.mp4"));
    for (int width : {300, kWidth, 900, 1400}) {
        SCOPED_TRACE(width);
        list->setGeometry(0, 0, width, kHeight);
        grab(); // the fonts are taken as the pane is drawn
        const auto plain = filelist::columnSpans(width, 18);
        const auto drawn = list->ColumnSpans(width, 18);
        EXPECT_GE(drawn[0].width, plain[0].width);
        for (int i = 1; i < filelist::kColumnCount; ++i) {
            EXPECT_LE(drawn[i].width, plain[i].width) << i;
            EXPECT_EQ(drawn[i].left, drawn[i - 1].right() + filelist::kColumnGap) << i;
        }
        EXPECT_EQ(drawn[4].right(), plain[4].right()) << "the columns end where they did";
        // The others keep room for their titles in the header's font.
        const QFontMetrics header(list->StyleFont(1, 1));
        for (int i = 1; i < filelist::kColumnCount; ++i)
            EXPECT_GE(drawn[i].width, std::min(plain[i].width, header.horizontalAdvance(
                                                                   CFileListWnd::ColumnTitle(i))))
                << i;
    }
    // At a wide pane the names gain most of the width.
    list->setGeometry(0, 0, 1400, kHeight);
    grab();
    EXPECT_GT(list->ColumnSpans(1400, 18)[0].width, 1400 / 2);
}

TEST_F(FileListPaint, OnlyWholeRowsAreDrawn) {
    fillShowcase();
    list->setGeometry(0, 0, kWidth, kHeight + 15); // ten rows and three quarters of one
    ASSERT_EQ(list->VisibleRowCount(), 10);
    const QImage image = grab();
    EXPECT_EQ(image.pixel(8, rowTop(9) + 9), ListTestSkin::kBoxChecked);
    EXPECT_EQ(image.pixel(8, rowTop(10) + 9), ListTestSkin::kPane);
    EXPECT_EQ(countPixels(image, nameCell(10), bluish), 0);
}

TEST_F(FileListPaint, ALockedListDrawsEveryRowDisabled) {
    fillShowcase();
    list->Lock(true);
    const QImage image = grab();
    for (int row : {0, 1, 3}) {
        EXPECT_GT(countPixels(image, nameCell(row), reddish), 10) << row;
        EXPECT_EQ(countPixels(image, nameCell(row), bluish), 0) << row;
        EXPECT_TRUE(grey(image.pixel(8, rowTop(row) + 9))) << row;
    }
    list->Lock(false);
    const QImage unlocked = grab();
    EXPECT_EQ(unlocked.pixel(8, rowTop(0) + 9), ListTestSkin::kBoxChecked);
    EXPECT_EQ(countPixels(unlocked, nameCell(1), reddish), 0);
}

TEST_F(FileListPaint, EmptyListButtonsShowOnlyWhileTheListIsEmpty) {
    const QRect add = list->FindItem(kFileListAddFileItem)->rect().toQRect();
    const auto inButton = [&](const QImage& image) {
        return countPixels(image, add, [](QRgb c) { return c != ListTestSkin::kPane; });
    };
    EXPECT_GT(inButton(grab()), add.width() * add.height() / 2);
    list->Add(makeItem("a.mp4"));
    const QImage filled = grab();
    EXPECT_LT(inButton(filled), add.width() * add.height() / 4);
    list->Remove(0);
    EXPECT_GT(inButton(grab()), add.width() * add.height() / 2);
    list->Add(makeItem("a.mp4"));
    list->Clear();
    EXPECT_GT(inButton(grab()), add.width() * add.height() / 2);
}

} // namespace
