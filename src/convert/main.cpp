// movara-convert: the headless converter. Same profile catalogue, same CVelConvert and same
// engine as the program's window; a console message target stands in for the main window and
// console platform services for the dialogs.
#include "CConvertConsole.h"
#include "CVelConvert.h"
#include "CaptureCheck.h"
#include "CaptureCommand.h"
#include "ConsolePlatformServices.h"
#include "ConvertOptions.h"
#include "CustomProfileStore.h"
#include "EstimateStopper.h"
#include "LoudnessCommand.h"
#include "OutputNaming.h"
#include "ProfileChoice.h"
#include "SignalStop.h"
#include "SystemFolders.h"
#include "TrackCommand.h"
#include "VelSettings.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kExitNotAllFinished = 1;
constexpr int kExitUsage = 2;
// How often a run gives freed memory back to the system (ms).
constexpr int kTrimMs = 2000;

int usageError(const std::string& message) {
    std::fprintf(stderr, "movara-convert: %s; see movara-convert --help\n", message.c_str());
    return kExitUsage;
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
    item->audioTrack = options.audioTrack;
    item->burnSubtitles = options.burnSubtitles;
    item->targetSize = options.fitSize;
    if (options.loudness)
        item->loudness = {true, *options.loudness, options.truePeak};
    return item;
}

// The output is named after the item's display name: -o FILE names it so (a recording's name
// is taken whole, a file's without its extension).
void nameOutput(MediaItem& item, const std::filesystem::path& file) {
    item.displayName =
        IsDevicePath(item.sourcePath) ? file.stem().string() : file.filename().string();
}

// -o FILE: its folder must be there, and its extension must be the profile's (added when it
// has none). Empty when fine.
std::string checkOutputFile(std::filesystem::path* file, const Profile& profile) {
    const std::string extension(ProfileCatalogue::extensionOf(profile));
    if (file->filename().empty() || file->filename() == "." || file->filename() == "..")
        return "--output-file needs a file name, not \"" + file->string() + "\"";
    if (!file->has_extension())
        *file += "." + extension;
    else if (file->extension() != "." + extension)
        return "--output-file \"" + file->string() + "\" must end in ." + extension +
               ", the extension of the profile";
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(*file, ec).parent_path();
    if (!std::filesystem::is_directory(folder, ec))
        return "--output-file: the folder \"" + folder.string() + "\" does not exist";
    *file = std::filesystem::absolute(*file, ec);
    return {};
}

