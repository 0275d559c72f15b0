// movara-convert: the headless converter. Same profile catalogue, same CVelConvert and same
// engine as the program's window; a console message target stands in for the main window and
// console platform services for the dialogs.
#include "CConvertConsole.h"
#include "CVelConvert.h"
#include "CaptureCommand.h"
#include "ConsolePlatformServices.h"
#include "ConvertOptions.h"
#include "CustomProfileStore.h"
#include "ProfileCatalogue.h"
#include "SystemFolders.h"
#include "VelSettings.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kExitFinished = 0;
constexpr int kExitNotAllFinished = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_signalled = 0;

void onSignal(int) {
    g_signalled = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

// Ctrl-C, kill, a closed terminal and Ctrl-\ all stop the runs the same way: the engine drops
// what it had written. A closed stdout (a reader that went away) must not end the conversions:
// a result line that cannot be written is lost, the outputs are not.
void installSignalHandlers() {
    std::signal(SIGPIPE, SIG_IGN);
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaction(sig, &action, nullptr);
    }
}

// Why a file the engine refused could not be loaded: the system's reason when it cannot be read.
std::string loadFailureReason(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::strerror(errno);
    }
    struct stat info {};
    const bool directory = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
    ::close(fd);
    return directory ? std::strerror(EISDIR) : "no audio or video that can be decoded";
}

void listProfiles(const ProfileCatalogue& catalogue) {
    for (int category = 0; category < kProfileCategoryCount; ++category) {
        for (const ProfileRef& profile : catalogue.list(category)) {
            std::printf("%s\t%s\t%s\n", profile->name.c_str(),
                        std::string(ProfileCatalogue::category(category).name).c_str(),
                        std::string(ProfileCatalogue::extensionOf(*profile)).c_str());
        }
    }
}

ProfileRef findProfile(const ProfileCatalogue& catalogue, const std::string& name) {
    for (int category = 0; category < kProfileCategoryCount; ++category) {
        for (const ProfileRef& profile : catalogue.list(category)) {
            if (profile->name == name) {
                return profile;
            }
        }
    }
    return nullptr;
}

uint32_t optionFlagsFor(const ConvertOptions& options) {
    // Every finished output is "shown" by printing its path: the open-folder bit makes the
    // engine object post it, once per item, or once for a merged output.
    uint32_t flags = kOptionOpenOutputFolder;
    if (options.merge) {
        flags |= kOptionMerge;
    }
    switch (options.exists) {
    case ExistingOutput::Overwrite:
        flags |= kOptionOverwrite;
        break;
    case ExistingOutput::Skip:
        flags |= kOptionSkip;
        break;
    case ExistingOutput::Rename:
        flags |= kOptionRename; // without the dialog bit: a time-stamped name, never a question
        break;
    }
    return flags;
}

std::unique_ptr<MediaItem> itemFor(const std::string& file, const ProfileRef& profile,
                                   const ConvertOptions& options) {
    auto item = std::make_unique<MediaItem>();
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(file, ec);
    item->sourcePath = ec ? file : path.lexically_normal().string();
    item->displayName = std::filesystem::path(item->sourcePath).filename().string();
    const auto bytes = std::filesystem::file_size(item->sourcePath, ec);
    item->sourceSize = ec ? 0 : static_cast<int32_t>(bytes >> 10);
    item->profile = profile;
    if (options.begin) {
        item->clipBegin = *options.begin;
    }
    if (options.end) {
        item->clipEnd = *options.end;
    }
    applyEdits(options.edits, *item);
    return item;
}

