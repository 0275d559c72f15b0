// The loading dialog: every path is shown for 300 ms and then sent to the main window in order;
// Escape ends the batch before the path on screen is added.
#include "CLoadFileDlg.h"
#include "FileListNotify.h"
#include "FileListTestSupport.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class LoadFile : public ::testing::Test {
protected:
    std::vector<std::string> sentPaths() const {
        std::vector<std::string> out;
        for (const auto& note : host.calls)
            if (note.msg == kMsgLoadFilePath)
                out.push_back(note.text);
        return out;
    }

    ListTestSkin skin;
    NotifyRecorder host;
};

TEST_F(LoadFile, SendsEveryPathInOrderAndEndsItself) {
    const std::vector<std::string> paths = {"/videos/a clip.mp4", "/videos/b.avi", "/music/c.mp3"};
    CLoadFileDlg dialog(paths, &host, nullptr, skin.get());
    std::vector<std::string> onScreen;
    std::vector<qint64> times;
    QElapsedTimer clock;
    host.onNote = [&](const NotifyRecorder::Note&) {
        onScreen.push_back(dialog.CurrentPath());
        times.push_back(clock.elapsed());
    };
    clock.start();
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(sentPaths(), paths);
    EXPECT_EQ(onScreen, paths); // each path was on screen when it was sent
    for (const auto& note : host.calls)
        EXPECT_EQ(note.msg, kMsgLoadFilePath);
    ASSERT_EQ(times.size(), 3u);
    // 100 ms before the first file, then 300 ms for each.
    EXPECT_GE(times[0], 390);
    EXPECT_GE(times[1] - times[0], 290);
    EXPECT_GE(times[2] - times[1], 290);
    EXPECT_EQ(dialog.SentCount(), 3);
    EXPECT_FALSE(dialog.Stopped());
}

TEST_F(LoadFile, EscapeStopsTheBatchBeforeTheFileOnScreenIsAdded) {
    const std::vector<std::string> paths = {"/v/1.mp4", "/v/2.mp4", "/v/3.mp4", "/v/4.mp4"};
    CLoadFileDlg dialog(paths, &host, nullptr, skin.get());
    // While the second path is on screen, the user presses Escape.
    host.onNote = [&](const NotifyRecorder::Note&) {
        if (host.calls.size() == 1)
            QTimer::singleShot(120, &dialog, [&] {
                EXPECT_EQ(dialog.CurrentPath(), "/v/2.mp4");
                QTest::keyClick(&dialog, Qt::Key_Escape);
            });
    };
    dialog.exec();
    EXPECT_EQ(sentPaths(), std::vector<std::string>{"/v/1.mp4"});
    EXPECT_TRUE(dialog.Stopped());
    EXPECT_EQ(dialog.SentCount(), 1);
}

TEST_F(LoadFile, TheDialogShowsTheLoadingText) {
    CLoadFileDlg dialog({"/videos/a-rather-long-folder-name/another-level/clip.mp4"}, &host,
                        nullptr, skin.get());
    QImage shot;
    host.onNote = [&](const NotifyRecorder::Note&) {
        shot = dialog.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    };
    dialog.exec();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.pixel(5, 5), ListTestSkin::kDialog);
    // A border in the skin's border colour.
    EXPECT_EQ(shot.pixel(0, 0), qRgb(200, 100, 0));
    EXPECT_EQ(shot.pixel(shot.width() - 1, shot.height() / 2), qRgb(200, 100, 0));
    // White text in the rectangle from (10, 25).
    const QRect textArea(10, 25, shot.width() - 20, shot.height() - 40);
    EXPECT_GT(countPixels(shot, textArea, [](QRgb c) { return qGray(c) > 200; }), 20);
    EXPECT_EQ(
        countPixels(shot, QRect(0, 0, shot.width(), 22), [](QRgb c) { return qGray(c) > 200; }), 0);
}

} // namespace
