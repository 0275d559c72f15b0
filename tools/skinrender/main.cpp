// skinrender: renders SVG images to PNG at their own size, for the skin archives.
//
//   skinrender [--size N] OUTPUT_FOLDER IMAGE.svg...
//
// Each IMAGE.svg becomes OUTPUT_FOLDER/IMAGE.png, sized by the SVG's width and height (or N by
// N pixels, as the desktop's icon sizes want), antialiased, on a transparent background.

#include <QDir>
#include <QFileInfo>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    // The images hold no text, so no window system (and no font) is needed.
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    int forcedSize = 0;
    if (args.size() > 2 && args[1] == QLatin1String("--size")) {
        forcedSize = args[2].toInt();
        args.remove(1, 2);
    }
    if (args.size() < 3 || forcedSize < 0) {
        std::fprintf(stderr, "usage: skinrender [--size N] OUTPUT_FOLDER IMAGE.svg...\n");
        return 2;
    }
    const QDir out(args[1]);
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "skinrender: cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    for (qsizetype i = 2; i < args.size(); ++i) {
        QSvgRenderer svg(args[i]);
        const QSize size = forcedSize > 0 ? QSize(forcedSize, forcedSize) : svg.defaultSize();
        if (!svg.isValid() || size.isEmpty()) {
            std::fprintf(stderr, "skinrender: %s is not a usable SVG image\n", qPrintable(args[i]));
            return 1;
        }
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
            svg.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
        }
        const QString target = out.filePath(QFileInfo(args[i]).completeBaseName() + ".png");
        if (!image.convertToFormat(QImage::Format_ARGB32).save(target, "PNG")) {
            std::fprintf(stderr, "skinrender: cannot write %s\n", qPrintable(target));
            return 1;
        }
    }
    return 0;
}
