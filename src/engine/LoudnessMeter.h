// EBU R128 measurement of a clip's sound: integrated loudness, loudness range and true peak, by
// FFmpeg's R128 meter in a graph of our own. The sound is read as a run converts it: only the
// clip (between its begin and end), in the run's rate and channels where those are given, and
// with a level applied where one is (to see what the limiter leaves of the loudness).
#pragma once

#include "AvUtil.h"
#include "CSourcePass.h"
#include "SoundLevel.h"

#include <atomic>
#include <vector>

namespace vel {

class LoudnessMeter {
public:
    // How peaks are found: true peak (four times oversampled, what people are shown), the
    // highest sample (a quarter of the work, for a run planning its level), or not at all.
    enum class Peaks { True, Sample, None };

    // `bandHz` > 0: the sound is measured as an encoder keeping only that band leaves it.
    explicit LoudnessMeter(double bandHz = 0.0, Peaks peaks = Peaks::True)
        : m_band(bandHz), m_peaks(peaks) {}
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // Feeds decoded sound (any format; the first frame sets the graph's input).
    int push(AVFrame* frame);
    // Ends the input and writes what was found.
    int finish(LoudnessFigures* figures);

    // Measures the clip's sound on the calling thread. `audio` gives the shape to measure in
    // (its rate and channels), or is null for the source's own; `level` is applied first.
    // 0, AVERROR_STREAM_NOT_FOUND without sound, AVERROR_EXIT once `abort` is set, or another
    // negative error.
    static int measure(const PassSource& clip, const AudioPlan* audio, const SoundLevel& level,
                       const std::atomic<bool>* abort, LoudnessFigures* figures,
                       Peaks peaks = Peaks::True);

    // The level a run applies to a clip for `target`: measured first unless `known` figures
    // (taken in the run's shape) are given; where the limiter is needed, the limited sound is
    // measured once more and the gain corrected by what the limiter took off. `truePeak` false:
    // the first measurement takes the highest sample with room for the peaks between samples
    // (a run's own measurement, which nobody is shown).
    static int resolve(const PassSource& clip, const AudioPlan& audio, const LoudnessTarget& target,
                       const LoudnessFigures* known, const std::atomic<bool>* abort,
                       SoundLevel* level, LoudnessFigures* measured = nullptr,
                       bool truePeak = true);

    // Resolves the level of every source of a run that asks for one and has none yet.
    static int resolveAll(std::vector<PassSource>* sources, const OutputPlan& plan,
                          const std::atomic<bool>* abort);

private:
    int build(const AVFrame* like);
    int drain();

    FilterGraphPtr m_graph;
    AVFilterContext* m_source = nullptr;
    AVFilterContext* m_sink = nullptr;
    double m_band = 0.0;
    Peaks m_peaks = Peaks::True;
    int m_rate = 0;
    int64_t m_nextPts = 0;
    double m_integrated = -70.0, m_range = 0.0, m_peak = 0.0; // m_peak linear
};

} // namespace vel
