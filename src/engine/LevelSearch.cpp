#include "LevelSearch.h"

#include <algorithm>
#include <cmath>

namespace vel {

LevelSearch::LevelSearch(const LoudnessTarget& target, const AudioPlan& audio, SoundLevel* level)
    : m_target(target), m_loss(encoderLevelLoss(audio)), m_roundTrip(encoderRoundTrip(audio)),
      m_level(level) {}

bool LevelSearch::next(const LoudnessFigures& result) {
    if (result.integrated <= -70.0)
        return false;
    const double loudness = result.integrated - m_loss;
    const double shortfall = m_target.lufs - loudness;
    // Measured through the encoder, the output's own peaks are known; otherwise the planned
    // limiter already holds them under the ceiling less the encoder's margin.
    const double room = m_roundTrip ? (m_target.ceiling - kPeakRoom) - result.truePeak : 0.0;
    if (room >= 0.0 && (m_bestMiss < 0.0 || std::abs(shortfall) < m_bestMiss)) {
        m_best = *m_level;
        m_bestMiss = std::abs(shortfall);
    }
    if (room < 0.0)
        return holdPeaks(room);
    if (std::abs(shortfall) <= kTolerance)
        return false;
    if (scaleLimited(shortfall, room))
        return true;
    return followGain(loudness, shortfall);
}

void LevelSearch::keepBest() {
    if (m_bestMiss >= 0.0)
        *m_level = m_best;
}

bool LevelSearch::holdPeaks(double room) {
    // Peaks over the ceiling: the limiter holds them lower by as much.
    m_level->limitDb = (m_level->limit ? m_level->limitDb : m_target.ceiling) + room;
    m_level->limit = true;
    m_level->note = SoundLevel::Note::Limited;
    m_haveLast = false; // another limiter: the earlier tries say nothing about this one
    return true;
}

bool LevelSearch::scaleLimited(double shortfall, double room) {
    // Sound held at the limiter's ceiling gets no louder for more gain alone; with room left
    // under the output's ceiling, raising the limiter and the gain together scales the whole
    // sound, which raises its loudness by as much.
    if (!m_level->limit || shortfall <= 0.0 || room <= kTolerance)
        return false;
    const double up = std::min({shortfall, room, -m_level->limitDb});
    if (up <= 1e-3)
        return false;
    m_level->limitDb += up;
    m_level->gainDb = std::min(highest(), m_level->gainDb + up);
    m_haveLast = false;
    return true;
}

bool LevelSearch::followGain(double loudness, double shortfall) {
    // The secant through the last two tries; the first assumes the level follows the gain one
    // to one. A limiter makes it follow less, never more.
    double slope = 1.0;
    if (m_haveLast && std::abs(m_level->gainDb - m_lastGain) > 1e-3)
        slope = std::clamp((loudness - m_lastLoudness) / (m_level->gainDb - m_lastGain), 0.1, 1.0);
    m_lastGain = m_level->gainDb;
    m_lastLoudness = loudness;
    m_haveLast = true;
    const double gain = std::min(highest(), m_level->gainDb + shortfall / slope);
    if (std::abs(gain - m_level->gainDb) < 1e-3)
        return false; // at the most gain there is
    m_level->gainDb = gain;
    return true;
}

} // namespace vel
