// A file list pane inside a recording parent window, shown offscreen: 500 x 224 pixels, so the
// rows area is 200 pixels high and holds 10 rows.
#pragma once

#include "CFileListWnd.h"
#include "FileListGeometry.h"
#include "FileListTestSupport.h"

#include <QTest>

#include <gtest/gtest.h>

class FileListFixture : public ::testing::Test {
protected:
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 224;

    void SetUp() override {
        host.resize(kWidth + 20, kHeight + 20);
        list = new CFileListWnd(skin.get());
        list->Create(QStringLiteral("FileListWindow"), 0, &host, kFileListPaneId);
        list->setGeometry(0, 0, kWidth, kHeight);
        list->AddEmptyListButtons();
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        host.clear();
    }

    void fill(int count, int32_t flags = kItemChecked | kItemNotConvert) {
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(list->Add(makeItem("item" + std::to_string(i) + ".mp4", flags)), i);
        host.clear();
    }
    // A point in the text of a visible row, and in its check box.
    static QPoint rowPoint(int visibleRow, int x = 200) {
        return {x, filelist::kHeaderHeight + visibleRow * filelist::kRowHeight + 10};
    }
    static QPoint boxPoint(int visibleRow) {
        return {8, filelist::kHeaderHeight + visibleRow * filelist::kRowHeight + 9};
    }
    // Exactly the focused item carries the focus bit.
    void expectFocusBitOnlyAt(int index) {
        for (int i = 0; i < list->Count(); ++i)
            EXPECT_EQ(list->MediaAt(i)->hasState(kItemFocused), i == index) << "item " << i;
        EXPECT_EQ(list->FocusedIndex(), index);
    }
    QImage grab() { return list->grab().toImage().convertToFormat(QImage::Format_ARGB32); }

    ListTestSkin skin;
    NotifyRecorder host;
    CFileListWnd* list = nullptr; // owned by host
};
