// Movara: the desktop program. Answers --help and --version without a window; otherwise installs
// the Linux desktop's platform services and runs the application object, which adds the files
// named on the command line (as a file manager's "Open With" passes them).
#include "CMovaraApp.h"
#include "MovaraLinks.h"

#include "QtPlatformServices.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kExitUsage = 2;

const char* const kUsage =
    "Usage: movara [FILE...]\n"
    "       movara --help | --version\n"
    "\n"
    "Starts Movara, the media converter, and adds each FILE to its list as \"Add File...\"\n"
    "does. One Movara runs at a time: a second start says so and ends.\n"
    "\n"
    "  --help     print this help\n"
    "  --version  print the version\n";

// Looked at before any window system is opened, so that both work on a bare terminal.
bool answeredWithoutWindow(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Movara %d.%d.%d.%d\n", kVersionNumbers[0], kVersionNumbers[1],
                        kVersionNumbers[2], kVersionNumbers[3]);
            return true;
        }
    }
    return false;
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
    if (answeredWithoutWindow(argc, argv))
        return 0;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Movara"));
    std::string bad;
    std::vector<std::string> files = startFiles(QApplication::arguments(), &bad);
    if (!bad.empty()) {
        std::fprintf(stderr, "movara: unknown option %s\n\n%s", bad.c_str(), kUsage);
        return kExitUsage;
    }
    QtPlatformServices services;
    ScopedPlatformServices installed(services);
    CMovaraApp movara;
    movara.SetStartFiles(std::move(files));
    movara.InitInstance();
    return 0;
}
