#include "Orientation.h"

#include "FilterGraph.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace vel {

namespace {

// A displayed point (x', y') of a stored one (x, y): x' = a x + c y, y' = b x + d y, with y
// pointing down (the matrix entries 0, 1, 3 and 4). Each arrangement, and how to get it.
struct Arrangement {
    double a, b, c, d;
    Orientation steps;
};

constexpr Arrangement kArrangements[] = {
    {1, 0, 0, 1, {-1, false, false}}, {-1, 0, 0, 1, {-1, true, false}},
    {1, 0, 0, -1, {-1, false, true}}, {-1, 0, 0, -1, {-1, true, true}},
    {0, 1, 1, 0, {0, false, false}},  {0, 1, -1, 0, {1, false, false}},
    {0, -1, 1, 0, {2, false, false}}, {0, -1, -1, 0, {3, false, false}},
};

std::string text(int v) {
    return std::to_string(v);
}

} // namespace

Orientation orientationOf(const AVStream* stream) {
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!data || size < 9 * sizeof(int32_t))
        return {};
    int32_t m[9];
    std::memcpy(m, data, sizeof m);
    const double a = m[0] / 65536.0, b = m[1] / 65536.0, c = m[3] / 65536.0, d = m[4] / 65536.0;
    const double scale = std::hypot(a, b) * std::hypot(c, d);
    if (!(scale > 0.0) || !std::isfinite(scale))
        return {};
    // Scaling in the matrix says nothing about turning; an odd angle goes to the nearest quarter.
    const Arrangement* best = &kArrangements[0];
    double bestScore = -1e9;
    for (const Arrangement& arrangement : kArrangements) {
        double score =
            a * arrangement.a + b * arrangement.b + c * arrangement.c + d * arrangement.d;
        if (score > bestScore + 1e-9) {
            bestScore = score;
            best = &arrangement;
        }
    }
    return best->steps;
}

void orientSize(const Orientation& o, int* width, int* height) {
    if (o.swapsAxes())
        std::swap(*width, *height);
}

AVRational orientSampleAspect(const Orientation& o, AVRational sampleAspect) {
    if (o.swapsAxes() && sampleAspect.num > 0 && sampleAspect.den > 0)
        return av_inv_q(sampleAspect);
    return sampleAspect;
}

void CUprightFrames::configure(const Orientation& o, AVRational timeBase) {
    m_orientation = o;
    m_timeBase = timeBase.num > 0 && timeBase.den > 0 ? timeBase : AVRational{1, 90000};
    m_graph.reset();
}

int CUprightFrames::build(const AVFrame* like) {
    m_graph.reset(avfilter_graph_alloc());
    if (!m_graph)
        return AVERROR(ENOMEM);
    AVFilterGraph* g = m_graph.get();
    m_width = like->width;
    m_height = like->height;
    m_format = like->format;
    AVRational sar = like->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0)
        sar = {1, 1};
    const char* formatName = av_get_pix_fmt_name(AVPixelFormat(like->format));
    m_source = addFilter(g, "buffer",
                         {{"video_size", text(m_width) + "x" + text(m_height)},
                          {"pix_fmt", formatName ? formatName : "yuv420p"},
                          {"time_base", text(m_timeBase.num) + "/" + text(m_timeBase.den)},
                          {"pixel_aspect", text(sar.num) + "/" + text(sar.den)}});
    std::vector<AVFilterContext*> chain{m_source};
    if (m_orientation.transpose >= 0)
        chain.push_back(addFilter(g, "transpose", {{"dir", text(m_orientation.transpose)}}));
    if (m_orientation.hflip)
        chain.push_back(addFilter(g, "hflip", {}));
    if (m_orientation.vflip)
        chain.push_back(addFilter(g, "vflip", {}));
    m_sink = addFilter(g, "buffersink", {});
    chain.push_back(m_sink);
    for (size_t i = 0; i + 1 < chain.size(); ++i) {
        if (!chain[i] || !chain[i + 1])
            return AVERROR_FILTER_NOT_FOUND;
        int r = avfilter_link(chain[i], 0, chain[i + 1], 0);
        if (r < 0)
            return r;
    }
    return avfilter_graph_config(g, nullptr);
}

int CUprightFrames::apply(AVFrame* frame) {
    // The stored turn is done here; a matrix carried on by the frame would turn it once more.
    av_frame_remove_side_data(frame, AV_FRAME_DATA_DISPLAYMATRIX);
    if (m_orientation.upright())
        return 0;
    if (!m_graph || frame->width != m_width || frame->height != m_height ||
        frame->format != m_format) {
        int r = build(frame);
        if (r < 0) {
            m_graph.reset();
            return r;
        }
    }
    int r = av_buffersrc_add_frame_flags(m_source, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
    if (r < 0)
        return r;
    FramePtr turned = makeFrame();
    if (!turned)
        return AVERROR(ENOMEM);
    if ((r = av_buffersink_get_frame(m_sink, turned.get())) < 0)
        return r;
    av_frame_unref(frame);
    av_frame_move_ref(frame, turned.get());
    return 0;
}

} // namespace vel
