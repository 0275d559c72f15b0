// The per-source filter graphs of a run. Video: crop, crop scaling, flip, colour, then one
// scale to the export size, the watermark overlay, the export frame rate and the encoder's
// pixel format. Audio: the loudness gain, one resampler to the export rate, channels and
// sample format, and the peak limiter where the gain needs one.
#pragma once

#include "AvUtil.h"
#include "MediaEdits.h"
#include "OutputPlan.h"
#include "SoundLevel.h"
#include "SubtitleBurn.h"

#include <deque>
#include <initializer_list>
#include <string>
#include <utility>

namespace vel {

// Allocates, configures (options set one by one, so no filtergraph-syntax escaping is needed)
// and initialises one filter; null on failure.
AVFilterContext* addFilter(AVFilterGraph* graph, const char* filterName,
                           std::initializer_list<std::pair<const char*, std::string>> options);

class CVideoFilter {
public:
    // `sourceWidth`/`sourceHeight`: the size the edits' pixel coordinates refer to (the
    // source's first video stream); `timeBase`: of the frames that will be pushed.
    int configure(const VideoPlan& plan, const MediaEdits& edits, int sourceWidth, int sourceHeight,
                  AVRational timeBase);

    // Subtitles drawn into the pictures after the crop, before the scale (null: none). Before
    // the first push.
    void burnSubtitles(std::shared_ptr<CSubtitleBurn> burn) { m_burn = std::move(burn); }

    // Pushes one frame (pts in the configured time base, relative to the clip start). A change
    // of frame size or format rebuilds the graph.
    int push(AVFrame* frame);
    // Ends the input; frames are produced up to `endPts` (time base units).
    int close(int64_t endPts);
    // 1 with a frame (pts in 1 / frame rate units), 0 when more input is needed, AVERROR_EOF
    // after close() once everything was taken.
    int pull(AVFrame* out);

private:
    int build(int width, int height, AVPixelFormat format, AVRational sampleAspect);

    VideoPlan m_plan;
    MediaEdits m_edits;
    int m_sourceWidth = 0, m_sourceHeight = 0;
    AVRational m_timeBase{1, 25};
    int m_width = 0, m_height = 0;
    AVPixelFormat m_format = AV_PIX_FMT_NONE;
    FilterGraphPtr m_graph;
    AVFilterContext* m_source = nullptr;
    AVFilterContext* m_sink = nullptr;
    std::deque<FramePtr> m_pending; // output of a graph replaced mid-stream
    std::shared_ptr<CSubtitleBurn> m_burn;
};

class CAudioFilter {
public:
    CAudioFilter() = default;
    ~CAudioFilter() { av_channel_layout_uninit(&m_layout); }
    CAudioFilter(const CAudioFilter&) = delete;
    CAudioFilter& operator=(const CAudioFilter&) = delete;

    int configure(const AudioPlan& plan, const SoundLevel& level = {});
    // pts in 1 / the frame's sample rate, relative to the clip start.
    int push(AVFrame* frame);
    int close();
    // 1 with a frame (pts in 1 / export rate), 0 for more input, AVERROR_EOF at the end.
    int pull(AVFrame* out);

private:
    int build(const AVFrame* like);

    AudioPlan m_plan;
    SoundLevel m_level;
    int m_rate = 0;
    AVSampleFormat m_format = AV_SAMPLE_FMT_NONE;
    AVChannelLayout m_layout{};
    int64_t m_endPts = 0;
    FilterGraphPtr m_graph;
    AVFilterContext* m_source = nullptr;
    AVFilterContext* m_sink = nullptr;
    std::deque<FramePtr> m_pending;
};

} // namespace vel
