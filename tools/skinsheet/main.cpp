// skinsheet: draws a contact sheet of every image of a skin archive, for looking at a skin.
//
//   skinsheet ARCHIVE.skin OUTPUT.png
//
// Each image is shown at its real size on the background of the pane that uses it, beside an
// enlarged copy (nearest neighbour, so single pixels show), with its id, entry name and size.

#include "CVelSkin.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cstdio>

namespace {

// The pane an image is drawn on, so its background is the one the user sees it on.
int paneOfImage(int id) {
    if (id <= CVelSkin::kProgLogo)
        return 101; // caption
    if (id <= CVelSkin::kRemove)
        return 103; // tool bar
    if (id == CVelSkin::kBtnBrowse ||
        (id >= CVelSkin::kCheckboxNormal && id <= CVelSkin::kRadioboxChecked))
        return 107; // save-to
    if (id >= CVelSkin::kConvert && id <= CVelSkin::kConvertResume)
        return 108; // action
    if (id == CVelSkin::kProduct)
        return 126; // about
    return 110;     // play control
}

QColor argb(uint32_t v) {
    return QColor::fromRgba(v);
}

void fillPane(QPainter& p, const CVelSkin& skin, int pane, const QRect& r) {
    const QColor begin = argb(skin.StyleColor(pane, 0, 0));
    if (skin.StyleMode(pane, 0, 0) == 2) {
        QLinearGradient g(r.topLeft(),
                          skin.StyleMode(pane, 0, 1) == 0 ? r.topRight() : r.bottomLeft());
        g.setColorAt(0, begin);
        g.setColorAt(1, argb(skin.StyleColor(pane, 0, 1)));
        p.fillRect(r, g);
    } else {
        p.fillRect(r, begin);
    }
    p.setPen(argb(skin.StyleColor(pane, 0, 2)));
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: skinsheet ARCHIVE.skin OUTPUT.png\n");
        return 2;
    }
    CVelSkin skin;
    const int loaded = skin.Load(argv[1]);
    if (loaded != 1) {
        std::fprintf(stderr, "skinsheet: loading %s gave %d\n", argv[1], loaded);
        return 1;
    }

    constexpr int kColumns = 5, kCellW = 380, kCellH = 170, kTitleH = 40;
    const int rows = (CVelSkin::kImageCount + kColumns - 1) / kColumns;
    QImage sheet(kColumns * kCellW, kTitleH + rows * kCellH, QImage::Format_ARGB32);
    sheet.fill(QColor(128, 128, 128));
    QPainter p(&sheet);
    p.setPen(Qt::white);
    QFont titleFont("Liberation Sans");
    titleFont.setPixelSize(20);
    titleFont.setBold(true);
    p.setFont(titleFont);
    p.drawText(QRect(10, 0, sheet.width() - 20, kTitleH), Qt::AlignVCenter,
               QFileInfo(argv[1]).fileName());
    QFont labelFont("Liberation Sans");
    labelFont.setPixelSize(13);

    int bad = 0;
    for (int id = skin.FirstImageId(); id != -1; id = skin.NextImageId(id)) {
        const int col = (id - 1) % kColumns, row = (id - 1) / kColumns;
        const QRect cell(col * kCellW + 4, kTitleH + row * kCellH + 4, kCellW - 8, kCellH - 8);
        const QRect area = cell.adjusted(0, 0, 0, -24);
        fillPane(p, skin, paneOfImage(id), area);
        const QImage* image = skin.Image(id);
        QString label = QString("%1  %2").arg(id).arg(QString::fromStdString(skin.ImageName(id)));
        if (!image || image->isNull()) {
            label += "  NOT DECODED";
            ++bad;
        } else {
            const QSize s = image->size();
            label += QString("  %1x%2").arg(s.width()).arg(s.height());
            const int zoom = std::clamp(120 / std::max(s.width(), s.height()), 1, 6);
            const int y1 = area.top() + (area.height() - s.height()) / 2;
            p.drawImage(area.left() + 10, y1, *image);
            if (zoom > 1) {
                const QImage big =
                    image->scaled(s * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
                const int y2 = area.top() + (area.height() - big.height()) / 2;
                p.drawImage(area.left() + 20 + s.width() + 10, y2, big);
            }
        }
        p.setFont(labelFont);
        p.setPen(Qt::white);
        p.drawText(QRect(cell.left(), area.bottom() + 2, cell.width(), 22), Qt::AlignVCenter,
                   label);
    }
    p.end();
    QDir().mkpath(QFileInfo(argv[2]).path());
    if (!sheet.save(argv[2], "PNG")) {
        std::fprintf(stderr, "skinsheet: cannot write %s\n", argv[2]);
        return 1;
    }
    return bad ? 1 : 0;
}
