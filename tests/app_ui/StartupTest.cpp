// The application object's start and end: the single-instance lock, the default skin, the
// network layer, a termination request, and what is released when the run ends.
#include "AppUiTestSupport.h"

#include "CMovaraApp.h"
#include "CommandIds.h"

#include "CFileListWnd.h"
#include "CLoadFileDlg.h"
#include "CVelSkin.h"
#include "ProfileCatalogue.h"
#include "SessionFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <functional>
#include <memory>

namespace {

// The fake services with the real single-instance lock of this platform.
class RealLockServices : public FakePlatformServices {
public:
    bool acquireInstanceLock(const std::string& name) override {
        return PlatformServices::acquireInstanceLock(name);
    }
    void releaseInstanceLock() override { PlatformServices::releaseInstanceLock(); }
};

int mainWindowsOnScreen() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (dynamic_cast<CMovaraDlg*>(widget))
            ++count;
    return count;
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        m_runtime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", scratch.filePath("runtime").toUtf8());
        QDir().mkpath(scratch.filePath("runtime"));
        QFile::setPermissions(scratch.filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writable = scratch.filePath("bin").toStdString();
        data = scratch.filePath("data").toStdString();
        QDir().mkpath(QString::fromStdString(writable));
        QDir().mkpath(QString::fromStdString(data + "/skin"));
        for (FakePlatformServices* s :
             std::initializer_list<FakePlatformServices*>{&services, &first}) {
            s->setWritableFolder(writable);
            s->setDocumentsFolder(scratch.filePath("documents").toStdString());
            s->setDataFolder(data);
        }
        installed = std::make_unique<ScopedPlatformServices>(services);
        FakeVelCodec::instance().reset();
    }
    void TearDown() override {
        installed.reset();
        first.releaseInstanceLock();
        FakeVelCodec::instance().reset();
        if (m_runtime.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", m_runtime);
    }
    void InstallSkin() {
        ASSERT_TRUE(QFile::copy(QString::fromStdString(builtSkinPath()),
                                QString::fromStdString(data + "/skin/Default.skin")));
    }
    std::string settingsPath() const { return writable + "/Movara.cfg"; }
    // Runs the application; the hook ends the main window's run at once.
    int RunAndClose(bool* windowShown = nullptr) {
        CMovaraApp app;
        app.SetWindowHook([windowShown](CMovaraDlg& dlg) {
            if (windowShown)
                *windowShown = true;
            QTimer::singleShot(0, &dlg, [&dlg] { dlg.reject(); });
        });
        return app.Run();
    }

    QTemporaryDir scratch;
    std::string writable;
    std::string data;
    RealLockServices services; // the instance under test
    RealLockServices first;    // an instance already running
    std::unique_ptr<ScopedPlatformServices> installed;

private:
    QByteArray m_runtime;
};

} // namespace

TEST_F(StartupTest, ASecondInstanceSaysSoAndLeavesTheFirstInstanceAlone) {
    InstallSkin();
    ASSERT_TRUE(first.acquireInstanceLock("Movara"));
    writeFile(settingsPath(), "the first instance's settings");
    // The skin in use is the first instance's (another archive than the default).
    const std::string dark = builtDataFolder() + "/skin/Dark.skin";
    ASSERT_GE(theSkin().Load(dark), 0);

    bool shown = false;
    EXPECT_EQ(RunAndClose(&shown), CMovaraApp::kAlreadyRunning);
    EXPECT_FALSE(shown);
    EXPECT_EQ(mainWindowsOnScreen(), 0);
    ASSERT_EQ(services.messageBoxes().size(), 1u);
    const auto box = services.messageBoxes()[0];
    EXPECT_EQ(box.text, "The program is already running!");
    EXPECT_EQ(box.caption, "Movara");
    EXPECT_EQ(box.buttons, MB_OK);
    EXPECT_EQ(box.icon, MB_ICONINFORMATION);
    EXPECT_EQ(readFile(settingsPath()), "the first instance's settings");
    EXPECT_EQ(theSkin().CurrentArchive(), dark);
    EXPECT_NE(theSkin().Image(CVelSkin::kProgLogo), nullptr);

    // Once the first instance ends, a start succeeds.
    first.releaseInstanceLock();
    EXPECT_EQ(RunAndClose(&shown), IDCANCEL);
    EXPECT_TRUE(shown);
}

