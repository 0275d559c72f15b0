// edit_showcase: the "Video Edit" dialog with the built default skin and a 640 x 480 item,
// each page written to a PNG in the folder named on the command line, for looking at it.
#include "CVelSkin.h"
#include "CVideoEditDlg.h"
#include "CVideoCropDlg.h"
#include "CWatermarkDlg.h"
#include "EditTestSupport.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: edit_showcase FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    FakePlatformServices services;
    services.setFontFamilies({"Arial", "DejaVu Sans", "Liberation Serif", "Times New Roman"});
    ScopedPlatformServices installed(services);
    theSkin().Load(std::string(MOVARA_BIN_DIR) + "/skin/Default.skin");
    EditRecorder recorder;
    CVideoEditDlg dialog(&recorder);
    auto item = editItem();
    item->watermark.mode = kWatermarkText;
    item->watermark.text = "Movara";
    item->brightness = 25;
    item->flip = 1;
    item->loudness = {true, -16.0, -1.0};
    item->measuredLoudness = {item->loudnessKey(), {-27.3, -4.2, 7.5, 44100, 2}};
    dialog.SetItem(item.get(), streamsOf(640, 480));
    dialog.show();
    const char* names[] = {"effects", "watermark", "crop", "sound"};
    for (int page = 0; page < CVideoEditDlg::kPageCount; ++page) {
        dialog.SelectPage(page);
        app.processEvents();
        dialog.grab().save(folder + "/edit_" + names[page] + ".png");
    }
    dialog.SetItem(nullptr, {});
    app.processEvents();
    dialog.grab().save(folder + "/edit_crop_noitem.png");
    return 0;
}
