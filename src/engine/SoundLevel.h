// Loudness normalisation: what a media asks for (a target integrated loudness under a true-peak
// ceiling), what the meter found, and the one gain (with a peak limiter only where the gain would
// push peaks over the ceiling) that a run applies to the sound.
#pragma once

#include "OutputPlan.h"

namespace vel {

// EBU R128 figures of a clip's sound.
struct LoudnessFigures {
    double integrated = -70.0; // LUFS; -70 or below: nothing above the absolute gate (silence)
    double truePeak = -144.0;  // dBTP
    double range = 0.0;        // LU
    // The shape the sound was measured in (the run's rate and channels); 0: the source's own.
    int sampleRate = 0, channels = 0;
};

struct LoudnessTarget {
    bool on = false;
    double lufs = -16.0;
    double ceiling = -1.0; // dBTP
};

struct SoundLevel {
    enum class Note {
        Normalised, // the gain alone reaches the target under the ceiling
        Limited,    // the gain reaches it with the limiter holding the peaks down
        TooQuiet,   // silence or near-silence: left as it is
    };
    double gainDb = 0.0;
    bool limit = false;
    double limitDb = 0.0; // sample peaks at the output's rate, dBFS
    Note note = Note::Normalised;

    bool changesSound() const { return gainDb != 0.0 || limit; }
};

// Sound that would need more gain than this is near-silence and is left as it is.
inline constexpr double kMaxLoudnessGainDb = 20.0;

// The level for `figures` under `target`, for sound encoded as `audio` plans it: lossy encoders
// overshoot the peaks they are given, so the limiter holds them under the ceiling less that
// encoder's margin.
SoundLevel planSoundLevel(const LoudnessFigures& figures, const LoudnessTarget& target,
                          const AudioPlan& audio);

// The highest frequency a lossy encoder keeps of sound encoded as `audio` plans it, in Hz; 0 when
// it keeps the whole band. What it drops is loudness the output will not have.
double encoderBandwidth(const AudioPlan& audio);

// Encoders whose effect on the level depends on the content, so the sound is measured through
// them (and back) instead of estimated from their band.
bool encoderRoundTrip(const AudioPlan& audio);

// How much lower than it is given an encoder encodes sound as `audio` plans it, in dB.
double encoderLevelLoss(const AudioPlan& audio);

// The peak headroom, in dB, that sound encoded by `audio` needs below a true-peak ceiling.
double encoderPeakMargin(const AudioPlan& audio);

} // namespace vel
