// Renders the media information dialog, each preferences page and the "Live Update" pages
// offscreen with the built default skin into PNG files, for looking at them:
//   dialogs_showcase <output folder>
#include "CFileInfoDlg.h"
#include "CLiveUpdateDlg.h"
#include "COptionDlg.h"
#include "CVelSkin.h"
#include "FakePlatformServices.h"
#include "OutlookTabCtrlEx.h"
#include "VelSettings.h"

#include <QApplication>
#include <QDir>
#include <QTest>

#include <cstdio>

namespace {

void save(QWidget& window, const QString& folder, const char* name) {
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    QTest::qWait(50);
    const QString path = folder + "/" + QString::fromUtf8(name) + ".png";
    if (!window.grab().save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    FakePlatformServices services;
    ScopedPlatformServices installed(services);
    theSkin().Load(MOVARA_BIN_DIR "/skin/Default.skin");

    MediaItem item;
    item.sourcePath = "/home/ada/Videos/Holidays 2026/beach walk at sunset.mp4";
    item.sourceSize = 48213;
    item.duration = 184000;
    item.profile = std::make_shared<Profile>();
    item.profile->videoCodec = 2;
    item.profile->width = 320;
    item.profile->height = 240;
    item.profile->sampleRate = 22050;
    tagVeldesStreamInfo streams[2]{};
    streams[0].type = VELDES_STREAM_VIDEO;
    streams[0].bitRate = 2400000;
    streams[0].width = 1280;
    streams[0].height = 720;
    streams[0].frameRate = 29.97;
    streams[1].type = VELDES_STREAM_AUDIO;
    streams[1].bitRate = 128000;
    streams[1].sampleRate = 48000;
    streams[1].channels = 2;
    {
        CFileInfoDlg info(item, streams, 2);
        save(info, folder, "media-info-original");
        info.SetMode(kInfoModeEncoder);
        save(info, folder, "media-info-encoder");
    }

    VelSettings settings;
    settings.snapshotFolder = QDir::tempPath().toStdString();
    {
        COptionDlg options(settings);
        const char* names[] = {"preferences-general", "preferences-snapshot", "preferences-update"};
        for (int tab = 0; tab < COptionDlg::kTabCount; ++tab) {
            options.onMessage(kMsgTabChanged, static_cast<uintptr_t>(tab), COptionDlg::kTabCtrlId);
            options.TabCtrl()->SetCurSel(tab);
            save(options, folder, names[tab]);
        }
    }

    {
        COptionDlg withoutUpdates(settings, nullptr, nullptr, false); // a distribution build
        save(withoutUpdates, folder, "preferences-without-version-check");
    }

    const VersionCheckResult newer{1, 514, 2, "Faster conversion to MP4.\r\nNew AMR profiles."};
    const VersionCheckResult same{1, 513, 769, ""};
    {
        CLiveUpdateDlg found(newer,
                             "https://www.movara.example/downloads/program/movara_setup.exe");
        save(found, folder, "live-update-new-version");
        CLiveUpdateDlg latest(same, "");
        save(latest, folder, "live-update-latest");
    }
    {
        auto checker = std::make_shared<CVelVersionUpdate>(QDir::tempPath().toStdString());
        CLiveUpdateDlg checking(checker);
        save(checking, folder, "live-update-checking");
        // The fake web client fails every request.
        QTest::qWait(400);
        save(checking, folder, "live-update-failed");
    }
    return 0;
}
