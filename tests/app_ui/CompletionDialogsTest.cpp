// The countdown before power off and the file rename dialog, each on its own.
#include "AppUiTestSupport.h"

#include "CCountdownDlg.h"

#include "CBaseWnd.h"
#include "CFileRenameDlg.h"
#include "CVelEdit.h"

#include <QTest>
#include <QTimer>
#include <QTimerEvent>

using CompletionDialogs = MainWindowTest;

namespace {

void tick(CCountdownDlg& dlg) {
    QTimerEvent event(dlg.TimerId());
    QCoreApplication::sendEvent(&dlg, &event);
}

QString itemText(const CBaseWnd* pane, int id) {
    const PaneItem* item = pane->FindItem(id);
    return item ? item->caption : QString();
}

} // namespace

TEST_F(CompletionDialogs, CountdownRunsFromSixtyToZeroAndClosesWithOkOneTickLater) {
    CCountdownDlg dlg(QStringLiteral("Your computer will be closed after : "), 60);
    EXPECT_EQ(dlg.windowTitle().toStdString(), "Warning");
    EXPECT_EQ(dlg.Pane()->PaneId(), 113);
    EXPECT_EQ(dlg.Pane()->objectName().toStdString(), "Countdown");
    EXPECT_EQ(itemText(dlg.Pane(), CCountdownDlg::kOk), "OK");
    EXPECT_EQ(itemText(dlg.Pane(), CCountdownDlg::kCancel), "Cancel");
    std::vector<int> seconds;
    int result = -1;
    QTimer::singleShot(0, [&] {
        EXPECT_NE(dlg.TimerId(), 0);
        seconds.push_back(dlg.SecondsLeft());
        EXPECT_EQ(itemText(dlg.Pane(), CCountdownDlg::kText).toStdString(),
                  "Your computer will be closed after : 60s");
        for (int i = 0; i < 60; ++i) {
            tick(dlg);
            seconds.push_back(dlg.SecondsLeft());
        }
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(itemText(dlg.Pane(), CCountdownDlg::kText).toStdString(),
                  "Your computer will be closed after : 0s");
        tick(dlg);
    });
    result = dlg.exec();
    EXPECT_EQ(result, 1);
    ASSERT_EQ(seconds.size(), 61u);
    EXPECT_EQ(seconds.front(), 60);
    EXPECT_EQ(seconds.back(), 0);
    EXPECT_EQ(dlg.TimerId(), 0);
}

TEST_F(CompletionDialogs, CountdownButtonsAndANegativeCount) {
    struct Case {
        int item;
        int result;
    };
    for (const Case c : {Case{CCountdownDlg::kOk, 1}, Case{CCountdownDlg::kCancel, 2}}) {
        CCountdownDlg dlg(QStringLiteral("p "), 5);
        QTimer::singleShot(0, [&] { clickItem(dlg.Pane(), c.item); });
        EXPECT_EQ(dlg.exec(), c.result);
    }
    CCountdownDlg defaulted(QStringLiteral("p "), -4);
    EXPECT_EQ(defaulted.SecondsLeft(), 30);
    EXPECT_EQ(defaulted.Text().toStdString(), "p 30s");
}

TEST_F(CompletionDialogs, RenameDialogShowsItsTextsAndValidatesBeforeClosing) {
    const std::string folder = env->scratch.path().toStdString() + "/";
    writeFile(folder + "clip.mp4", "old");
    writeFile(folder + "taken.mp4", "old");
    settings.setOption(kOptionShowRenameDialog, true);
    CFileRenameDlg dlg(folder + "clip.mp4", settings);
    EXPECT_EQ(dlg.windowTitle().toStdString(), "Rename");
    EXPECT_EQ(dlg.Pane()->objectName().toStdString(), "File Rename");
    EXPECT_EQ(itemText(dlg.Pane(), CFileRenameDlg::kExistsText).toStdString(),
              "File \"clip.mp4\" already exists.");
    EXPECT_EQ(itemText(dlg.Pane(), CFileRenameDlg::kNameLabel).toStdString(), "New File Name : ");
    EXPECT_EQ(dlg.Pane()->FindItem(CFileRenameDlg::kCancel)->tooltip.toStdString(),
              "Cancel convert this item");
    EXPECT_TRUE(dlg.Pane()->FindItem(CFileRenameDlg::kAlwaysShow)->isChecked());
    EXPECT_EQ(dlg.NameEdit()->text().toStdString(), "clip");

    int result = -1;
    QTimer::singleShot(0, [&] {
        for (const char* bad : {"", "a/b", "taken"}) {
            dlg.NameEdit()->setText(QString::fromUtf8(bad));
            clickItem(dlg.Pane(), CFileRenameDlg::kOk);
            EXPECT_TRUE(dlg.isVisible()) << bad;
        }
        dlg.NameEdit()->setText(QStringLiteral("fresh"));
        clickItem(dlg.Pane(), CFileRenameDlg::kOk);
    });
    result = dlg.exec();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dlg.NewFullPath(), folder + "fresh.mp4");
    const auto boxes = env->services.messageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "File name can not be empty");
    EXPECT_EQ(boxes[2].text, "File \"taken.mp4\" already exists.");
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, "Rename");
        EXPECT_EQ(box.icon, MB_ICONSTOP);
    }
}

TEST_F(CompletionDialogs, UncheckingAlwaysShowClearsTheBitAndCancelSkips) {
    const std::string path = env->scratch.path().toStdString() + "/clip.mp4";
    writeFile(path, "old");
    settings.setOption(kOptionShowRenameDialog, true);
    CFileRenameDlg dlg(path, settings);
    QTimer::singleShot(0, [&] {
        clickItem(dlg.Pane(), CFileRenameDlg::kAlwaysShow);
        EXPECT_FALSE(settings.option(kOptionShowRenameDialog)); // written at once
        clickItem(dlg.Pane(), CFileRenameDlg::kCancel);
    });
    EXPECT_EQ(dlg.exec(), 2);
    EXPECT_FALSE(settings.option(kOptionShowRenameDialog));

    CFileRenameDlg again(path, settings);
    EXPECT_FALSE(again.Pane()->FindItem(CFileRenameDlg::kAlwaysShow)->isChecked());
    QTimer::singleShot(0, [&] { clickItem(again.Pane(), CFileRenameDlg::kAuto); });
    EXPECT_EQ(again.exec(), 102);
}

TEST_F(CompletionDialogs, RenameDialogRowsDoNotOverlap) {
    const std::string path = env->scratch.path().toStdString() + "/clip.mp4";
    CFileRenameDlg dlg(path, settings);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QRect pane = dlg.Pane()->rect();
    const QRect edit = dlg.NameEdit()->geometry();
    int lastBottom = 0;
    for (int id :
         {CFileRenameDlg::kExistsText, CFileRenameDlg::kEnterText, CFileRenameDlg::kAutoText}) {
        const QRect row = dlg.Pane()->FindItem(id)->rect().toQRect();
        EXPECT_GE(row.top(), lastBottom) << id;
        lastBottom = row.bottom();
    }
    EXPECT_GT(edit.top(), lastBottom);
    for (int id : {CFileRenameDlg::kOk, CFileRenameDlg::kCancel, CFileRenameDlg::kAuto,
                   CFileRenameDlg::kAlwaysShow}) {
        const QRect button = dlg.Pane()->FindItem(id)->rect().toQRect();
        EXPECT_GT(button.top(), edit.bottom()) << id;
        EXPECT_TRUE(pane.contains(button)) << id;
    }
}