int convertFiles(const ConvertOptions& options, const ProfileRef& profile) {
    ConsolePlatformServices services;
    ScopedPlatformServices installed(services);

    VelSettings& settings = VelSettings::instance();
    settings.optionFlags = optionFlagsFor(options);
    std::filesystem::path outputFile = options.outputFile;
    std::error_code absoluteError;
    if (!options.outputFile.empty())
        settings.outputFolder = outputFile.parent_path().string();
    else if (!options.outputFolder.empty()) // an estimate names no folder
        settings.outputFolder =
            std::filesystem::absolute(options.outputFolder, absoluteError).string();
    MediaList items;
    settings.mediaList = &items;

    CConvertConsole console;
    ConsoleMode mode;
    mode.json = options.json;
    mode.quiet = options.quiet;
    mode.print0 = options.print0;
    mode.skipExisting = options.exists == ExistingOutput::Skip;
    mode.merge = options.merge;
    console.setMode(mode);
    console.setItems(&items,
                     [&settings](const MediaItem& item) { return outputPathOf(item, settings); });
    CVelConvert convert;
    convert.attach(nullptr, console.handle(), &settings);
    // Nobody to ask: an item too big for the disk is skipped, the smaller ones still convert.
    convert.setDiskShortageSkipsItem(true);
    // An estimate, or the loudness measured before a run, has no run to stop: a signal ends the
    // measurement and the process.
    std::optional<EstimateStopper> estimateStopper;
    if (options.estimate || options.loudness)
        estimateStopper.emplace();

    bool allLoaded = true;
    for (const std::string& file : options.files) {
        auto item = itemFor(file, profile, options);
        if (!convert.addItem(item.get())) {
            console.loadFailed(file, loadFailureReason(file));
            allLoaded = false;
            continue;
        }
        if (estimateStopper)
            estimateStopper->watch(convert.timeline());
        std::vector<tagVeldesTrack> tracks;
        convert.tracks(item.get(), &tracks);
        if (const std::string refusal = trackRefusal(options, tracks); !refusal.empty()) {
            console.loadFailed(file, refusal);
            allLoaded = false;
            convert.removeItem(item.get());
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
        if (options.begin && item->duration > 0 && *options.begin >= item->duration) {
            console.loadFailed(file, "--begin " + std::to_string(*options.begin) +
                                         " is past the end of the source (" +
                                         std::to_string(item->duration) + " ms long)");
            allLoaded = false;
            convert.removeItem(item.get());
            continue;
        }
        if (options.estimate && options.fitSize > 0) {
            int64_t rate = 0, predicted = 0;
            std::string why;
            if (convert.planTargetSize(item.get(), &rate, &predicted, &why)) {
                console.estimate(file, predicted, rate);
            } else {
                console.loadFailed(file, why);
                allLoaded = false;
            }
        } else if (options.estimate) {
            std::string failure;
            if (convert.measureEstimate(item.get(), &failure) < 0) {
                console.loadFailed(file, "cannot estimate its size: " +
                                             (failure.empty() ? "it cannot be encoded" : failure));
                allLoaded = false;
            } else {
                console.estimate(file, item->outputEstimate);
            }
        } else {
            // The disk check needs the first figure only: a measured one would encode samples
            // of the clip beside the run that encodes all of it.
            convert.estimate(item.get(), false);
            // Measured now rather than by the run, so near-silence can be named; the run then
            // finds the level ready.
            tagVeldesLoudness figures{};
            if (options.loudness && convert.measureLoudnessNow(item.get(), nullptr, &figures) &&
                !options.quiet) {
                const std::string notice = loudnessNotice(figures, *options.loudness);
                if (!notice.empty())
                    std::fprintf(stderr, "movara-convert: %s: %s\n", file.c_str(), notice.c_str());
            }
        }
        items.push_back(std::move(item));
    }
    if (options.capture.records()) {
        const std::string failure =
            addRecording(convert, items, profile, options.capture, options.edits);
        if (!failure.empty()) {
            console.loadFailed(captureDescription(options.capture), failure, true);
            allLoaded = false;
        }
    }
    if (options.estimate) {
        estimateStopper.reset();
        convert.shutdown();
        return allLoaded ? 0 : kExitNotAllFinished;
    }
    estimateStopper.reset(); // from here on a signal stops the conversion
    if (!options.outputFile.empty() && !items.empty())
        nameOutput(*items.front(), outputFile);

    // --exists skip: an output already there is reported and its item left out of the run.
    bool anyToConvert = false;
    for (const auto& item : items) {
        const std::string planned = outputPathOf(options.merge ? *items.front() : *item, settings);
        if (options.exists == ExistingOutput::Skip && pathExists(planned)) {
            item->setFlag(kItemChecked, false);
            console.skipped(*item, planned);
        } else {
            anyToConvert = true;
        }
    }

    bool interrupted = SignalStop::signalled() != 0;
    if (anyToConvert && !interrupted) {
        QSocketNotifier notifier(SignalStop::readFd(), QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
            SignalStop::drain();
            if (interrupted) {
                return;
            }
            interrupted = true;
            std::fprintf(stderr, "movara-convert: interrupted\n");
            convert.stop();
            QCoreApplication::exit(0);
        });
        // What the items' threads freed goes back to the system now and then, so that a run of
        // hundreds of items does not keep the high-water mark of each one's fragments.
        QTimer trim;
        QObject::connect(&trim, &QTimer::timeout, [] { malloc_trim(0); });
        trim.start(kTrimMs);
        convert.startConversion();
        if (!console.over()) {
            QCoreApplication::exec();
        }
    }
    // The window's order at its end: no more messages, then the engine object shuts down.
    console.close();
    convert.shutdown();

    if (interrupted || SignalStop::signalled() != 0) {
        return 128 + SignalStop::signalled();
    }
    const bool allGood = console.finish();
    return allGood && allLoaded ? 0 : kExitNotAllFinished;
}

} // namespace

int main(int argc, char** argv) {
    // Every item starts codec threads of its own, and each new thread may get an allocation arena
    // of its own (up to eight per core), which fragments over hundreds of items: resident memory
    // grew by 40 % from item 50 to item 500. Two arenas keep it flat.
    mallopt(M_ARENA_MAX, 2);
    SignalStop::install();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("movara-convert");
    QCoreApplication::setApplicationVersion(MOVARA_VERSION);

    std::string error;
    const auto options =
        parseConvertOptions(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!options) {
        return usageError(error);
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
        printProfiles(catalogue, options->longList, options->json, stdout);
        return 0;
    }
    if (options->listTracks)
        return listTracksOfFiles(*options);
    if (options->measureLoudness) {
        ProfileRef chosen;
        if (!options->profile.empty() &&
            !(chosen = chooseProfile(catalogue, options->profile, &error)))
            return usageError(error);
        return measureLoudnessOfFiles(*options, chosen);
    }
    const ProfileRef profile = chooseProfile(catalogue, options->profile, &error);
    if (!profile) {
        return usageError(error);
    }
    if (const std::string refusal = editsRefusal(options->edits, *profile); !refusal.empty()) {
        return usageError(refusal);
    }
    if (options->burnSubtitles > 0 && !profile->hasVideo()) {
        return usageError("--burn-subtitles draws into pictures, and the profile \"" +
                          profile->name + "\" makes sound only");
    }
    ConvertOptions checked = *options;
    if (!checked.outputFile.empty() && !checked.estimate) {
        std::filesystem::path file = checked.outputFile;
        if (const std::string problem = checkOutputFile(&file, *profile); !problem.empty())
            return usageError(problem);
        checked.outputFile = file.string();
    }
    std::error_code ec;
    if (!checked.estimate && checked.outputFile.empty() &&
        !std::filesystem::is_directory(checked.outputFolder, ec)) {
        const bool exists = std::filesystem::exists(checked.outputFolder, ec);
        return usageError("the output folder \"" + checked.outputFolder + "\" " +
                          (exists ? "is not a folder" : "does not exist"));
    }
    return convertFiles(checked, profile);
}
