#include "LoudnessCommand.h"

#include "ConsoleSession.h"
#include "EstimateStopper.h"
#include "VelSettings.h"

#include <cstdio>
#include <filesystem>

std::string loudnessLine(const tagVeldesLoudness& figures, const std::string& file) {
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "%.1f\t%.1f\t%.1f\t", figures.integrated,
                  figures.truePeak, figures.range);
    return numbers + file;
}

std::string loudnessNotice(const tagVeldesLoudness& figures, double target) {
    if (figures.integrated <= -70.0)
        return "silence: left as it is";
    if (target - figures.integrated > 20.0)
        return "too quiet to normalise (it would need more than +20 dB): left as it is";
    return {};
}

int measureLoudnessOfFiles(const ConvertOptions& options, const ProfileRef& profile) {
    ConsoleSession session;
    CVelConvert& convert = session.convert();
    // A signal destroys the timeline, which cancels the measurement, and ends the process.
    EstimateStopper stopper;
    stopper.watch(convert.timeline());
    bool allMeasured = true;
    for (const std::string& file : options.files) {
        auto item = std::make_unique<MediaItem>();
        item->sourcePath = ConsoleSession::sourcePath(file);
        item->profile = profile;
        if (options.begin)
            item->clipBegin = *options.begin;
        if (options.end)
            item->clipEnd = *options.end;
        tagVeldesLoudness figures{};
        if (!convert.addItem(item.get())) {
            std::fprintf(stderr, "movara-convert: %s: no audio or video that can be decoded\n",
                         file.c_str());
            allMeasured = false;
            continue;
        }
        if (!convert.measureLoudnessNow(item.get(), nullptr, &figures)) {
            std::fprintf(stderr, "movara-convert: %s: no sound to measure\n", file.c_str());
            allMeasured = false;
        } else {
            std::printf("%s\n", loudnessLine(figures, file).c_str());
            if (figures.integrated <= -70.0)
                std::fprintf(stderr, "movara-convert: %s: silence\n", file.c_str());
            std::fflush(stdout);
        }
        convert.removeItem(item.get());
    }
    convert.shutdown();
    return allMeasured ? 0 : 1;
}
