// Adding a folder of 500 small generated files to the main window (the real codec engine opens
// each one): the median milliseconds per file, each file measured from its scan report to its
// row shown, and the whole scan from its start to the last row shown. Target: under 15 ms per
// file. The loading dialog's deliberate 300 ms per file is not involved: folders are scanned
// without it.
#include "BenchServices.h"
#include "CFileListWnd.h"
#include "CMovaraDlg.h"
#include "CVelSkin.h"
#include "MediaGenerators.h"
#include "ProfileCatalogue.h"
#include "QtPlatformServices.h"
#include "VelSettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 500;
constexpr int kRuns = 3;

// The main window, timing each file the folder scan reports until its row was painted.
class TimedWindow : public CMovaraDlg {
public:
    using CMovaraDlg::CMovaraDlg;
    std::vector<double> perFileMs;
    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
        if (msg != kMsgBrowseFile)
            return CMovaraDlg::onMessage(msg, wParam, lParam);
        QElapsedTimer timer;
        timer.start();
        const intptr_t answer = CMovaraDlg::onMessage(msg, wParam, lParam);
        FileList()->repaint(); // the row shown
        perFileMs.push_back(timer.nsecsElapsed() / 1e6);
        return answer;
    }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    BenchServices services(scratch.path().toStdString());
    ScopedPlatformServices installed(services);
    if (theSkin().Load(std::string(MOVARA_BIN_DIR) + "/skin/Default.skin") < 0) {
        std::fprintf(stderr, "add-folder: no skin\n");
        return 1;
    }

    testmedia::SourceSpec spec;
    spec.width = 160;
    spec.height = 120;
    spec.seconds = 0.5;
    spec.sampleRate = 22050;
    std::string error;
    const std::string sample = testmedia::generate(spec, &error);
    if (sample.empty()) {
        std::fprintf(stderr, "add-folder: %s\n", error.c_str());
        return 1;
    }
    const std::string folder = scratch.filePath("media").toStdString();
    for (int i = 0; i < kFiles; ++i) {
        const fs::path path = fs::path(folder) / ("sub" + std::to_string(i % 5)) /
                              ("clip" + std::to_string(i) + ".mp4");
        fs::create_directories(path.parent_path());
        fs::copy_file(sample, path, fs::copy_options::overwrite_existing);
    }

    VelSettings settings;
    ProfileCatalogue catalogue;
    TimedWindow window(settings, catalogue);
    if (window.Create() < 0 || !window.InitDialog())
        return 1;
    window.resize(CMovaraDlg::kMinWidth, CMovaraDlg::kMinHeight);
    window.show();
    QCoreApplication::processEvents();

    std::vector<double> perFile, wholeScan;
    for (int run = 0; run < kRuns; ++run) {
        window.perFileMs.clear();
        QElapsedTimer timer;
        timer.start();
        window.AddFolder(folder);
        QCoreApplication::processEvents();
        window.FileList()->repaint();
        const double total = timer.nsecsElapsed() / 1e6;
        if (window.FileList()->Count() != kFiles) {
            std::fprintf(stderr, "add-folder: %d rows, expected %d\n", window.FileList()->Count(),
                         kFiles);
            return 1;
        }
        perFile.insert(perFile.end(), window.perFileMs.begin(), window.perFileMs.end());
        wholeScan.push_back(total / kFiles);
        window.Convert().removeAll();
        window.FileList()->Clear();
    }
    const double perFileMedian = median(perFile);
    std::printf("add-folder: %d files, median %.2f ms per file (scan start to last row: %.2f ms "
                "per file, median of %d runs); target under 15 ms\n",
                kFiles, perFileMedian, median(wholeScan), kRuns);
    return median(wholeScan) < 15.0 ? 0 : 2;
}
