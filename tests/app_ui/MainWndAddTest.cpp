// Adding media to the main window: the add-files dialog with its filter and the loading dialog,
// the folder scan, dropped files and folders, refused and missing files.
#include "AppUiTestSupport.h"

#include "CommandIds.h"

#include "CActionWnd.h"
#include "CFileListWnd.h"
#include "CVelEdit.h"
#include "FileListNotify.h"

#include <QDir>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class MainWndAdd : public MainWindowTest {
protected:
    // A file of `bytes` bytes under the scratch folder; returns its path.
    std::string MakeFile(const std::string& relative, size_t bytes = 10) {
        const fs::path path = fs::path(env->scratch.path().toStdString()) / "media" / relative;
        fs::create_directories(path.parent_path());
        writeFile(path.string(), std::string(bytes, 'x'));
        return path.string();
    }
    std::string MediaFolder() const { return env->scratch.filePath("media").toStdString(); }

    std::vector<std::string> ListedPaths() const {
        std::vector<std::string> paths;
        for (int i = 0; i < dlg->FileList()->Count(); ++i)
            paths.push_back(dlg->FileList()->MediaAt(i)->sourcePath);
        return paths;
    }

    void Drop(const std::vector<std::string>& paths) {
        auto* mime = new QMimeData;
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        mime->setUrls(urls);
        const QPointF at(dlg->FileList()->geometry().center());
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(dlg.get(), &enter);
        QDropEvent drop(at, Qt::CopyAction, mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(dlg.get(), &drop);
        delete mime;
    }
};

} // namespace

TEST_F(MainWndAdd, FolderScanGoesByPatternOrderIgnoresCaseRecursesAndKeepsTheCurrentDirectory) {
    OpenWindow();
    const std::string a = MakeFile("a.mp4");
    const std::string b = MakeFile("b.avi");
    const std::string upper = MakeFile("C.MKV");
    MakeFile("notes.txt");
    const std::string nested = MakeFile("sub/deeper/d.Mp3");
    const std::string webm = MakeFile("e.webm");
    const std::string opus = MakeFile("f.opus");
    const std::string cwd = fs::current_path().string();

    env->services.queueBrowseFolder(MediaFolder());
    dlg->OnCommand(kCmdAddFolder);

    ASSERT_EQ(env->services.folderBrowsers().size(), 1u);
    EXPECT_EQ(env->services.folderBrowsers()[0].title, "Please select a folder : ");
    // Windows media files come before MPEG4, and the nested folder after the folder's own.
    EXPECT_EQ(ListedPaths(), (std::vector<std::string>{b, a, upper, webm, opus, nested}));
    // Nothing may end up in the user's folders through a changed current directory.
    EXPECT_EQ(fs::current_path().string(), cwd);
    const MediaItem* item = dlg->FileList()->MediaAt(0);
    EXPECT_EQ(item->displayName, "b.avi");
    EXPECT_TRUE(item->hasState(kItemNotConvert));
    EXPECT_TRUE(item->hasState(kItemChecked));
    EXPECT_EQ(item->profile, dlg->SelectedProfile());
    EXPECT_EQ(fake.callsOf("VeldesAddMedia2").size(), 6u);
}

