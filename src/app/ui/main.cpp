// Movara: the desktop program. Installs the Linux desktop's platform services and runs the
// application object; there are no command-line options.
#include "CMovaraApp.h"

#include "QtPlatformServices.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Movara"));
    QtPlatformServices services;
    ScopedPlatformServices installed(services);
    CMovaraApp movara;
    movara.InitInstance();
    return movara.ExitCode();
}
