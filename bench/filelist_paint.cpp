// Painting the file list with 10,000 items: the median time of one full repaint while the list is
// scrolled to a different place each time. Only the visible rows are drawn, so the time should
// not depend on the length of the list (target: under 5 ms).
//
//   filelist_paint [--skin PATH] [--png PATH [--empty] [--locked]]
//
// --png writes a picture of the pane with a few items (focused, converting, missing, scroll bar),
// or of the empty list, or of the list locked for a conversion, instead of measuring.
#include "CFileListWnd.h"

#include "CVelSkin.h"
#include "MediaItem.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kItems = 10000;
constexpr int kRuns = 300;
// The list's place in the main window at 1280 x 800: 500 wide, from 70 to 800 - 156.
constexpr int kWidth = 500;
constexpr int kHeight = 574;

MediaItem benchItem(int i) {
    MediaItem item;
    item.displayName = "holiday-video-" + std::to_string(i) + (i % 3 ? ".mp4" : ".avi");
    item.sourcePath = "/home/user/Videos/" + item.displayName;
    item.outputEstimate = int64_t(1 + i % 900) * 1024 * 1024 + i;
    switch (i % 5) {
    case 0:
        item.setState(kItemConverting);
        item.progress = (i * 37) % 10001;
        item.elapsed = int64_t(i % 600) * 1000;
        break;
    case 1:
        item.setState(kItemNotExist, kItemChecked);
        break;
    case 2:
        item.setState(kItemFinish);
        item.progress = 10000;
        break;
    default:
        break;
    }
    return item;
}

int writePicture(CFileListWnd& list, QWidget& host, const char* path, bool empty, bool locked) {
    host.resize(kWidth, 240);
    list.setGeometry(0, 0, kWidth, 240);
    if (empty)
        return list.grab().save(QString::fromLocal8Bit(path)) ? 0 : 1;
    MediaItem first = benchItem(3);
    first.displayName = "Summer holiday by the sea with a very long file name.mp4";
    list.Add(first);
    MediaItem converting = benchItem(0);
    converting.displayName = "interview.mov";
    converting.progress = 4567;
    converting.elapsed = 83000;
    list.Add(converting);
    MediaItem missing = benchItem(1);
    missing.displayName = "moved-away.avi";
    list.Add(missing);
    for (int i = 0; i < 12; ++i) {
        MediaItem more = benchItem(5 * i + 3 + (i % 2) * 5);
        if (i == 4) {
            more.setState(kItemFinish);
            more.progress = 10000;
        }
        list.Add(more);
    }
    list.ScrollTo(0);
    list.Lock(locked);
    QApplication::processEvents();
    if (!list.grab().save(QString::fromLocal8Bit(path))) {
        std::fprintf(stderr, "filelist_paint: cannot write %s\n", path);
        return 1;
    }
    std::printf("filelist_paint: wrote %s\n", path);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::string skinPath = MOVARA_DEFAULT_SKIN;
    const char* png = nullptr;
    bool empty = false, locked = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--skin") && i + 1 < argc)
            skinPath = argv[++i];
        else if (!std::strcmp(argv[i], "--png") && i + 1 < argc)
            png = argv[++i];
        else if (!std::strcmp(argv[i], "--empty"))
            empty = true;
        else if (!std::strcmp(argv[i], "--locked"))
            locked = true;
    }
    if (theSkin().Load(skinPath) != 1)
        std::fprintf(stderr, "filelist_paint: skin %s not loaded; drawing without images\n",
                     skinPath.c_str());

    QWidget host;
    host.resize(kWidth, kHeight);
    auto* list = new CFileListWnd;
    list->Create(QStringLiteral("FileListWindow"), 0, &host, kFileListPaneId);
    list->setGeometry(0, 0, kWidth, kHeight);
    list->AddEmptyListButtons();
    host.show();
    QApplication::processEvents();

    if (png)
        return writePicture(*list, host, png, empty, locked);

    for (int i = 0; i < kItems; ++i)
        list->Add(benchItem(i));
    const int visible = list->VisibleRowCount();
    const int last = list->Count() - visible;

    std::vector<double> ms;
    ms.reserve(kRuns);
    for (int run = -20; run < kRuns; ++run) { // the first 20 warm up
        list->ScrollTo(int((int64_t(run + 20) * 7919) % (last + 1)));
        QElapsedTimer timer;
        timer.start();
        list->repaint();
        const double elapsed = double(timer.nsecsElapsed()) / 1e6;
        if (run >= 0)
            ms.push_back(elapsed);
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("filelist_paint: %d items, %dx%d pane, %d visible rows, %d repaints\n", kItems,
                kWidth, kHeight, visible, kRuns);
    std::printf("filelist_paint: median full repaint %.3f ms (fastest %.3f, slowest %.3f; "
                "target under 5 ms) %s\n",
                median, ms.front(), ms.back(), median < 5.0 ? "ok" : "OVER TARGET");
    return 0;
}
