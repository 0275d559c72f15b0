// The screen recorder on the screens as they are, with Qt scaling by 2: a real X server started
// here (one 1440 x 600 screen), or, with --two-screens, two screens side by side where the second
// starts at x = 800, not at 0,0 (Qt's offscreen platform set up with that desktop; the X server
// this machine has keeps a single monitor). Full screen and a dragged region must come out in the
// desktop's device pixels, which is what the recorder captures.
#include "CScreenDrawDlg.h"
#include "CScreenRecorderDlg.h"

#include "CBaseWnd.h"
#include "CVelEdit.h"
#include "CVelSkin.h"
#include "CaptureServers.h"
#include "PaneItem.h"
#include "QtPlatformServices.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

pid_t g_server = 0;
bool g_ready = false;
// The screens the desktop was set up with, in device pixels.
std::vector<ScreenRect> g_screens;

// A 1440 x 600 X server; its display, or "" when Xvfb could not be started.
std::string startServer() {
    int report[2];
    if (::pipe(report) != 0)
        return {};
    g_server = capturetest::spawn({"Xvfb", "-displayfd", std::to_string(report[1]), "-screen", "0",
                                   "1440x600x24", "-nolisten", "tcp"});
    ::close(report[1]);
    std::string number;
    pollfd readable{report[0], POLLIN, 0};
    char c = 0;
    while (::poll(&readable, 1, 5000) > 0 && ::read(report[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(report[0]);
    return number.empty() ? std::string() : ":" + number;
}

void clickItem(CBaseWnd* pane, int itemId) {
    const PaneItem* item = pane->FindItem(itemId);
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(pane, Qt::LeftButton, {}, item->rect().toQRect().center());
}

void onNextDrawWindow(std::function<void(CScreenDrawDlg&)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* draw = dynamic_cast<CScreenDrawDlg*>(QApplication::activeModalWidget());
        if (!draw || !draw->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(*draw);
    });
    poll->start(10);
}

TEST(ScreenGeometry, FullScreenAndADraggedRegionAreTheScreensDevicePixels) {
    if (!g_ready)
        GTEST_SKIP() << "Xvfb could not be started";
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), static_cast<qsizetype>(g_screens.size()));
    QtPlatformServices services;
    ScopedPlatformServices installed(services);
    ASSERT_GE(theSkin().Load(std::string(MOVARA_BIN_DIR) + "/skin/Default.skin"), 0);

    struct Case {
        int screen;
        ScreenRect full;
    };
    std::vector<Case> cases;
    for (size_t i = 0; i < g_screens.size(); ++i)
        cases.push_back({static_cast<int>(i), g_screens[i]});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.screen);
        QScreen* screen = screens[c.screen];
        ASSERT_DOUBLE_EQ(screen->devicePixelRatio(), 2.0);
        // Full screen: the whole screen, where it is.
        {
            CScreenRecorderDlg recorder;
            recorder.move(screen->geometry().topLeft() + QPoint(20, 20));
            recorder.show();
            recorder.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&recorder));
            ASSERT_EQ(recorder.screen(), screen);
            EXPECT_EQ(services.screenGeometry(), c.full);
            clickItem(recorder.Pane(), CScreenRecorderDlg::kOk);
            const VEL_DEVICE_INFO& record = recorder.Record();
            EXPECT_EQ((ScreenRect{record.left, record.top, record.right, record.bottom}), c.full);
        }
        // A region dragged from (10, 10) to (110, 60) in the scaled window's units.
        CScreenRecorderDlg recorder;
        recorder.move(screen->geometry().topLeft() + QPoint(20, 20));
        recorder.show();
        recorder.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&recorder));
        clickItem(recorder.Pane(), CScreenRecorderDlg::kRegion);
        QRect covered;
        onNextDrawWindow([&](CScreenDrawDlg& draw) {
            covered = draw.geometry();
            QTest::mousePress(&draw, Qt::LeftButton, {}, QPoint(10, 10));
            QTest::mouseMove(&draw, QPoint(60, 30));
            QTest::mouseMove(&draw, QPoint(110, 60));
            QTest::mouseRelease(&draw, Qt::LeftButton, {}, QPoint(110, 60));
        });
        clickItem(recorder.Pane(), CScreenRecorderDlg::kSelect);
        EXPECT_EQ(covered, screen->geometry());
        const char* shown[4] = {"20", "20", "220", "120"};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(recorder.RegionEdit(i)->text().toStdString(), shown[i]) << i;
        recorder.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&recorder));
        clickItem(recorder.Pane(), CScreenRecorderDlg::kOk);
        const VEL_DEVICE_INFO& record = recorder.Record();
        EXPECT_EQ(
            (ScreenRect{record.left, record.top, record.right, record.bottom}),
            (ScreenRect{c.full.left + 20, c.full.top + 20, c.full.left + 220, c.full.top + 120}));
    }
    theSkin().Unload();
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const bool twoScreens = argc > 1 && std::string(argv[1]) == "--two-screens";
    QTemporaryDir scratch;
    ::setenv("QT_SCALE_FACTOR", "2", 1);
    if (twoScreens) {
        const QString config = scratch.filePath("screens.json");
        QFile file(config);
        file.open(QIODevice::WriteOnly);
        file.write(R"({"screens": [
            {"name": "left", "x": 0, "y": 0, "width": 800, "height": 600, "logicalDpi": 96},
            {"name": "right", "x": 800, "y": 0, "width": 640, "height": 480, "logicalDpi": 96}]})");
        file.close();
        ::setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toUtf8().constData(), 1);
        g_screens = {{0, 0, 800, 600}, {800, 0, 1440, 480}};
        g_ready = true;
    } else if (const std::string display = startServer(); !display.empty()) {
        ::setenv("DISPLAY", display.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        g_screens = {{0, 0, 1440, 600}};
        g_ready = true;
    } else {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    int result = 0;
    {
        QApplication application(argc, argv);
        result = RUN_ALL_TESTS();
    }
    capturetest::stop(g_server);
    return result;
}
