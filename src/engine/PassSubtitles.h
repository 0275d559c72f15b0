// The subtitles of one source pass: the source's tracks the pass needs are read (once per
// source, see SourceSubtitles), the burned one becomes a step of the video filter, and the kept
// text tracks are handed to the writer event by event as the pass gets to them, placed on the
// output's timeline and cut to the clip.
#pragma once

#include "CMediaSource.h"
#include "CWriterThread.h"
#include "OutputPlan.h"
#include "SubtitleBurn.h"
#include "SubtitleTrack.h"

#include <atomic>
#include <memory>
#include <vector>

namespace vel {

class CPassSubtitles {
public:
    // Reads the kept text tracks the plan has streams for and, when `burnedStream` >= 0, the
    // burned one. `clipBegin`: seconds from the media's start where the clip begins. 0, or an
    // error (AVERROR_EXIT when `abort` was set meanwhile).
    int open(const MediaProbe& probe, const std::shared_ptr<SourceSubtitles>& source,
             int burnedStream, const OutputPlan& plan, double clipBegin,
             const std::atomic<bool>* abort);
    // The drawing step of the burned track, or null.
    std::shared_ptr<CSubtitleBurn> burn() const { return m_burn; }
    // Hands the writer every kept event that starts before `until` seconds from the clip's
    // begin. The clip starts at `start` seconds of the output and is `length` long (0 or less:
    // not known yet, nothing is cut).
    int release(CWriterThread& writer, double until, double start, double length);

private:
    struct Kept {
        int output = 0;
        std::shared_ptr<const SubtitleStream> stream;
        size_t next = 0;
    };
    std::vector<Kept> m_kept;
    std::shared_ptr<CSubtitleBurn> m_burn;
    double m_clipBegin = 0.0;
};

} // namespace vel
