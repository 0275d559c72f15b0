// The search for the level that brings a clip's sound to its loudness target: each measured try
// gives the next gain and limiter, until the sound lands within the tolerance or can come no
// closer. Measures nothing itself, so it can be driven by any measurement.
#pragma once

#include "SoundLevel.h"

namespace vel {

class LevelSearch {
public:
    // How close to the target (LU) is close enough, and how far under the ceiling (dB) peaks
    // measured through the encoder are held.
    static constexpr double kTolerance = 0.15;
    static constexpr double kPeakRoom = 0.2;

    // `level`: the planned level, corrected in place.
    LevelSearch(const LoudnessTarget& target, const AudioPlan& audio, SoundLevel* level);

    // What the last level measured. False when the level is where it should be or can come no
    // closer; true when it changed and should be measured again.
    bool next(const LoudnessFigures& result);
    // After the last try: the level measured closest to the target with its peaks under the
    // ceiling, where the level as corrected was never measured.
    void keepBest();

private:
    double highest() const { return kMaxLoudnessGainDb + m_loss; }
    bool holdPeaks(double room);
    bool scaleLimited(double shortfall, double room);
    bool followGain(double loudness, double shortfall);

    LoudnessTarget m_target;
    double m_loss;
    bool m_roundTrip;
    SoundLevel* m_level;
    double m_lastGain = 0.0, m_lastLoudness = 0.0;
    bool m_haveLast = false;
    SoundLevel m_best;
    double m_bestMiss = -1.0; // none measured yet
};

} // namespace vel
