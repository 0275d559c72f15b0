#include "StatusTexts.h"

#include "Profile.h"

std::string itemCountsText(int count, int checked) {
    return "Total items : " + std::to_string(count) + "  selected : " + std::to_string(checked);
}

std::string profileSummaryText(const Profile& profile) {
    auto bitrate = [](int value) {
        return value == 0 ? std::string("auto") : std::to_string(value);
    };
    const std::string frameSize =
        profile.width == 0 || profile.height == 0
            ? std::string("original")
            : std::to_string(profile.width) + "X" + std::to_string(profile.height);
    return "Video : bitrate : " + bitrate(profile.videoBitrate) + " framesize : " + frameSize +
           "   Audio : bitrate : " + bitrate(profile.audioBitrate) +
           " samplerate : " + std::to_string(profile.sampleRate);
}

std::string couldNotShowText(const std::string& folder) {
    return "The folder \"" + folder + "\" could not be shown.";
}

std::string conversionSummaryText(int converted, int failed, int total) {
    if (converted == total)
        return std::to_string(total) + (total == 1 ? " file converted" : " files converted");
    std::string text = std::to_string(converted) + " of " + std::to_string(total) + " converted";
    if (failed > 0)
        text += ", " + std::to_string(failed) + " failed";
    return text;
}
