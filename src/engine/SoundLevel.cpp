#include "SoundLevel.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vel {

double encoderPeakMargin(const AudioPlan& audio) {
    // Measured on generated speech and music against the output's own true peak: the limiter
    // works on samples, so even lossless output keeps a little room for the peaks between them;
    // lossy encoders add their own overshoot, more the fewer bits they have.
    const char* name = audio.encoder ? audio.encoder->name : "";
    if (std::strncmp(name, "pcm_", 4) == 0 || std::strcmp(name, "flac") == 0)
        return 0.3;
    if (std::strstr(name, "amr"))
        return 2.5;
    return audio.bitRate > 0 && audio.bitRate / std::max(1, audio.channels) < 48000 ? 1.8 : 1.2;
}

double encoderBandwidth(const AudioPlan& audio) {
    const char* name = audio.encoder ? audio.encoder->name : "";
    const double perChannel = double(audio.bitRate) / std::max(1, audio.channels);
    if (std::strcmp(name, "aac") == 0 && perChannel > 0.0) {
        // FFmpeg's own AAC encoder picks its band from the rate per channel.
        const double band = std::min({std::max(perChannel / 5, perChannel * 15 / 32 - 5500),
                                      3000 + perChannel / 4, 12000 + perChannel / 16, 22000.0});
        return band < audio.sampleRate / 2.0 ? band : 0.0;
    }
    if (std::strcmp(name, "libmp3lame") == 0 && perChannel > 0.0) {
        // LAME's low-pass for its rates (stereo kbit/s to Hz); mono counts as half the rate.
        static constexpr std::pair<double, double> kLowpass[] = {
            {32, 5500},   {40, 7000},   {48, 7500},   {56, 10000},  {64, 11000},
            {80, 13500},  {96, 15100},  {112, 15600}, {128, 17000}, {160, 17500},
            {192, 18600}, {224, 19400}, {256, 19700}, {320, 20500}};
        const double kbps = perChannel * 2 / 1000;
        double band = kLowpass[0].second;
        for (const auto& [rate, hz] : kLowpass)
            if (kbps >= rate)
                band = hz;
        return band < audio.sampleRate / 2.0 ? band : 0.0;
    }
    return 0.0;
}

bool encoderRoundTrip(const AudioPlan& audio) {
    return audio.encoder && std::strstr(audio.encoder->name, "amr") != nullptr;
}

double encoderLevelLoss(const AudioPlan& audio) {
    // LAME below its highest rates encodes everything about half a decibel lower (measured on
    // tones and noise alike, 32 to 320 kbit/s stereo).
    const char* name = audio.encoder ? audio.encoder->name : "";
    const double kbps = double(audio.bitRate) * 2 / std::max(1, audio.channels) / 1000;
    if (std::strcmp(name, "libmp3lame") == 0 && kbps > 0.0)
        return kbps < 192 ? 0.45 : kbps < 256 ? 0.25 : 0.0;
    return 0.0;
}

SoundLevel planSoundLevel(const LoudnessFigures& figures, const LoudnessTarget& target,
                          const AudioPlan& audio) {
    SoundLevel level;
    const double gain = target.lufs - figures.integrated;
    if (figures.integrated <= -70.0 || gain > kMaxLoudnessGainDb) {
        level.note = SoundLevel::Note::TooQuiet;
        return level;
    }
    // The gain makes up for what the encoder takes off the level too.
    level.gainDb = gain + encoderLevelLoss(audio);
    const double room = target.ceiling - encoderPeakMargin(audio);
    if (figures.truePeak + level.gainDb > room) {
        level.limit = true;
        level.limitDb = room;
        level.note = SoundLevel::Note::Limited;
    }
    return level;
}

} // namespace vel
