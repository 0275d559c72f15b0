// The search for the video rate that spends a size budget: each measurement at a rate gives the
// next rate, until the pictures fill their budget, cannot spend more, or asking for less no longer
// spends less (the encoder's coarsest quantiser). Measures nothing itself, so it can be driven by
// any rate-to-bytes measurement.
#pragma once

#include <cstdint>
#include <functional>

namespace vel {

// What one measurement at a rate came to, in bytes for the whole clip.
struct RateSample {
    double video = 0.0, sound = 0.0, container = 0.0;
    // The share of pictures coded at the encoder's finest quantiser.
    double finest = 0.0;
    // An encode of the whole clip: exact, and possibly the output itself.
    bool whole = false;
};

class RateSearch {
public:
    struct Bounds {
        double seconds = 0.0;
        double limit = 0.0;        // the bytes the output must not exceed
        double sampleTarget = 0.0; // what a sample's prediction may come to (margin taken off)
        double wholeTarget = 0.0;  // what an encode of the whole clip may come to
        int64_t first = 0;         // the rate measured first
        int64_t minimum = 0;       // the lowest rate whose pictures are still worth looking at
    };
    // Measures the clip at a video rate: 0, or a negative AVERROR.
    using Measure = std::function<int(int64_t rate, RateSample* sample)>;
    // Told when the encode just measured is the fullest of the whole clip that fitted, so the
    // caller can keep its file.
    using KeepWhole = std::function<void()>;

    enum class End {
        Fits,           // the rate below spends the budget as well as this content allows
        TooLittle,      // sound and container leave the pictures less than their minimum
        OverAtCoarsest, // the encoder cannot go low enough, or no encode of the whole clip fit
    };

    explicit RateSearch(const Bounds& bounds) : m_bounds(bounds), m_rate(bounds.first) {}

    // 0 with the outcome in end(), or the measurement's negative AVERROR.
    int run(const Measure& measure, const KeepWhole& keepWhole = {});

    End end() const { return m_end; }
    int64_t rate() const { return m_rate; }
    // The pictures' bytes at rate() (foreseen where the last small step was not measured).
    double video() const { return m_video; }
    const RateSample& sample() const { return m_sample; }
    // Whether the result is the fullest encode of the whole clip that fitted, told to keepWhole.
    bool tookKeptWhole() const { return m_tookKept; }
    // Whether the result is of the whole clip rather than foreseen from samples.
    bool whole() const { return m_sample.whole; }

private:
    struct Step {
        int64_t rate;
        double bytesPerBit; // the clip's picture bytes per bit of rate about this step
    };
    double budgetFor(const RateSample& s) const;
    void noteCoarsest(double video);
    bool cannotSpendMore(double video, const RateSample& s) const;
    Step nextRate(double budget, double video) const;
    void finish();

    Bounds m_bounds;
    int64_t m_rate;
    double m_video = 0.0;
    int64_t highestRate() const;
    double m_budget = 0.0; // of the pictures, after the last measurement's sound and container
    RateSample m_sample;
    End m_end = End::Fits;
    // Set once asking for clearly less no longer spends clearly less.
    bool m_atCoarsest = false;
    int64_t m_earlierRate = 0, m_priorRate = 0;
    double m_earlierVideo = 0.0, m_priorVideo = 0.0;
    // Of encodes of the whole clip, the fullest that fitted: the rates may go round it.
    int64_t m_bestRate = 0;
    double m_bestVideo = -1.0;
    RateSample m_best;
    bool m_tookKept = false;
};

} // namespace vel
