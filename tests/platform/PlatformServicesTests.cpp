// The services seam as other subsystems use it, with the scripted fake: marshalling to the
// user-interface thread, the script, and what the fake records.
#include "Background.h"
#include "FakePlatformServices.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <atomic>

using namespace std::chrono_literals;
using testsupport::Background;
using testsupport::pumpUntil;

TEST(PlatformServices, MessageBoxFromAWorkerIsShownOnTheUiThreadWhileTheWorkerWaits) {
    FakePlatformServices fake;
    ScopedPlatformServices installed(fake);
    fake.queueMessageBoxAnswers({IDRETRY, IDCANCEL});

    // Each box records how many of the worker's calls had returned when it was shown.
    std::atomic<int> returned{0};
    std::vector<int> returnedWhenShown;
    fake.onMessageBox([&](const FakePlatformServices::MessageBoxCall&) {
        returnedWhenShown.push_back(returned.load());
    });
    Background<std::vector<int>> worker([&] {
        std::vector<int> answers;
        for (int i = 0; i < 2; ++i) {
            answers.push_back(platformServices().messageBox("Disk space is not enough.", "Movara",
                                                            MB_RETRYCANCEL, MB_ICONWARNING));
            ++returned;
        }
        return answers;
    });
    ASSERT_TRUE(pumpUntil([&] { return worker.ready(); }));
    EXPECT_EQ(worker.get(), (std::vector<int>{IDRETRY, IDCANCEL}));
    EXPECT_EQ(returnedWhenShown, (std::vector<int>{0, 1}));

    const auto boxes = fake.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.thread, std::this_thread::get_id()) << "shown off the user-interface thread";
        EXPECT_EQ(box.caption, "Movara");
        EXPECT_EQ(box.text, "Disk space is not enough.");
        EXPECT_EQ(box.buttons, MB_RETRYCANCEL);
        EXPECT_EQ(box.icon, MB_ICONWARNING);
    }
    EXPECT_EQ(fake.pendingMessageBoxAnswers(), 0u);
}

TEST(PlatformServices, UnscriptedBoxesAnswerAsEscapeWouldAndButtonsAreNormalised) {
    FakePlatformServices fake;
    struct Case {
        unsigned buttons;
        unsigned icon;
        unsigned shownButtons;
        unsigned shownIcon;
        int answer;
    };
    const Case cases[] = {
        {MB_OK, MB_ICONINFORMATION, MB_OK, MB_ICONINFORMATION, IDOK},
        {MB_OKCANCEL, MB_ICONNONE, MB_OKCANCEL, MB_ICONNONE, IDCANCEL},
        {MB_YESNOCANCEL, MB_ICONQUESTION, MB_YESNOCANCEL, MB_ICONQUESTION, IDCANCEL},
        {MB_YESNO, MB_ICONQUESTION, MB_YESNO, MB_ICONQUESTION, IDNO},
        {MB_RETRYCANCEL, MB_ICONWARNING, MB_RETRYCANCEL, MB_ICONWARNING, IDCANCEL},
        // the classic habit of or-ing the icon into the buttons
        {MB_RETRYCANCEL | MB_ICONWARNING, MB_ICONNONE, MB_RETRYCANCEL, MB_ICONWARNING, IDCANCEL},
        {MB_OK | MB_ICONERROR, MB_ICONNONE, MB_OK, MB_ICONERROR, IDOK},
        // sets this platform does not offer fall back to a plain OK box
        {0x2, MB_ICONNONE, MB_OK, MB_ICONNONE, IDOK},
        {0x6, 0x70, MB_OK, MB_ICONNONE, IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "buttons " << c.buttons << " icon " << c.icon);
        EXPECT_EQ(fake.messageBox("text", "caption", c.buttons, c.icon), c.answer);
        const auto shown = fake.messageBoxes().back();
        EXPECT_EQ(shown.buttons, c.shownButtons);
        EXPECT_EQ(shown.icon, c.shownIcon);
    }
}

TEST(PlatformServices, FakeDialogsAnswerFromTheScriptThenCancel) {
    FakePlatformServices fake;
    fake.queueOpenFiles({"/media/a.avi", "/media/b.mp4"});
    fake.queueBrowseFolder("/media/out");
    fake.queueColor(0x0000FF);

    const std::string filter = "Video|*.avi;*.mp4|All files(*.*)|*.*||";
    EXPECT_EQ(fake.openFilesDialog("Open", filter, "/media"),
              (std::vector<std::string>{"/media/a.avi", "/media/b.mp4"}));
    EXPECT_TRUE(fake.openFilesDialog("Open", filter, "/media").empty());
    EXPECT_EQ(fake.browseFolder("Please select a folder : ", ""), "/media/out");
    EXPECT_EQ(fake.browseFolder("Please select a folder : ", "/media/out"), "");
    EXPECT_EQ(fake.chooseColor(0x123456), std::optional<uint32_t>(0x0000FF));
    EXPECT_EQ(fake.chooseColor(0x123456), std::nullopt);

    const auto opened = fake.openFilesDialogs();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].caption, "Open");
    EXPECT_EQ(opened[0].filter, filter);
    EXPECT_EQ(opened[0].initialFolder, "/media");
    const auto browsed = fake.folderBrowsers();
    ASSERT_EQ(browsed.size(), 2u);
    EXPECT_EQ(browsed[1].initialFolder, "/media/out");
    EXPECT_EQ(fake.colorDialogs(), (std::vector<uint32_t>{0x123456, 0x123456}));
}

