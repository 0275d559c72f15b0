// Movara: the desktop program. Answers --help and --version without a window; otherwise installs
// the Linux desktop's platform services and runs the application object, which adds the files
// named on the command line (as a file manager's "Open With" passes them).
#include "CMovaraApp.h"
#include "MovaraLinks.h"

#include "QtPlatformServices.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kExitUsage = 2;

const char* const kUsage =
    "Usage: movara [FILE...]\n"
    "       movara --help | --version\n"
    "\n"
    "Starts Movara, the media converter, and adds each FILE to its list as \"Add File...\"\n"
    "does. One Movara runs at a time: a second start hands its files to the running\n"
    "window and ends.\n"
    "\n"
    "  --help     print this help\n"
    "  --version  print the version\n";

// The whole command line is read before any window system is opened, so that --help, --version
// and a wrong option answer on a bare terminal. Qt's own options (-platform xcb, -style ...) are
// known here and left to QApplication. Returns the exit code when the program is to end now.
std::optional<int> answeredWithoutWindow(int argc, char* argv[]) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"h", "help"}), version("version");
    parser.addOption(help);
    parser.addOption(version);
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
          "qwindowicon", "qwindowtitle", "session", "style", "stylesheet", "display", "geometry",
          "title", "name", "visual", "qmljsdebugger"})
        parser.addOption(QCommandLineOption(name, QString(), "value"));
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
        parser.addOption(QCommandLineOption(name));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "movara: %s; see movara --help\n",
                     parser.errorText()
                         .chopped(parser.errorText().endsWith('.') ? 1 : 0)
                         .toLocal8Bit()
                         .constData());
        return kExitUsage;
    }
    if (parser.isSet(help)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("Movara %d.%d.%d.%d\n", kVersionNumbers[0], kVersionNumbers[1],
                    kVersionNumbers[2], kVersionNumbers[3]);
        return 0;
    }
    return std::nullopt;
}

// What is left of the command line once Qt took its own options: files, absolute so that the
// list shows where they are. Empty with *bad set at an unknown option.
std::vector<std::string> startFiles(const QStringList& arguments, std::string* bad) {
    std::vector<std::string> files;
    bool filesOnly = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const std::string arg = arguments[i].toStdString();
        if (!filesOnly && arg == "--") {
            filesOnly = true;
            continue;
        }
        if (!filesOnly && arg.size() > 1 && arg[0] == '-') {
            *bad = arg;
            return {};
        }
        std::error_code ec;
        const std::filesystem::path path = std::filesystem::absolute(arg, ec);
        files.push_back(ec ? arg : path.lexically_normal().string());
    }
    return files;
}

} // namespace

int main(int argc, char* argv[]) {
    if (const std::optional<int> code = answeredWithoutWindow(argc, argv))
        return *code;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Movara"));
    std::string bad;
    std::vector<std::string> files = startFiles(QApplication::arguments(), &bad);
    if (!bad.empty()) {
        std::fprintf(stderr, "movara: unknown option %s\n\n%s", bad.c_str(), kUsage);
        return kExitUsage;
    }
    // The desktop (a Wayland compositor, the launcher, the notifications) knows the window by
    // its desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(MOVARA_DESKTOP_ID));
    QtPlatformServices services;
    services.setDesktopEntry(MOVARA_DESKTOP_ID, "movara");
    ScopedPlatformServices installed(services);
    CMovaraApp movara;
    movara.SetStartFiles(std::move(files));
    movara.InitInstance();
    return movara.ExitCode();
}
