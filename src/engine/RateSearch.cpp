#include "RateSearch.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vel {

namespace {

// The search's tuning, from the fit-size benchmark's corpus (x264, mpeg4, xvid, h263 at limits
// from a tenth to a half of a plain conversion's size).
// A measurement that fills this share of its budget is taken; a lower one is aimed again.
constexpr double kAcceptedFill = 0.96;
// An encode of the whole clip that filled this share of its budget is kept rather than aimed
// again once a higher rate has come out over (encoders whose quantiser steps jump the band).
constexpr double kCloseFill = 0.9;
// Measurements after the first at most: of samples, and of clips encoded whole (short ones).
constexpr int kAttempts = 3;
constexpr int kWholeAttempts = 5;
// Where in the budget a correction aims.
constexpr double kAim = 0.985;
// A correction of a sample's rate up to this share is not measured again: spending follows the
// rate that closely over so short a step, and measuring again costs a good part of a run.
constexpr double kTrustedStep = 0.12;
// A sample with this share of its pictures at the encoder's finest quantiser cannot spend more.
constexpr double kFinestShare = 0.9;
// No rate above this multiple of the first is asked for.
constexpr int64_t kHighestRaise = 4;
// A prediction over its budget at the coarsest quantiser is refused: such a run can only come
// out over too (the few that settled under were outnumbered by those that did not).
constexpr double kCoarsestExcess = 1.0;

} // namespace

double RateSearch::budgetFor(const RateSample& s) const {
    return (s.whole ? m_bounds.wholeTarget : m_bounds.sampleTarget) - s.sound - s.container;
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
    return m_rate >= m_bounds.first * kHighestRaise || s.finest >= kFinestShare ||
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
    const int64_t highest = m_bounds.first * kHighestRaise;
    return {std::clamp<int64_t>(std::llround(wanted), m_bounds.minimum, highest), bytesPerBit};
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
