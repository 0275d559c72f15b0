// skindemo [--skin NAME|PATH] [--open colour|menu|tip|hover|combo] [--grab FILE] [--quit MS]
// Shows the skin demonstration dialog with the named skin archive (default "Default", looked up
// in the build's skin folder). --grab writes a picture of the dialog and ends.
#include "SkinDemoDialog.h"

#include "CVelSkin.h"
#include "QtPlatformServices.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QtPlatformServices services;
    installPlatformServices(&services);

    QString skin = QStringLiteral("Default"), open, grab;
    int quitAfter = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--skin"))
            skin = args[i + 1];
        else if (args[i] == QLatin1String("--open"))
            open = args[i + 1];
        else if (args[i] == QLatin1String("--grab"))
            grab = args[i + 1];
        else if (args[i] == QLatin1String("--quit"))
            quitAfter = args[i + 1].toInt();
    }
    const QString path = QFileInfo(skin).isFile()
                             ? skin
                             : QStringLiteral(MOVARA_SKIN_DIR "/") + skin + QStringLiteral(".skin");
    const int loaded = theSkin().Load(path.toStdString());
    if (loaded != 1) {
        std::fprintf(stderr, "skindemo: cannot load %s (%d)\n", qPrintable(path), loaded);
        return 1;
    }

    SkinDemoDialog dialog;
    dialog.show();
    if (!open.isEmpty())
        QTimer::singleShot(300, &dialog, [&] { dialog.OpenPart(open); });
    if (!grab.isEmpty()) {
        QTimer::singleShot(600, &dialog, [&] {
            dialog.grab().save(grab);
            app.quit();
        });
    }
    if (quitAfter > 0)
        QTimer::singleShot(quitAfter, &app, &QApplication::quit);
    app.exec();
    installPlatformServices(nullptr);
    theSkin().Unload();
    return 0;
}