TEST(PlatformServices, DesktopRequestsFromAWorkerRunOnTheUiThreadAndAreRecorded) {
    FakePlatformServices fake;
    fake.setShowInFileManagerResult(SHELL_FILE_NOT_FOUND);
    fake.setOpenDocumentResult(false);
    Background<std::pair<bool, int>> worker([&fake] {
        const bool opened = fake.openDocument("/opt/movara/Movara.chm");
        const int shown = fake.showInFileManager("/media/out/clip.3gp");
        fake.powerOff();
        return std::make_pair(opened, shown);
    });
    ASSERT_TRUE(pumpUntil([&] { return worker.ready(); }));
    EXPECT_FALSE(worker.get().first);
    EXPECT_EQ(worker.get().second, SHELL_FILE_NOT_FOUND);
    EXPECT_EQ(fake.openedDocuments(), (std::vector<std::string>{"/opt/movara/Movara.chm"}));
    EXPECT_EQ(fake.shownFiles(), (std::vector<std::string>{"/media/out/clip.3gp"}));
    EXPECT_EQ(fake.powerOffRequests(), 1);
}

TEST(PlatformServices, FakeSystemFacilitiesAreScriptedPerValue) {
    FakePlatformServices fake;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string scripted = dir.path().toStdString() + "/full";
    const std::string real = dir.path().toStdString();
    fake.setFreeSpace(scripted, 5 * 1048576ull);
    fake.setFreeSpace("/unreadable", std::nullopt);
    fake.setMountPoint(scripted, "/mnt/usb");
    EXPECT_EQ(fake.freeDiskSpace(scripted), std::optional<uint64_t>(5 * 1048576ull));
    EXPECT_EQ(fake.freeDiskSpace("/unreadable"), std::nullopt);
    EXPECT_EQ(fake.mountPointOf(scripted), "/mnt/usb");
    ASSERT_TRUE(fake.freeDiskSpace(real).has_value()); // unscripted: the real file system
    EXPECT_GT(*fake.freeDiskSpace(real), 0u);

    const SystemTime local{2011, 3, 4, 3, 9, 5, 7, 250};
    const SystemTime utc{2011, 3, 4, 3, 1, 5, 7, 250};
    fake.setClock(local, utc);
    EXPECT_EQ(fake.localTime(), local);
    EXPECT_EQ(fake.utcTime(), utc);

    fake.setTempFolder(real);
    const std::string temp = fake.tempFileName("", "Vel");
    EXPECT_EQ(temp.rfind(real + "/Vel", 0), 0u) << temp;
    fake.setWritableFolder(real);
    EXPECT_EQ(fake.writableFolder(), real);
}

TEST(PlatformServices, FakeInstanceLockAndWebClient) {
    FakePlatformServices fake;
    EXPECT_TRUE(fake.acquireInstanceLock("Movara"));
    EXPECT_FALSE(fake.acquireInstanceLock("Movara"));
    fake.releaseInstanceLock();
    EXPECT_FALSE(fake.instanceLockHeld());
    fake.setInstanceLockAvailable(false);
    EXPECT_FALSE(fake.acquireInstanceLock("Movara"));
    EXPECT_EQ(fake.instanceLockRequests().size(), 3u);

    fake.setHttpResponse("http://127.0.0.1/version/movara.xml", std::string(5000, 'v'));
    std::string body;
    EXPECT_EQ(fake.httpGet("http://127.0.0.1/version/movara.xml", "agent", 4096, &body), 4096);
    EXPECT_EQ(body.size(), 4096u);
    EXPECT_EQ(fake.httpGet("http://127.0.0.1/other", "agent", 4096, &body), -1);
    EXPECT_TRUE(body.empty());
    fake.setNetworkAvailable(false);
    EXPECT_FALSE(fake.startNetwork());
    EXPECT_EQ(fake.httpGet("http://127.0.0.1/version/movara.xml", "agent", 4096, &body), -1);
    ASSERT_EQ(fake.httpRequests().size(), 3u);
    EXPECT_EQ(fake.httpRequests()[0].agent, "agent");
    EXPECT_EQ(fake.httpRequests()[0].maxBytes, 4096u);
}

TEST(PlatformServices, InstallingReplacesAndScopesRestore) {
    FakePlatformServices outer;
    FakePlatformServices inner;
    PlatformServices* before = installPlatformServices(&outer);
    {
        ScopedPlatformServices scoped(inner);
        EXPECT_EQ(&platformServices(), &inner);
    }
    EXPECT_EQ(&platformServices(), &outer);
    installPlatformServices(before);
}
