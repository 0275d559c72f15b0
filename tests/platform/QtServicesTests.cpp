// How the Qt implementation translates requests into Qt dialogs. Nothing here is shown: the
// dialogs are built and inspected only.
#include "QtDialogSupport.h"
#include "QtPlatformServices.h"
#include "TestSupport.h"

#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(PlatformQt, FilterStringsBecomeQtNameFilters) {
    const struct {
        const char* filter;
        QStringList expected;
    } cases[] = {
        {"Name|*.a;*.b|", {"Name (*.a *.b)"}},
        {"Name|*.a;*.b|Name2|*.c|", {"Name (*.a *.b)", "Name2 (*.c)"}},
        {"Video|*.avi|All files(*.*)|*.*||", {"Video (*.avi)", "All files (*.*)"}},
        {"MPEG2(*.dat;*.m2p)|*.dat;*.m2p|", {"MPEG2 (*.dat *.m2p)"}},
        {"Bitmaps (*.bmp)|*.bmp|", {"Bitmaps (*.bmp)"}},
        {"All media files|*.avi;*.mp4|Other||Ignored|*.x|", {"All media files (*.avi *.mp4)"}},
        {" Spaced | *.a ; ;*.b |", {"Spaced (*.a *.b)"}},
        {"NoPattern||Next|*.n|", {}},
        {"Blank| ; |Next|*.n|", {"Next (*.n)"}},
        {"Lonely name", {}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::qtNameFilters(c.filter), c.expected) << c.filter;
}

TEST(PlatformQt, MessageBoxGetsExactlyTheRequestedLook) {
    const struct {
        unsigned buttons;
        unsigned icon;
        QMessageBox::StandardButtons qtButtons;
        QMessageBox::StandardButton defaultButton;
        QMessageBox::Icon qtIcon;
    } cases[] = {
        {MB_OK, MB_ICONINFORMATION, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Information},
        {MB_OKCANCEL, MB_ICONNONE, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok,
         QMessageBox::NoIcon},
        {MB_YESNOCANCEL, MB_ICONQUESTION, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
         QMessageBox::Yes, QMessageBox::Question},
        {MB_YESNO, MB_ICONWARNING, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes,
         QMessageBox::Warning},
        {MB_RETRYCANCEL, MB_ICONERROR, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry,
         QMessageBox::Critical},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.buttons);
        QMessageBox box;
        platform::setUpMessageBox(box, "Disk <b>C</b> free space is 3 MBytes.", "Movara", c.buttons,
                                  c.icon);
        EXPECT_EQ(box.windowTitle(), "Movara");
        EXPECT_EQ(box.text(), "Disk <b>C</b> free space is 3 MBytes.");
        EXPECT_EQ(box.textFormat(), Qt::PlainText); // texts are shown as written, never as markup
        EXPECT_EQ(box.standardButtons(), c.qtButtons);
        ASSERT_NE(box.defaultButton(), nullptr);
        EXPECT_EQ(box.standardButton(box.defaultButton()), c.defaultButton);
        EXPECT_EQ(box.icon(), c.qtIcon);
    }
}

TEST(PlatformQt, AnswersUseTheClassicNumbers) {
    EXPECT_EQ(platform::classicAnswer(QMessageBox::Ok, MB_OKCANCEL), IDOK);
    EXPECT_EQ(platform::classicAnswer(QMessageBox::Cancel, MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(platform::classicAnswer(QMessageBox::Retry, MB_RETRYCANCEL), IDRETRY);
    EXPECT_EQ(platform::classicAnswer(QMessageBox::Yes, MB_YESNOCANCEL), IDYES);
    EXPECT_EQ(platform::classicAnswer(QMessageBox::No, MB_YESNOCANCEL), IDNO);
    // Closed by the window's close control: the Escape answer of the set.
    EXPECT_EQ(platform::classicAnswer(QMessageBox::NoButton, MB_OK), IDOK);
    EXPECT_EQ(platform::classicAnswer(QMessageBox::NoButton, MB_YESNO), IDNO);
    EXPECT_EQ(platform::classicAnswer(QMessageBox::NoButton, MB_RETRYCANCEL), IDCANCEL);
    EXPECT_EQ(platform::classicAnswer(QMessageBox::NoButton, MB_YESNOCANCEL), IDCANCEL);
}

TEST(PlatformQt, OpenFilesDialogSetUp) {
#if defined(__SANITIZE_THREAD__)
    // Setting the dialog's folder starts Qt's file-info thread (see the test below).
    GTEST_SKIP() << "Qt's file system model threads under ThreadSanitizer";
#endif
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFileDialog dialog;
    platform::setUpOpenFilesDialog(dialog, "Open", "Video|*.avi;*.mp4|", dir.path().toStdString());
    EXPECT_EQ(dialog.windowTitle(), "Open");
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontResolveSymlinks));
    EXPECT_EQ(dialog.nameFilters(), QStringList{"Video (*.avi *.mp4)"});
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
    EXPECT_FALSE(dialog.filter().testFlag(QDir::CaseSensitive));
}

TEST(PlatformQt, OpenFilesDialogListsFilesWhateverTheCase) {
#if defined(__SANITIZE_THREAD__)
    // The file list is gathered on Qt's own threads, synchronised in ways ThreadSanitizer cannot
    // see in a Qt not built with it; this checks Qt's matching only, not our threads.
    GTEST_SKIP() << "Qt's file system model threads under ThreadSanitizer";
#endif
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"clip.avi", "LOUD.AVI", "Mixed.Mp4", "notes.txt"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QFileDialog dialog;
    platform::setUpOpenFilesDialog(dialog, "Open", "Video|*.avi;*.mp4|", dir.path().toStdString());

    // The dialog's file list uses this model with these settings: what it lets through.
    QFileSystemModel model;
    model.setFilter(dialog.filter());
    model.setNameFilterDisables(false);
    model.setNameFilters({"*.avi", "*.mp4"});
    bool loaded = false;
    QObject::connect(&model, &QFileSystemModel::directoryLoaded, [&] { loaded = true; });
    const QModelIndex root = model.setRootPath(dir.path());
    ASSERT_TRUE(testsupport::pumpUntil([&] { return loaded; }, 10s));
    testsupport::pumpFor(100ms);
    QStringList shown;
    for (int row = 0; row < model.rowCount(root); ++row)
        shown << model.fileName(model.index(row, 0, root));
    shown.sort();
    EXPECT_EQ(shown, (QStringList{"LOUD.AVI", "Mixed.Mp4", "clip.avi"}));
}

TEST(PlatformQt, ShowingAFileInAMissingFolderFails) {
    QtPlatformServices services;
    EXPECT_EQ(services.showInFileManager("/nonexistent-movara-folder/clip.3gp"),
              SHELL_PATH_NOT_FOUND);
    EXPECT_LE(services.showInFileManager(""), 32);
}
