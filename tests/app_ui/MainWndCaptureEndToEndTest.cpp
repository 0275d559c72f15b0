// A screen recording added through the main window's screen recorder, converted by the real
// engine and stopped by the person: an X server and a sound server started by the test, the sound
// sources as this machine lists them, the kept output read back with ffprobe.
#include "CMovaraDlg.h"

#include "CActionWnd.h"
#include "CFileListWnd.h"
#include "CScreenRecorderDlg.h"
#include "CVelComboBox.h"
#include "CVelEdit.h"
#include "CVelSkin.h"
#include "CaptureDeviceList.h"
#include "CaptureServers.h"
#include "CommandIds.h"
#include "FakePlatformServices.h"
#include "MediaProbe.h"
#include "ProfileCatalogue.h"
#include "QtTestSupport.h"
#include "VelSettings.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

void clickItem(CBaseWnd* pane, int itemId) {
    const PaneItem* item = pane->FindItem(itemId);
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(pane, Qt::LeftButton, {}, item->rect().toQRect().center());
}

TEST(MainWndCaptureEndToEnd, AScreenRegionWithSoundRecordsThroughTheScreenRecorder) {
    testApp();
    QTemporaryDir scratch;
    const std::string root = scratch.path().toStdString();
    capturetest::MovingScreen screen;
    if (!screen.ok())
        GTEST_SKIP() << "Xvfb could not be started";
    capturetest::SoundServer sound(root + "/pulse");
    if (!sound.ok())
        GTEST_SKIP() << "pulseaudio could not be started";
    setenv("DISPLAY", screen.display().c_str(), 1);

    FakePlatformServices services;
    services.setWritableFolder(root);
    services.setDocumentsFolder(root);
    services.setExecutableFolder(root);
    services.setDataFolder(MOVARA_BIN_DIR);
    services.setScreen({0, 0, 640, 480}, {0, 0, 640, 480});
    // The dialog offers what this machine lists.
    services.setCaptureDevices(CaptureKind::Audio,
                               platform::listCaptureDevices(CaptureKind::Audio));
    ScopedPlatformServices installed(services);
    ASSERT_GE(theSkin().Load(std::string(MOVARA_BIN_DIR) + "/skin/Default.skin"), 0);

    VelSettings settings;
    ProfileCatalogue catalogue;
    CMovaraDlg dlg(settings, catalogue);
    ASSERT_EQ(dlg.Create(), 0);
    ASSERT_TRUE(dlg.InitDialog());
    dlg.show();
    settings.setOption(kOptionSameAsInput, false);
    const std::string out = root + "/out";
    std::filesystem::create_directories(out);
    dlg.OutputPathEdit()->setText(QString::fromStdString(out));

    auto* poll = new QTimer(&dlg);
    QObject::connect(poll, &QTimer::timeout, [poll] {
        auto* recorder = dynamic_cast<CScreenRecorderDlg*>(QApplication::activeModalWidget());
        if (!recorder)
            return;
        poll->stop();
        EXPECT_EQ(recorder->AudioCombo()->currentText().toStdString(),
                  capturetest::SoundServer::kMonitorName);
        clickItem(recorder->Pane(), CScreenRecorderDlg::kRegion);
        const char* region[4] = {"321", "101", "621", "301"};
        for (int i = 0; i < 4; ++i)
            recorder->RegionEdit(i)->setText(region[i]);
        recorder->TimeLimitEdit()->setText("1");
        clickItem(recorder->Pane(), CScreenRecorderDlg::kOk);
    });
    poll->start(10);
    dlg.OnCommand(kCmdScreenRecorder);
    ASSERT_EQ(dlg.FileList()->Count(), 1);
    MediaItem* item = dlg.FileList()->MediaAt(0);
    EXPECT_EQ(item->displayName, "Vel Screen Recorder");
    EXPECT_EQ(item->duration, 60000);

    // The dialog's shortest limit is a minute; the person stops it after about three seconds,
    // and what was recorded is kept as a finished file.
    QElapsedTimer recording;
    recording.start();
    clickItem(dlg.ActionPane(), CActionWnd::kStart);
    ASSERT_TRUE(waitUntil([&] { return item->progress.load() > 0; }, 20000));
    QTest::qWait(3000);
    clickItem(dlg.ActionPane(), CActionWnd::kStart);
    const double stoppedAfter = recording.elapsed() / 1000.0;
    EXPECT_EQ(dlg.State(), kStateIdle);
    ASSERT_TRUE(waitUntil([&] { return item->hasState(kItemFinish); }, 20000)) << item->stateText();

    const std::string file = out + "/Vel Screen Recorder." + item->outputExtension();
    const testmedia::FileProbe probe = testmedia::probe(file);
    ASSERT_TRUE(probe.ok) << probe.error;
    EXPECT_EQ(probe.count("video"), 1);
    EXPECT_EQ(probe.count("audio"), 1);
    EXPECT_NEAR(probe.first("video")->frameRate, 25.0, 0.01);
    EXPECT_GT(probe.duration, 3.0);
    EXPECT_LT(probe.duration, stoppedAfter + 0.5);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out),
                            std::filesystem::directory_iterator()),
              1);
    // The region's right half of the screen is blue.
    int width = 0, height = 0;
    const auto frame = testmedia::grabFrame(file, 1.0, "rgb24", &width, &height);
    ASSERT_FALSE(frame.empty());
    EXPECT_GT(testmedia::meanOf(frame, width, 3, 2, 0, 0, width, height), 200.0);
}

} // namespace
