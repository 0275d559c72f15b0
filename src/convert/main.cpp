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

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr int kExitFinished = 0;
constexpr int kExitNotAllFinished = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
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
    settings.outputFolder = std::filesystem::absolute(options.outputFolder).string();
    MediaList items;
    settings.mediaList = &items;

    CConvertConsole console;
    CVelConvert convert;
    convert.attach(nullptr, console.handle(), &settings);

    bool allLoaded = true;
    for (const std::string& file : options.files) {
        auto item = itemFor(file, profile, options);
        if (!convert.addItem(item.get())) {
            std::fprintf(stderr, "Failed to load file :\n%s\n", file.c_str());
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
        convert.estimate(item.get());
        items.push_back(std::move(item));
    }
    if (options.capture.records() &&
        !addRecording(convert, items, profile, options.capture, options.edits)) {
        allLoaded = false;
    }

    bool interrupted = false;
    if (!items.empty()) {
        // Ctrl-C and SIGTERM stop the runs: the engine removes what it had written.
        if (::pipe(g_signalPipe) == 0) {
            std::signal(SIGINT, onSignal);
            std::signal(SIGTERM, onSignal);
        }
        QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
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
    if (!std::filesystem::is_directory(options->outputFolder, ec)) {
        std::fprintf(stderr, "movara-convert: the output folder \"%s\" does not exist\n",
                     options->outputFolder.c_str());
        return kExitUsage;
    }
    return convertFiles(argc, argv, *options, profile);
}