TEST_F(StartupTest, AMissingSkinEndsBeforeAnyWindowAndALaterStartSucceeds) {
    bool shown = false;
    EXPECT_EQ(RunAndClose(&shown), CMovaraApp::kSkinFailed);
    EXPECT_FALSE(shown);
    EXPECT_EQ(mainWindowsOnScreen(), 0);
    ASSERT_EQ(services.messageBoxes().size(), 1u);
    EXPECT_EQ(services.messageBoxes()[0].text, "Failed to Load skin file \"Default.skin!\"");
    EXPECT_EQ(services.messageBoxes()[0].caption, "Movara");
    EXPECT_EQ(services.messageBoxes()[0].icon, MB_ICONERROR);
    EXPECT_TRUE(readFile(settingsPath()).empty());
    // The lock was given back: another process could take it now.
    ASSERT_TRUE(first.acquireInstanceLock("Movara"));
    first.releaseInstanceLock();

    InstallSkin();
    EXPECT_EQ(RunAndClose(&shown), IDCANCEL);
    EXPECT_TRUE(shown);
    EXPECT_EQ(services.messageBoxes().size(), 1u);
    EXPECT_NE(readFile(settingsPath()).find("<VelConfig"), std::string::npos);
}

TEST_F(StartupTest, TheRunReleasesTheLockAndTheSkinAfterExit) {
    InstallSkin();
    CMovaraApp app;
    app.SetWindowHook(
        [](CMovaraDlg& dlg) { QTimer::singleShot(0, &dlg, [&dlg] { dlg.OnCommand(kCmdExit); }); });
    EXPECT_EQ(app.Run(), IDOK);
    EXPECT_TRUE(first.acquireInstanceLock("Movara"));
    EXPECT_EQ(theSkin().Image(CVelSkin::kProgLogo), nullptr);
    EXPECT_EQ(mainWindowsOnScreen(), 0);
}

TEST_F(StartupTest, ATerminationRequestClosesTheWindowAndKeepsTheSettings) {
    InstallSkin();
    struct sigaction before {};
    ::sigaction(SIGTERM, nullptr, &before);
    CMovaraApp app;
    app.SetWindowHook(
        [](CMovaraDlg& dlg) { QTimer::singleShot(20, &dlg, [] { ::raise(SIGTERM); }); });
    EXPECT_EQ(app.Run(), IDCANCEL);
    EXPECT_NE(readFile(settingsPath()).find("<SkinFileName>skin/Default.skin</SkinFileName>"),
              std::string::npos);
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST_F(StartupTest, NoNetworkLayerEndsTheStartFirst) {
    InstallSkin();
    services.setNetworkAvailable(false);
    EXPECT_EQ(RunAndClose(), CMovaraApp::kNetworkFailed);
    ASSERT_EQ(services.messageBoxes().size(), 1u);
    EXPECT_EQ(services.messageBoxes()[0].text, "Windows sockets initialization failed.");
    EXPECT_EQ(services.messageBoxes()[0].caption, "Movara");
    EXPECT_EQ(services.messageBoxes()[0].icon, MB_ICONNONE);
    EXPECT_TRUE(first.acquireInstanceLock("Movara"));
}

TEST_F(StartupTest, FilesFromTheCommandLineAreAddedInOrderAsAddFileWould) {
    InstallSkin();
    QTemporaryDir media;
    const std::string first = media.filePath("b-first.mp4").toStdString();
    const std::string missing = media.filePath("gone.avi").toStdString();
    const std::string last = media.filePath("a-last.mp3").toStdString();
    writeFile(first, "movie");
    writeFile(last, "sound");

    CMovaraApp app;
    app.SetStartFiles({first, missing, last});
    std::vector<std::string> listed;
    bool loadingDialogSeen = false;
    app.SetWindowHook([&](CMovaraDlg& dlg) {
        auto* poll = new QTimer(&dlg);
        QObject::connect(poll, &QTimer::timeout, &dlg, [&, poll] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                loadingDialogSeen = loadingDialogSeen || dynamic_cast<CLoadFileDlg*>(widget);
            CFileListWnd* list = dlg.FileList();
            if (list->Count() < 3)
                return;
            poll->stop();
            for (int i = 0; i < list->Count(); ++i)
                listed.push_back(list->MediaAt(i)->sourcePath);
            QTimer::singleShot(0, &dlg, [&dlg] { dlg.reject(); });
        });
        poll->start(20);
        QTimer::singleShot(10000, &dlg, [&dlg] { dlg.reject(); });
    });
    EXPECT_EQ(app.Run(), IDCANCEL);
    EXPECT_TRUE(loadingDialogSeen);
    EXPECT_EQ(listed, (std::vector<std::string>{first, missing, last}));
}