TEST_F(MainWndAdd, EscapeDuringAFolderScanStopsItAndKeepsWhatWasAdded) {
    OpenWindow();
    for (const char* name : {"1.avi", "2.avi", "3.avi", "4.avi"})
        MakeFile(name);
    // The key arrives while the first file is being added.
    QCoreApplication::postEvent(dlg.get(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_EQ(dlg->AddFolder(MediaFolder()), 0);
    EXPECT_EQ(ListedPaths().size(), 1u);
    // The latch lives only as long as the scan: the next one runs to its end.
    EXPECT_EQ(dlg->AddFolder(MediaFolder()), 1);
    EXPECT_EQ(ListedPaths().size(), 5u);
}

// The scan is synchronous: a click on Start while it pumps events starts nothing, and closing
// the window ends the scan.
TEST_F(MainWndAdd, DuringAFolderScanOnlyEscapeAndClosingReachTheWindow) {
    OpenWindow();
    for (const char* name : {"1.avi", "2.avi", "3.avi", "4.avi"})
        MakeFile(name);
    dlg->OutputPathEdit()->setText(env->scratch.path());
    QTimer::singleShot(0, dlg.get(), [this] {
        clickItem(dlg->ActionPane(), CActionWnd::kStart);
        QTest::keyClick(dlg.get(), Qt::Key_Delete);
    });
    EXPECT_EQ(dlg->AddFolder(MediaFolder()), 1);
    EXPECT_EQ(ListedPaths().size(), 4u);
    EXPECT_EQ(dlg->State(), kStateIdle);
    EXPECT_EQ(fake.countOf("VeldesRun"), 0u);

    QTimer::singleShot(0, dlg.get(), [this] { dlg->close(); });
    EXPECT_EQ(dlg->AddFolder(MediaFolder()), 0);
    EXPECT_LT(ListedPaths().size(), 8u);
}

TEST_F(MainWndAdd, DroppedFilesAreAddedWhateverTheirExtensionAndDroppedFoldersOnlyMedia) {
    OpenWindow();
    const std::string loose = env->scratch.filePath("readme.xyz").toStdString();
    writeFile(loose, "data");
    const std::string media = MakeFile("clip.flv");
    MakeFile("cover.jpg");
    Drop({loose, MediaFolder()});
    ASSERT_TRUE(waitUntil([&] { return dlg->FileList()->Count() == 2; }));
    EXPECT_EQ(ListedPaths(), (std::vector<std::string>{loose, media}));
}

TEST_F(MainWndAdd, DropsWhileConvertingOrPausedDoNothing) {
    OpenWindow();
    AddItem(MakeFile("running.avi"));
    dlg->OutputPathEdit()->setText(env->scratch.path());
    clickItem(dlg->ActionPane(), CActionWnd::kStart);
    ASSERT_EQ(dlg->State(), kStateConverting);
    const std::string media = MakeFile("late.avi");
    for (int round = 0; round < 2; ++round) {
        Drop({media});
        QTest::qWait(50);
        EXPECT_EQ(dlg->FileList()->Count(), 1) << "round " << round;
        clickItem(dlg->ActionPane(), CActionWnd::kMerge); // pause, then the second round
        ASSERT_EQ(dlg->State(), round == 0 ? kStateSuspended : kStateConverting);
    }
    clickItem(dlg->ActionPane(), CActionWnd::kStart); // stop
}

TEST_F(MainWndAdd, AddFileUsesTheFilterAndTheLoadingDialogAndDropsWhatTheEngineRefuses) {
    OpenWindow();
    const std::string good = MakeFile("good.mp4", 5000);
    const std::string bad = MakeFile("bad.avi");
    FakeSource refused = FakeSource::movie();
    refused.addResult = -1;
    fake.setSource(bad, refused);
    env->services.queueOpenFiles({good, bad});
    env->services.queueMessageBoxAnswer(IDOK);

    // The empty list's "Add File..." button, as a person clicks it.
    clickItem(dlg->FileList(), kFileListAddFileItem);
    ASSERT_TRUE(waitUntil([&] { return env->services.messageBoxes().size() == 1; }, 5000));

    ASSERT_EQ(env->services.openFilesDialogs().size(), 1u);
    const std::string filter = env->services.openFilesDialogs()[0].filter;
    EXPECT_EQ(filter.rfind("All media files|*.avi;*.asf;*.wm;*.wma;*.wmv;*.ram;", 0), 0u);
    EXPECT_NE(filter.find("|Real meida(*.ram;*.rm;*.rmvb;*.ra)|*.ram;*.rm;*.rmvb;*.ra|"),
              std::string::npos);
    EXPECT_NE(filter.find("|Other video(*.trp;*.mkv;*.mod;*.mts;*.webm;*.ogv)|"),
              std::string::npos);
    EXPECT_NE(filter.find("|Other audio(*.wav;*.aac;*.ac3;*.mka;*.mp2;*.mp3;*.amr;*.flac;*.mid;"
                          "*.mpa;*.ogg;*.oga;*.opus;*.m4a)|"),
              std::string::npos);
    EXPECT_EQ(filter.substr(filter.size() - 20), "All files(*.*)|*.*||");

    const auto box = env->services.messageBoxes()[0];
    EXPECT_EQ(box.text, "Failed to load file :\n" + bad);
    EXPECT_EQ(box.caption, "Movara");
    EXPECT_EQ(box.icon, MB_ICONWARNING);
    EXPECT_EQ(ListedPaths(), (std::vector<std::string>{good}));
    EXPECT_EQ(dlg->FileList()->MediaAt(0)->sourceSize, 4); // KiB, rounded down
}

TEST_F(MainWndAdd, AMissingFileIsListedAsNotExistAndUnchecked) {
    OpenWindow();
    const std::string missing = MediaFolder() + "/gone.avi";
    const int index = dlg->AddFileByPath(missing);
    ASSERT_EQ(index, 0);
    const MediaItem* item = dlg->FileList()->MediaAt(0);
    EXPECT_TRUE(item->hasState(kItemNotExist));
    EXPECT_FALSE(item->hasState(kItemChecked));
    EXPECT_EQ(item->sourceSize, 0);
}

TEST_F(MainWndAdd, TheAddCommandsAreOfferedAndLockedDuringAConversion) {
    OpenWindow();
    for (int command : {kCmdAddFile, kCmdAddFolder})
        EXPECT_TRUE(menuEnabled(dlg->Menu(kMenuMain), command)) << command;
    AddItem(MakeFile("x.avi"));
    dlg->OutputPathEdit()->setText(env->scratch.path());
    clickItem(dlg->ActionPane(), CActionWnd::kStart);
    for (int command : {kCmdAddFile, kCmdAddFolder})
        EXPECT_FALSE(menuEnabled(dlg->Menu(kMenuMain), command)) << command;
    // A double click below the rows does not open the dialog while converting.
    QTest::mouseDClick(dlg->FileList(), Qt::LeftButton, {},
                       QPoint(100, dlg->FileList()->height() - 10));
    EXPECT_TRUE(env->services.openFilesDialogs().empty());
    clickItem(dlg->ActionPane(), CActionWnd::kStart);
    QTest::mouseDClick(dlg->FileList(), Qt::LeftButton, {},
                       QPoint(100, dlg->FileList()->height() - 10));
    EXPECT_EQ(env->services.openFilesDialogs().size(), 1u);
}
