#include "RateSearch.h"

#include "SizeTuning.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vel {

using namespace tuning;

double RateSearch::budgetFor(const RateSample& s) const {
    return (s.whole ? m_bounds.wholeTarget : m_bounds.sampleTarget) - s.sound - s.container;
}

// The first rate guessed the sound from its nominal rate; silence or a mute source spends far less,
// so the pictures' room as measured sets the ceiling too.
int64_t RateSearch::highestRate() const {
    const double measured = m_budget * 8.0 / m_bounds.seconds;
    return std::llround(double(kHighestRaise) * std::max(double(m_bounds.first), measured));
}

// Asking for clearly less spent hardly less, or nothing less at all.
void RateSearch::noteCoarsest(double video) {
    const int64_t rate = m_rate, earlier = m_earlierRate;
    m_atCoarsest = m_atCoarsest || rate <= m_bounds.minimum ||
                   (earlier > 0 && rate < earlier * 0.8 && video > m_earlierVideo * 0.95) ||
                   (earlier > 0 && rate < earlier * 0.95 && video > m_earlierVideo * 0.99);
}

// Content that needs less than it was given: nearly all its pictures are at the encoder's finest
// quantiser, or its spending did not follow a raise.
bool RateSearch::cannotSpendMore(double video, const RateSample& s) const {
    const bool raised = m_priorRate > 0 && m_rate > m_priorRate;
    return m_rate >= highestRate() || s.finest >= kFinestShare ||
           (raised && m_rate > m_priorRate * 1.2 && video < m_priorVideo * 1.02) ||
           (raised && m_rate > m_priorRate * 1.05 && video < m_priorVideo * 1.01);
}

// Aimed near the top of the accepted band: from the two last measurements' slope where they
// differ enough to give one, else in proportion to what the encoder made of this rate.
RateSearch::Step RateSearch::nextRate(double budget, double video) const {
    const double seconds = m_bounds.seconds;
    const double want = budget * kAim;
    const double realised = std::max(video * 8.0 / (double(m_rate) * seconds), 0.05);
    double wanted = want * 8.0 / seconds / realised;
    double bytesPerBit = video / double(m_rate);
    if (m_priorRate > 0 && m_priorRate != m_rate &&
        std::fabs(video - m_priorVideo) > 0.01 * video) {
        const double slope = (video - m_priorVideo) / double(m_rate - m_priorRate);
        if (slope > 0.0) {
            wanted = double(m_rate) + (want - video) / slope;
            bytesPerBit = slope;
        }
    }
    return {std::clamp<int64_t>(std::llround(wanted), m_bounds.minimum, highestRate()),
            bytesPerBit};
}

int RateSearch::run(const Measure& measure, const KeepWhole& keepWhole) {
    for (int attempt = 0;; ++attempt) {
        RateSample s;
        const int r = measure(m_rate, &s);
        if (r < 0)
            return r;
        m_sample = s;
        m_video = s.video;
        const double budget = m_budget = budgetFor(s);
        if (budget * 8.0 / m_bounds.seconds < double(m_bounds.minimum)) {
            m_end = End::TooLittle;
            return 0;
        }
        noteCoarsest(s.video);
        m_priorRate = std::exchange(m_earlierRate, m_rate);
        m_priorVideo = std::exchange(m_earlierVideo, s.video);
        const bool fits = s.video <= budget;
        if (s.whole && fits && s.video > m_bestVideo) {
            m_bestRate = m_rate;
            m_bestVideo = s.video;
            m_best = s;
            if (keepWhole)
                keepWhole();
        }
        const bool accepted = fits && s.video >= budget * kAcceptedFill;
        if ((accepted && s.whole) || attempt == (s.whole ? kWholeAttempts : kAttempts))
            break;
        if (s.whole && !fits && m_bestVideo >= budget * kCloseFill)
            break;
        if (fits && cannotSpendMore(s.video, s))
            break;
        const Step next = nextRate(budget, s.video);
        const bool reachedCoarsest = !fits && next.rate >= m_rate;
        if (reachedCoarsest || (fits && next.rate <= m_rate && !accepted))
            break;
        if (!s.whole &&
            std::llabs(next.rate - m_rate) <= std::llround(double(m_rate) * kTrustedStep)) {
            m_video += double(next.rate - m_rate) * next.bytesPerBit;
            m_rate = next.rate;
            break;
        }
        if (accepted)
            break;
        m_rate = next.rate;
    }
    finish();
    return 0;
}

// Settles on the fullest whole encode that fitted where there was one, and refuses content that
// the coarsest quantiser keeps over its budget, or a clip none of whose own encodes fitted.
void RateSearch::finish() {
    if (m_sample.whole && m_bestVideo >= 0.0) {
        m_rate = m_bestRate;
        m_video = m_bestVideo;
        m_sample = m_best;
        m_tookKept = true;
    }
    const double total = m_video + m_sample.sound + m_sample.container;
    const bool wholeOver = m_sample.whole && total > m_bounds.limit;
    if ((m_atCoarsest && m_video > m_budget * kCoarsestExcess) || wholeOver)
        m_end = End::OverAtCoarsest;
}

} // namespace vel