TEST_F(StartupTest, ASessionLeftBehindIsOfferedFirstAndYesRestoresItsItemsAsTheyWere) {
    InstallSkin();
    QTemporaryDir media;
    const std::string kept = media.filePath("kept.mp4").toStdString();
    const std::string later = media.filePath("later.mp4").toStdString();
    writeFile(kept, "movie");
    writeFile(later, "movie");
    MediaItem edited;
    edited.sourcePath = kept;
    edited.displayName = "kept.mp4";
    edited.profile = ProfileCatalogue::instance().at(0, 2);
    edited.clipBegin = 400;
    edited.brightness = 30;
    edited.watermark.mode = kWatermarkText;
    edited.watermark.text = "mine";
    edited.setFlag(kItemChecked, false);
    MediaItem gone = edited;
    gone.sourcePath = media.filePath("gone.mp4").toStdString();
    SessionSnapshot snapshot;
    SessionFile::addItem(snapshot, edited, "");
    SessionFile::addItem(snapshot, gone, "");
    const std::string session = writable + "/Session.xml";
    ASSERT_TRUE(SessionFile::write(session, SessionFile::document(snapshot)));
    services.queueMessageBoxAnswer(IDYES);

    CMovaraApp app;
    app.SetStartFiles({later});
    std::vector<MediaItem> listed;
    app.SetWindowHook([&](CMovaraDlg& dlg) {
        auto* poll = new QTimer(&dlg);
        QObject::connect(poll, &QTimer::timeout, &dlg, [&, poll] {
            CFileListWnd* list = dlg.FileList();
            if (list->Count() < 3)
                return;
            poll->stop();
            for (int i = 0; i < list->Count(); ++i)
                listed.push_back(*list->MediaAt(i));
            QTimer::singleShot(0, &dlg, [&dlg] { dlg.reject(); });
        });
        poll->start(20);
        QTimer::singleShot(10000, &dlg, [&dlg] { dlg.reject(); });
    });
    EXPECT_EQ(app.Run(), IDCANCEL);
    ASSERT_FALSE(services.messageBoxes().empty());
    const auto box = services.messageBoxes()[0];
    EXPECT_EQ(box.text, "Movara did not close normally. Restore the 2 media items of the last "
                        "session?");
    EXPECT_EQ(box.caption, "Movara");
    EXPECT_EQ(box.buttons, MB_YESNO);
    // A source gone meanwhile is "Not Exist", as when it is added; the start's file follows.
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].sourcePath, kept);
    EXPECT_EQ(listed[0].profile, edited.profile);
    EXPECT_EQ(listed[0].clipBegin, 400);
    EXPECT_EQ(listed[0].brightness, 30);
    EXPECT_EQ(listed[0].watermark, edited.watermark);
    EXPECT_FALSE(listed[0].hasState(kItemChecked));
    EXPECT_TRUE(listed[1].hasState(kItemNotExist));
    EXPECT_EQ(listed[2].sourcePath, later);
    // A normal end leaves no session behind.
    EXPECT_FALSE(QFile::exists(QString::fromStdString(session)));
}

TEST_F(StartupTest, ALaterStartHandsItsFilesToTheRunningWindowAndEnds) {
    InstallSkin();
    QTemporaryDir media;
    const std::string movie = media.filePath("from-the-file-manager.mp4").toStdString();
    const std::string sound = media.filePath("second.mp3").toStdString();
    writeFile(movie, "movie");
    writeFile(sound, "sound");

    // The later starts are the real program, as a file manager's "Open With" starts it.
    struct Start {
        std::vector<std::string> files;
        int exitCode = -1;
        int listedAfter = 0;
    };
    std::vector<Start> starts{{{movie, sound}}, {{}}};
    CMovaraApp app;
    app.SetWindowHook([&](CMovaraDlg& dlg) {
        auto next = std::make_shared<std::function<void(size_t)>>();
        *next = [&, next](size_t i) {
            if (i == starts.size()) {
                dlg.reject();
                return;
            }
            auto* second = new QProcess(&dlg);
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("QT_QPA_PLATFORM", "offscreen");
            second->setProcessEnvironment(environment);
            QStringList arguments;
            for (const std::string& file : starts[i].files)
                arguments << QString::fromStdString(file);
            QObject::connect(second, &QProcess::finished, &dlg, [&, next, second, i](int code) {
                starts[i].exitCode = code;
                second->deleteLater();
                // The files come through the loading dialog once the sender has its answer.
                auto* poll = new QTimer(&dlg);
                QObject::connect(poll, &QTimer::timeout, &dlg, [&, next, poll, i] {
                    const size_t want = 2;
                    if (dlg.FileList()->Count() < static_cast<int>(want) &&
                        !starts[i].files.empty())
                        return;
                    poll->deleteLater();
                    starts[i].listedAfter = dlg.FileList()->Count();
                    (*next)(i + 1);
                });
                poll->start(20);
            });
            second->start(QStringLiteral(MOVARA_BIN_DIR "/movara"), arguments);
        };
        QTimer::singleShot(0, &dlg, [next] { (*next)(0); });
        QTimer::singleShot(20000, &dlg, [&dlg] { dlg.reject(); });
    });
    EXPECT_EQ(app.Run(), IDCANCEL);
    for (const Start& start : starts)
        EXPECT_EQ(start.exitCode, 0) << start.files.size() << " files";
    EXPECT_EQ(starts[0].listedAfter, 2);
    EXPECT_EQ(starts[1].listedAfter, 2); // a bare start only raises the window
    // Nobody was told that the program already runs.
    EXPECT_TRUE(services.messageBoxes().empty());
}
