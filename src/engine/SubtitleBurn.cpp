#include "SubtitleBurn.h"

#include "FilterGraph.h"

extern "C" {
#include <libavfilter/buffersrc.h>
}

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace vel {

namespace {

// Canvas times go to the graph in milliseconds.
constexpr AVRational kCanvasTimeBase{1, 1000};

// An unnamed file holding `text`, by a path libass can open: a memory file where /proc shows
// descriptors, else a temporary file whose name is gone as soon as the filter has read it.
class ScriptFile {
public:
    explicit ScriptFile(const std::string& text) {
        m_fd = memfd_create("movara-subtitles", MFD_CLOEXEC);
        if (m_fd >= 0 && access("/proc/self/fd", F_OK) == 0) {
            m_path = "/proc/self/fd/" + std::to_string(m_fd);
        } else {
            if (m_fd >= 0)
                ::close(m_fd);
            const char* folder = std::getenv("TMPDIR");
            m_path = std::string(folder && *folder ? folder : "/tmp") + "/movara-subtitles-XXXXXX";
            m_fd = mkostemp(m_path.data(), O_CLOEXEC);
            m_named = m_fd >= 0;
        }
        size_t done = 0;
        while (m_fd >= 0 && done < text.size()) {
            ssize_t n = ::write(m_fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_failed = true;
                break;
            }
            done += size_t(n);
        }
    }
    ~ScriptFile() {
        if (m_named)
            ::unlink(m_path.c_str());
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0 && !m_failed; }
    const std::string& path() const { return m_path; }

private:
    int m_fd = -1;
    bool m_named = false;
    bool m_failed = false;
    std::string m_path;
};

void addFlips(AVFilterGraph* graph, std::vector<AVFilterContext*>* chain, int flip) {
    if (flip & 1)
        chain->push_back(addFilter(graph, "hflip", {}));
    if (flip & 2)
        chain->push_back(addFilter(graph, "vflip", {}));
}

} // namespace

CSubtitleBurn::CSubtitleBurn(std::shared_ptr<const SubtitleStream> stream, double clipBegin)
    : m_stream(std::move(stream)), m_clipBegin(clipBegin) {}

CSubtitleBurn::~CSubtitleBurn() = default;

int CSubtitleBurn::addTo(AVFilterGraph* graph, std::vector<AVFilterContext*>* chain,
                         const Geometry& geometry) {
    if (!m_stream)
        return 0;
    return m_stream->text ? addText(graph, chain, geometry) : addBitmap(graph, chain, geometry);
}

int CSubtitleBurn::addText(AVFilterGraph* graph, std::vector<AVFilterContext*>* chain,
                           const Geometry& g) {
    // libass reads the whole script when the filter starts; the file is not needed after.
    ScriptFile script(assScript(*m_stream, m_clipBegin));
    if (!script.ok())
        return AVERROR(EIO);
    addFlips(graph, chain, g.flip);
    AVFilterContext* draw = addFilter(graph, "ass", {{"filename", script.path()}});
    if (!draw)
        return AVERROR_FILTER_NOT_FOUND;
    chain->push_back(draw);
    addFlips(graph, chain, g.flip);
    return 0;
}

int CSubtitleBurn::addBitmap(AVFilterGraph* graph, std::vector<AVFilterContext*>* chain,
                             const Geometry& g) {
    if (!m_decoder && !m_decoderFailed) {
        const AVCodec* codec = avcodec_find_decoder(m_stream->codec);
        CodecContextPtr decoder(codec ? avcodec_alloc_context3(codec) : nullptr);
        if (!decoder ||
            avcodec_parameters_to_context(decoder.get(), m_stream->parameters.get()) < 0) {
            m_decoderFailed = true;
        } else {
            decoder->pkt_timebase = m_stream->timeBase;
            if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
                m_decoderFailed = true;
            else
                m_decoder = std::move(decoder);
        }
    }
    if (m_decoderFailed)
        return AVERROR_DECODER_NOT_FOUND;
    // Positions refer to the track's own frame; one that does not say draws on the picture's.
    if (m_canvasWidth <= 0 || m_canvasHeight <= 0) {
        m_canvasWidth = m_stream->width > 0 ? m_stream->width : g.frameWidth;
        m_canvasHeight = m_stream->height > 0 ? m_stream->height : g.frameHeight;
    }
    m_input = addFilter(graph, "buffer",
                        {{"video_size", std::to_string(m_canvasWidth) + "x" +
                                            std::to_string(m_canvasHeight)},
                         {"pix_fmt", "rgba"},
                         {"time_base", "1/1000"},
                         {"pixel_aspect", "1/1"}});
    if (!m_input)
        return AVERROR_FILTER_NOT_FOUND;
    std::vector<AVFilterContext*> branch{m_input};
    if (m_canvasWidth != g.frameWidth || m_canvasHeight != g.frameHeight)
        branch.push_back(addFilter(graph, "scale",
                                   {{"w", std::to_string(g.frameWidth)},
                                    {"h", std::to_string(g.frameHeight)},
                                    {"flags", "bicubic"}}));
    if (g.cropWidth != g.frameWidth || g.cropHeight != g.frameHeight)
        branch.push_back(addFilter(graph, "crop",
                                   {{"w", std::to_string(g.cropWidth)},
                                    {"h", std::to_string(g.cropHeight)},
                                    {"x", std::to_string(g.cropX)},
                                    {"y", std::to_string(g.cropY)}}));
    addFlips(graph, &branch, g.flip);
    // The last change stays in force after this input ends (the last one clears).
    AVFilterContext* overlay = addFilter(
        graph, "overlay", {{"x", "0"}, {"y", "0"}, {"format", "auto"}, {"eof_action", "repeat"}});
    if (!overlay)
        return AVERROR_FILTER_NOT_FOUND;
    for (size_t i = 0; i < branch.size(); ++i) {
        if (!branch[i])
            return AVERROR_FILTER_NOT_FOUND;
        int r = i + 1 < branch.size() ? avfilter_link(branch[i], 0, branch[i + 1], 0)
                                      : avfilter_link(branch[i], 0, overlay, 1);
        if (r < 0)
            return r;
    }
    chain->push_back(overlay);
    m_freshInput = true;
    m_lastPts = -1;
    return 0;
}

FramePtr CSubtitleBurn::render(const AVSubtitle& subtitle) const {
    bool any = false;
    for (unsigned i = 0; i < subtitle.num_rects; ++i)
        any |= subtitle.rects[i]->type == SUBTITLE_BITMAP && subtitle.rects[i]->w > 0;
    if (!any)
        return nullptr;
    FramePtr canvas = makeFrame();
    canvas->format = AV_PIX_FMT_RGBA;
    canvas->width = m_canvasWidth;
    canvas->height = m_canvasHeight;
    if (av_frame_get_buffer(canvas.get(), 0) < 0)
        return nullptr;
    for (int y = 0; y < canvas->height; ++y)
        std::memset(canvas->data[0] + size_t(y) * canvas->linesize[0], 0, size_t(canvas->width) * 4);
    for (unsigned i = 0; i < subtitle.num_rects; ++i) {
        const AVSubtitleRect* rect = subtitle.rects[i];
        if (rect->type != SUBTITLE_BITMAP || !rect->data[0] || !rect->data[1])
            continue;
        const uint32_t* palette = reinterpret_cast<const uint32_t*>(rect->data[1]);
        for (int y = 0; y < rect->h; ++y) {
            const int cy = rect->y + y;
            if (cy < 0 || cy >= canvas->height)
                continue;
            uint8_t* row = canvas->data[0] + size_t(cy) * canvas->linesize[0];
            for (int x = 0; x < rect->w; ++x) {
                const int cx = rect->x + x;
                if (cx < 0 || cx >= canvas->width)
                    continue;
                const uint8_t index = rect->data[0][size_t(y) * rect->linesize[0] + x];
                const uint32_t argb = index < rect->nb_colors ? palette[index] : 0;
                uint8_t* p = row + size_t(cx) * 4;
                p[0] = uint8_t(argb >> 16);
                p[1] = uint8_t(argb >> 8);
                p[2] = uint8_t(argb);
                p[3] = uint8_t(argb >> 24);
            }
        }
    }
    return canvas;
}

bool CSubtitleBurn::decodeNext() {
    const std::vector<SubtitleEvent>& events = m_stream->events;
    while (m_nextPacket < events.size()) {
        const SubtitleEvent& event = events[m_nextPacket++];
        if (!event.packet)
            continue;
        AVSubtitle subtitle{};
        int got = 0;
        AVPacket* packet = event.packet.get();
        if (avcodec_decode_subtitle2(m_decoder.get(), &subtitle, &got, packet) < 0 || !got)
            continue;
        const double start = event.start + subtitle.start_display_time / 1000.0 - m_clipBegin;
        double end = event.end > event.start ? event.end - m_clipBegin : -1.0;
        if (end < 0.0 && subtitle.end_display_time > subtitle.start_display_time &&
            subtitle.end_display_time != UINT32_MAX)
            end = event.start + subtitle.end_display_time / 1000.0 - m_clipBegin;
        Change shown{start, render(subtitle)};
        avsubtitle_free(&subtitle);
        // A new subtitle replaces what was to be shown or cleared from its time on.
        while (!m_changes.empty() && m_changes.back().at >= start)
            m_changes.pop_back();
        const bool clears = !shown.canvas;
        m_changes.push_back(std::move(shown));
        if (!clears && end > start)
            m_changes.push_back(Change{end, nullptr});
        return true;
    }
    return false;
}

int CSubtitleBurn::push(const AVFrame* canvas, double at) {
    FramePtr frame = makeFrame();
    if (!frame)
        return AVERROR(ENOMEM);
    if (canvas) {
        if (av_frame_ref(frame.get(), canvas) < 0)
            return AVERROR(ENOMEM);
    } else {
        frame->format = AV_PIX_FMT_RGBA;
        frame->width = m_canvasWidth;
        frame->height = m_canvasHeight;
        int r = av_frame_get_buffer(frame.get(), 0);
        if (r < 0)
            return r;
        for (int y = 0; y < frame->height; ++y)
            std::memset(frame->data[0] + size_t(y) * frame->linesize[0], 0,
                        size_t(frame->width) * 4);
    }
    // Strictly rising times, never before the clip's begin.
    const int64_t pts = std::max<int64_t>(m_lastPts + 1, std::llround(std::max(0.0, at) * 1000.0));
    frame->pts = pts;
    m_lastPts = pts;
    return av_buffersrc_add_frame_flags(m_input, frame.get(), AV_BUFFERSRC_FLAG_KEEP_REF);
}

int CSubtitleBurn::feed(double seconds) {
    if (!m_input)
        return 0;
    int r;
    if (m_freshInput) {
        // A new graph: what shows now, and the change already known to come.
        m_freshInput = false;
        if ((r = push(m_shown.get(), m_shownAt)) < 0)
            return r;
        if (m_ahead && (r = push(m_ahead->canvas.get(), m_ahead->at)) < 0)
            return r;
    }
    if (m_ahead) {
        if (m_ahead->at > seconds)
            return 0; // the overlay already knows what shows until then
        m_shown = std::move(m_ahead->canvas);
        m_shownAt = m_ahead->at;
        m_ahead.reset();
    }
    for (;;) {
        while ((m_changes.empty() || m_changes.back().at <= seconds) && decodeNext()) {
        }
        if (m_changes.empty()) {
            // Nothing changes any more: the overlay keeps the last change to the end.
            r = av_buffersrc_close(m_input, m_lastPts + 1, 0);
            m_input = nullptr;
            return r;
        }
        Change next = std::move(m_changes.front());
        m_changes.pop_front();
        if ((r = push(next.canvas.get(), next.at)) < 0)
            return r;
        // Handed over up to the first change after the picture: the overlay can tell what
        // shows at the picture's time.
        if (next.at > seconds) {
            m_ahead = std::move(next);
            return 0;
        }
        m_shown = std::move(next.canvas);
        m_shownAt = next.at;
    }
}

int CSubtitleBurn::close() {
    if (!m_input)
        return 0;
    int r = av_buffersrc_close(m_input, m_lastPts + 1, 0);
    m_input = nullptr;
    return r;
}

} // namespace vel
