#include "FilterGraph.h"

#include "PictureFit.h"
#include "WatermarkPicture.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <vector>

namespace vel {

namespace {

std::string rationalText(AVRational r) {
    return std::to_string(r.num) + "/" + std::to_string(r.den);
}

std::string sizeText(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

int linkChain(const std::vector<AVFilterContext*>& chain) {
    for (size_t i = 0; i + 1 < chain.size(); ++i) {
        if (!chain[i] || !chain[i + 1])
            return AVERROR_FILTER_NOT_FOUND;
        int r = avfilter_link(chain[i], 0, chain[i + 1], 0);
        if (r < 0)
            return r;
    }
    return 0;
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", v);
    return text;
}

int pullInto(AVFilterContext* sink, std::deque<FramePtr>* pending) {
    for (;;) {
        FramePtr frame = makeFrame();
        int r = av_buffersink_get_frame(sink, frame.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return 0;
        if (r < 0)
            return r;
        pending->push_back(std::move(frame));
    }
}

int pullFrom(std::deque<FramePtr>* pending, AVFilterContext* sink, AVFrame* out) {
    if (!pending->empty()) {
        av_frame_move_ref(out, pending->front().get());
        pending->pop_front();
        return 1;
    }
    if (!sink)
        return AVERROR_EOF;
    int r = av_buffersink_get_frame(sink, out);
    if (r == 0)
        return 1;
    return r == AVERROR(EAGAIN) ? 0 : r;
}

} // namespace

AVFilterContext* addFilter(AVFilterGraph* graph, const char* filterName,
                           std::initializer_list<std::pair<const char*, std::string>> options) {
    const AVFilter* filter = avfilter_get_by_name(filterName);
    if (!filter)
        return nullptr;
    AVFilterContext* ctx = avfilter_graph_alloc_filter(graph, filter, nullptr);
    if (!ctx)
        return nullptr;
    for (const auto& [key, value] : options)
        if (av_opt_set(ctx, key, value.c_str(), AV_OPT_SEARCH_CHILDREN) < 0)
            return nullptr;
    return avfilter_init_str(ctx, nullptr) < 0 ? nullptr : ctx;
}

int CVideoFilter::configure(const VideoPlan& plan, const MediaEdits& edits, int sourceWidth,
                            int sourceHeight, AVRational timeBase) {
    m_plan = plan;
    m_edits = edits;
    m_sourceWidth = sourceWidth;
    m_sourceHeight = sourceHeight;
    m_timeBase = timeBase;
    m_graph.reset();
    m_pending.clear();
    return 0;
}

int CVideoFilter::build(int width, int height, AVPixelFormat format, AVRational sampleAspect) {
    m_graph.reset(avfilter_graph_alloc());
    if (!m_graph)
        return AVERROR(ENOMEM);
    AVFilterGraph* g = m_graph.get();
    m_width = width;
    m_height = height;
    m_format = format;
    sampleAspect = squareIfUnset(sampleAspect);
    const char* formatName = av_get_pix_fmt_name(format);
    m_source = addFilter(g, "buffer",
                         {{"video_size", sizeText(width, height)},
                          {"pix_fmt", formatName ? formatName : "yuv420p"},
                          {"time_base", rationalText(m_timeBase)},
                          {"pixel_aspect", rationalText(sampleAspect)}});
    // Frames are dropped or repeated first, so nothing is scaled that will not be encoded.
    std::vector<AVFilterContext*> chain = {m_source};
    // A plan without a frame rate (the preview) keeps the source's timing.
    const bool retime = m_plan.frameRate.num > 0 && m_plan.frameRate.den > 0;
    if (retime)
        chain.push_back(addFilter(g, "fps", {{"fps", rationalText(m_plan.frameRate)}}));

    // Edits address the source's first video stream; follow a stream of another size.
    int spaceWidth = m_sourceWidth > 0 ? m_sourceWidth : width;
    int spaceHeight = m_sourceHeight > 0 ? m_sourceHeight : height;
    double toFrameX = double(width) / spaceWidth, toFrameY = double(height) / spaceHeight;
    // The shape that is kept: the crop's when it is scaled up, else the whole frame's.
    int keptWidth = width, keptHeight = height;
    // Subtitles land on the kept part of the upright picture, sized for it, before any scale.
    auto burn = [&](int x, int y, int w, int h) {
        return m_burn ? m_burn->addTo(g, &chain, {width, height, x, y, w, h, m_edits.flip & 3}) : 0;
    };
    if (!m_edits.crop)
        if (int r = burn(0, 0, width, height); r < 0)
            return r;
    if (m_edits.crop) {
        const CropRect& c = *m_edits.crop;
        int left = std::clamp(int(std::floor(c.left * toFrameX)), 0, width - 2);
        int top = std::clamp(int(std::floor(c.top * toFrameY)), 0, height - 2);
        int right = std::clamp(int(std::ceil(c.right * toFrameX)), left + 2, width);
        int bottom = std::clamp(int(std::ceil(c.bottom * toFrameY)), top + 2, height);
        int cropWidth = (right - left) & ~1, cropHeight = (bottom - top) & ~1;
        chain.push_back(addFilter(g, "crop",
                                  {{"w", std::to_string(cropWidth)},
                                   {"h", std::to_string(cropHeight)},
                                   {"x", std::to_string(left)},
                                   {"y", std::to_string(top)}}));
        if (int r = burn(left, top, cropWidth, cropHeight); r < 0)
            return r;
        if (m_edits.cropScale) {
            keptWidth = cropWidth;
            keptHeight = cropHeight;
        }
        // Without crop scaling the region keeps its pixel size, centred on black.
        if (!m_edits.cropScale)
            chain.push_back(addFilter(g, "pad",
                                      {{"w", std::to_string(width)},
                                       {"h", std::to_string(height)},
                                       {"x", std::to_string(((width - cropWidth) / 2) & ~1)},
                                       {"y", std::to_string(((height - cropHeight) / 2) & ~1)}}));
    }
    // Mirroring and colour are point-for-point, so they are done on whichever is smaller, the
    // picture before the scale or after it; the export's own black bars stay untouched by them.
    auto pointEdits = [&] {
        if (m_edits.flip & 1)
            chain.push_back(addFilter(g, "hflip", {}));
        if (m_edits.flip & 2)
            chain.push_back(addFilter(g, "vflip", {}));
        // Colour edits of -100..100 on eq's scales: 0 is neutral, brightness and contrast
        // clearly visible at the ends without turning the picture into a flat field (contrast
        // 0.4..2.5). Saturation spans eq's whole range, 0..3: -100 takes every colour out (grey),
        // 100 triples it.
        if (m_edits.colourChanged()) {
            double b = std::clamp(m_edits.brightness, -100, 100) / 100.0;
            double c = std::clamp(m_edits.contrast, -100, 100) / 100.0;
            double s = std::clamp(m_edits.saturation, -100, 100) / 100.0;
            chain.push_back(
                addFilter(g, "eq",
                          {{"brightness", number(0.4 * b)},
                           {"contrast", number(std::pow(2.0, 1.3 * c))},
                           {"saturation", number(s < 0.0 ? 1.0 + s : std::pow(3.0, s))}}));
        }
    };
    const PictureBox picture = fitPicture(m_plan.width, m_plan.height, m_plan.sampleAspect,
                                          keptWidth * av_q2d(sampleAspect) / keptHeight);
    const bool shrinking = int64_t(picture.width) * picture.height < int64_t(width) * height;
    if (!shrinking)
        pointEdits();
    chain.push_back(addFilter(g, "scale",
                              {{"w", std::to_string(picture.width)},
                               {"h", std::to_string(picture.height)},
                               {"flags", "bicubic"}}));
    if (shrinking)
        pointEdits();
    // The scaled picture must not carry the source's sample aspect on: the frame's is the plan's.
    chain.push_back(addFilter(g, "setsar", {{"sar", rationalText(m_plan.sampleAspect)}}));
    int padX = ((m_plan.width - picture.width) / 2) & ~1;
    int padY = ((m_plan.height - picture.height) / 2) & ~1;
    if (m_plan.width != picture.width || m_plan.height != picture.height)
        chain.push_back(addFilter(g, "pad",
                                  {{"w", std::to_string(m_plan.width)},
                                   {"h", std::to_string(m_plan.height)},
                                   {"x", std::to_string(padX)},
                                   {"y", std::to_string(padY)}}));

    AVFilterContext* markSource = nullptr;
    RgbaImage mark;
    if (m_edits.watermark) {
        double scaleX = double(picture.width) / spaceWidth;
        double scaleY = double(picture.height) / spaceHeight;
        int r = prepareWatermark(*m_edits.watermark, scaleX, scaleY, &mark);
        if (r < 0)
            return r;
        markSource = addFilter(g, "buffer",
                               {{"video_size", sizeText(mark.width, mark.height)},
                                {"pix_fmt", "rgba"},
                                {"time_base", rationalText(retime ? av_inv_q(m_plan.frameRate)
                                                                  : m_timeBase)},
                                {"pixel_aspect", "1/1"}});
        int x = padX + int(std::lround(m_edits.watermark->x * scaleX));
        int y = padY + int(std::lround(m_edits.watermark->y * scaleY));
        AVFilterContext* overlay = addFilter(
            g, "overlay", {{"x", std::to_string(x)}, {"y", std::to_string(y)}, {"format", "auto"}});
        if (!markSource || !overlay)
            return AVERROR_FILTER_NOT_FOUND;
        int r2 = avfilter_link(markSource, 0, overlay, 1);
        if (r2 < 0)
            return r2;
        chain.push_back(overlay);
    }
    chain.push_back(
        addFilter(g, "format", {{"pix_fmts", av_get_pix_fmt_name(m_plan.pixelFormat)}}));
    m_sink = addFilter(g, "buffersink", {});
    chain.push_back(m_sink);
    int r = linkChain(chain);
    if (r < 0)
        return r;
    if ((r = avfilter_graph_config(g, nullptr)) < 0)
        return r;
    if (markSource) {
        // One picture, then the end: the overlay keeps showing the last picture it got.
        FramePtr frame = makeFrame();
        frame->width = mark.width;
        frame->height = mark.height;
        frame->format = AV_PIX_FMT_RGBA;
        frame->pts = 0;
        if ((r = av_frame_get_buffer(frame.get(), 0)) < 0)
            return r;
        for (int y = 0; y < mark.height; ++y)
            std::copy_n(mark.pixels.data() + size_t(y) * mark.width * 4, mark.width * 4,
                        frame->data[0] + size_t(y) * frame->linesize[0]);
        if ((r = av_buffersrc_add_frame(markSource, frame.get())) < 0)
            return r;
        if ((r = av_buffersrc_close(markSource, 1, 0)) < 0)
            return r;
    }
    return 0;
}

int CVideoFilter::push(AVFrame* frame) {
    if (m_graph &&
        (frame->width != m_width || frame->height != m_height || frame->format != m_format)) {
        int r = m_burn ? m_burn->close() : 0;
        if (r >= 0)
            r = av_buffersrc_close(m_source, frame->pts, 0);
        if (r < 0 || (r = pullInto(m_sink, &m_pending)) < 0)
            return r;
        m_graph.reset();
    }
    if (!m_graph) {
        int r = build(frame->width, frame->height, AVPixelFormat(frame->format),
                      frame->sample_aspect_ratio);
        if (r < 0)
            return r;
    }
    if (m_burn && frame->pts != AV_NOPTS_VALUE)
        if (int r = m_burn->feed(double(frame->pts) * av_q2d(m_timeBase)); r < 0)
            return r;
    return av_buffersrc_add_frame_flags(m_source, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
}

int CVideoFilter::close(int64_t endPts) {
    if (!m_graph)
        return 0;
    if (int r = m_burn ? m_burn->close() : 0; r < 0)
        return r;
    return av_buffersrc_close(m_source, endPts, 0);
}

int CVideoFilter::pull(AVFrame* out) {
    return pullFrom(&m_pending, m_graph ? m_sink : nullptr, out);
}

int CAudioFilter::configure(const AudioPlan& plan, const SoundLevel& level) {
    m_plan = plan;
    m_level = level;
    m_graph.reset();
    m_pending.clear();
    return 0;
}

int CAudioFilter::build(const AVFrame* like) {
    m_graph.reset(avfilter_graph_alloc());
    if (!m_graph)
        return AVERROR(ENOMEM);
    AVFilterGraph* g = m_graph.get();
    m_rate = like->sample_rate;
    m_format = AVSampleFormat(like->format);
    av_channel_layout_uninit(&m_layout);
    if (like->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || like->ch_layout.nb_channels <= 0)
        av_channel_layout_default(&m_layout, std::max(1, like->ch_layout.nb_channels));
    else
        av_channel_layout_copy(&m_layout, &like->ch_layout);
    char layout[128] = {};
    av_channel_layout_describe(&m_layout, layout, sizeof layout);
    m_source = addFilter(g, "abuffer",
                         {{"time_base", "1/" + std::to_string(m_rate)},
                          {"sample_rate", std::to_string(m_rate)},
                          {"sample_fmt", av_get_sample_fmt_name(m_format)},
                          {"channel_layout", layout}});
    m_sink = addFilter(g, "abuffersink", {});
    std::vector<AVFilterContext*> chain{m_source};
    // The gain works in floating point, so nothing clips before the limiter has seen it.
    if (m_level.gainDb != 0.0)
        chain.push_back(addFilter(
            g, "volume", {{"volume", number(m_level.gainDb) + "dB"}, {"precision", "float"}}));
    chain.push_back(
        addFilter(g, "aresample", {{"sample_rate", std::to_string(m_plan.sampleRate)}}));
    // The limiter looks ahead and its delay is taken back, so the sound stays in step with the
    // pictures; it only ever lowers peaks (no automatic make-up level).
    if (m_level.limit)
        chain.push_back(addFilter(
            g, "alimiter",
            {{"limit", number(std::clamp(std::pow(10.0, m_level.limitDb / 20.0), 0.0625, 1.0))},
             {"attack", "5"},
             {"release", "100"},
             {"level", "0"},
             {"latency", "1"}}));
    chain.push_back(addFilter(g, "aformat",
                              {{"sample_fmts", av_get_sample_fmt_name(m_plan.sampleFormat)},
                               {"sample_rates", std::to_string(m_plan.sampleRate)},
                               {"channel_layouts", m_plan.channels == 1 ? "mono" : "stereo"}}));
    chain.push_back(m_sink);
    int r = linkChain(chain);
    if (r < 0)
        return r;
    return avfilter_graph_config(g, nullptr);
}

int CAudioFilter::push(AVFrame* frame) {
    bool sameLayout = frame->ch_layout.nb_channels == m_layout.nb_channels;
    if (m_graph && (frame->sample_rate != m_rate || frame->format != m_format || !sameLayout)) {
        int r = av_buffersrc_close(m_source, m_endPts, 0);
        if (r < 0 || (r = pullInto(m_sink, &m_pending)) < 0)
            return r;
        m_graph.reset();
    }
    if (!m_graph) {
        int r = build(frame);
        if (r < 0)
            return r;
    }
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_uninit(&frame->ch_layout);
        av_channel_layout_copy(&frame->ch_layout, &m_layout);
    }
    m_endPts = frame->pts + frame->nb_samples;
    return av_buffersrc_add_frame_flags(m_source, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
}

int CAudioFilter::close() {
    if (!m_graph)
        return 0;
    return av_buffersrc_close(m_source, m_endPts, 0);
}

int CAudioFilter::pull(AVFrame* out) {
    return pullFrom(&m_pending, m_graph ? m_sink : nullptr, out);
}

} // namespace vel