int convertFiles(int argc, char** argv, const ConvertOptions& options, const ProfileRef& profile) {
    QCoreApplication app(argc, argv);
    ConsolePlatformServices services;
    ScopedPlatformServices installed(services);

    VelSettings& settings = VelSettings::instance();
    settings.optionFlags = optionFlagsFor(options);
    std::error_code absoluteError;
    if (!options.outputFolder.empty()) // an estimate names no folder
        settings.outputFolder =
            std::filesystem::absolute(options.outputFolder, absoluteError).string();
    MediaList items;
    settings.mediaList = &items;

    CConvertConsole console;
    CVelConvert convert;
    convert.attach(nullptr, console.handle(), &settings);
    // Nobody to ask: an item too big for the disk is skipped, the smaller ones still convert.
    convert.setDiskShortageSkipsItem(true);

    bool allLoaded = true;
    for (const std::string& file : options.files) {
        auto item = itemFor(file, profile, options);
        if (!convert.addItem(item.get())) {
            std::fprintf(stderr, "Failed to load file :\n%s\n%s\n", file.c_str(),
                         loadFailureReason(file).c_str());
            allLoaded = false;
            continue;
        }
        tagVeldesStreamInfo* streams = nullptr;
        const int count = convert.mediaInfo(item.get(), &streams);
        if (!fitCropToSource(options.edits, *item,
                             streams && count > 0
                                 ? std::vector<tagVeldesStreamInfo>(streams, streams + count)
                                 : std::vector<tagVeldesStreamInfo>{})) {
            std::fprintf(stderr, "movara-convert: %s has no picture to crop\n", file.c_str());
        }
        convert.updateDuration(item.get());
        if (options.estimate)
            convert.measureEstimate(item.get());
        else
            convert.estimate(item.get());
        if (options.estimate)
            std::printf("%lld\t%s\n", static_cast<long long>(item->outputEstimate), file.c_str());
        items.push_back(std::move(item));
    }
    if (options.capture.records() &&
        !addRecording(convert, items, profile, options.capture, options.edits)) {
        allLoaded = false;
    }
    if (options.estimate) {
        convert.shutdown();
        return allLoaded ? kExitFinished : kExitNotAllFinished;
    }

    bool interrupted = g_signalled != 0;
    if (!items.empty() && !interrupted) {
        QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
            char drained[16];
            while (::read(g_signalPipe[0], drained, sizeof drained) > 0) {
            }
            if (interrupted) {
                return;
            }
            interrupted = true;
            std::fprintf(stderr, "movara-convert: interrupted\n");
            convert.stop();
            QCoreApplication::exit(kExitInterrupted);
        });
        convert.startConversion();
        if (!console.over()) {
            app.exec();
        }
    }
    // The window's order at its end: no more messages, then the engine object shuts down.
    console.close();
    convert.shutdown();

    if (interrupted) {
        return kExitInterrupted;
    }
    bool allFinished = allLoaded && !items.empty();
    for (const auto& item : items) {
        allFinished = allFinished && item->hasState(kItemFinish);
    }
    return allFinished ? kExitFinished : kExitNotAllFinished;
}

} // namespace

int main(int argc, char** argv) {
    installSignalHandlers();
    std::string error;
    const auto options =
        parseConvertOptions(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!options) {
        std::fprintf(stderr, "movara-convert: %s\n\n%s", error.c_str(), convertUsage().c_str());
        return kExitUsage;
    }
    if (options->help) {
        std::printf("%s", convertUsage().c_str());
        return 0;
    }
    if (options->version) {
        std::printf("%s", convertVersion().c_str());
        return 0;
    }
    if (options->capture.listDevices) {
        ConsolePlatformServices services;
        printCaptureDevices(services, stdout);
        return 0;
    }
    const ProfileCatalogue& catalogue = ProfileCatalogue::instance();
    // The window's custom profiles, from the same writable folder; this program never writes them.
    loadProcessCustomProfiles(
        platform::writableFolderFor(platform::executableFolder(), platform::configHome()));
    if (options->listProfiles) {
        listProfiles(catalogue);
        return 0;
    }
    const ProfileRef profile = findProfile(catalogue, options->profile);
    if (!profile) {
        std::fprintf(stderr, "movara-convert: no profile is named \"%s\" (see --list-profiles)\n",
                     options->profile.c_str());
        return kExitUsage;
    }
    if (const std::string refusal = editsRefusal(options->edits, *profile); !refusal.empty()) {
        std::fprintf(stderr, "movara-convert: %s\n", refusal.c_str());
        return kExitUsage;
    }
    std::error_code ec;
    if (!options->estimate && !std::filesystem::is_directory(options->outputFolder, ec)) {
        const bool exists = std::filesystem::exists(options->outputFolder, ec);
        std::fprintf(stderr, "movara-convert: the output folder \"%s\" %s\n",
                     options->outputFolder.c_str(), exists ? "is not a folder" : "does not exist");
        return kExitUsage;
    }
    return convertFiles(argc, argv, *options, profile);
}
