#include "PassSubtitles.h"

#include <algorithm>

namespace vel {

namespace {

int interrupted(void* opaque) {
    const auto* abort = static_cast<const std::atomic<bool>*>(opaque);
    return abort && abort->load(std::memory_order_relaxed) ? 1 : 0;
}

} // namespace

int CPassSubtitles::open(const MediaProbe& probe, const std::shared_ptr<SourceSubtitles>& source,
                         int burnedStream, const OutputPlan& plan, double clipBegin,
                         const std::atomic<bool>* abort) {
    m_clipBegin = clipBegin;
    m_kept.clear();
    m_burn.reset();
    if (!source)
        return burnedStream >= 0 ? AVERROR_STREAM_NOT_FOUND : 0;
    // The k-th kept text track of each source goes into the plan's k-th subtitle stream.
    std::vector<int> kept = keptTextTracks(probe, burnedStream);
    kept.resize(std::min(kept.size(), plan.subtitles.size()));
    std::vector<int> wanted = kept;
    if (burnedStream >= 0)
        wanted.push_back(burnedStream);
    if (wanted.empty())
        return 0;
    AVIOInterruptCB interrupt{&interrupted, const_cast<std::atomic<bool>*>(abort)};
    int r = source->load(wanted, &interrupt);
    // Subtitles kept by default are no reason to fail a conversion; a burned track, asked for,
    // is.
    if (r < 0 && r != AVERROR_EXIT && !kept.empty()) {
        kept.clear();
        r = burnedStream >= 0 ? source->load({burnedStream}, &interrupt) : 0;
    }
    if (r < 0)
        return r;
    for (size_t k = 0; k < kept.size(); ++k)
        if (auto stream = source->stream(kept[k]))
            m_kept.push_back(Kept{int(k), std::move(stream), 0});
    if (burnedStream >= 0) {
        auto stream = source->stream(burnedStream);
        if (!stream)
            return AVERROR_STREAM_NOT_FOUND;
        m_burn = std::make_shared<CSubtitleBurn>(std::move(stream), clipBegin);
    }
    return 0;
}

int CPassSubtitles::release(CWriterThread& writer, double until, double start, double length) {
    for (Kept& kept : m_kept) {
        const std::vector<SubtitleEvent>& events = kept.stream->events;
        for (; kept.next < events.size(); ++kept.next) {
            const SubtitleEvent& e = events[kept.next];
            double from = e.start - m_clipBegin, to = e.end - m_clipBegin;
            if (from >= until)
                break;
            if (length > 0.0 && from >= length)
                continue; // after the clip
            from = std::max(0.0, from);
            if (length > 0.0)
                to = std::min(to, length);
            if (to <= from)
                continue; // over before the clip begins
            if (int r = writer.writeSubtitle(kept.output, e.dialogue, start + from, start + to);
                r < 0)
                return r;
        }
    }
    return 0;
}

} // namespace vel
