#include "WatermarkPicture.h"

#include "AvUtil.h"
#include "CWatermarkImage.h"
#include "FilterGraph.h"
#include "velcodecapi.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <mutex>

namespace vel {

namespace {

constexpr int kMaxSide = 8192;

int frameToRgba(const AVFrame* frame, int width, int height, RgbaImage* out) {
    if (frame->width <= 0 || frame->height <= 0 || width <= 0 || height <= 0 || width > kMaxSide ||
        height > kMaxSide)
        return AVERROR(EINVAL);
    SwsContext* sws =
        sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), width, height,
                       AV_PIX_FMT_RGBA, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!sws)
        return AVERROR(EINVAL);
    out->width = width;
    out->height = height;
    out->pixels.assign(size_t(width) * height * 4, 0);
    uint8_t* dst[4] = {out->pixels.data(), nullptr, nullptr, nullptr};
    int dstStride[4] = {width * 4, 0, 0, 0};
    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
    sws_freeContext(sws);
    return 0;
}

// An RGBA image wrapped as a frame (no copy) so swscale can read it.
void wrapRgba(const RgbaImage& image, AVFrame* frame) {
    frame->width = image.width;
    frame->height = image.height;
    frame->format = AV_PIX_FMT_RGBA;
    frame->data[0] = const_cast<uint8_t*>(image.pixels.data());
    frame->linesize[0] = image.width * 4;
}

// drawtext asks fontconfig for the family in `font` combined with the pattern it parses from
// `fontfile` when that names no file; the style goes there.
std::string stylePattern(int style) {
    std::string pattern;
    if (style & VELDES_TEXT_BOLD)
        pattern += ":weight=bold";
    if (style & VELDES_TEXT_ITALIC)
        pattern += ":slant=italic";
    return pattern;
}

// One drawtext pass onto a transparent canvas of the text's colour (so anti-aliased edges keep
// the colour instead of fading to black); null family falls back to the desktop's sans face.
int drawText(const Watermark& w, const std::string& family, int pixelSize, int width, int height,
             FramePtr* out) {
    char colour[32];
    std::snprintf(colour, sizeof colour, "0x%02X%02X%02X", w.red, w.green, w.blue);
    FilterGraphPtr graph(avfilter_graph_alloc());
    if (!graph)
        return AVERROR(ENOMEM);
    graph->nb_threads = 1;
    AVFilterContext* canvas =
        addFilter(graph.get(), "color",
                  {{"color", std::string(colour) + "@0"},
                   {"size", std::to_string(width) + "x" + std::to_string(height)},
                   {"rate", "1"}});
    AVFilterContext* rgba = addFilter(graph.get(), "format", {{"pix_fmts", "rgba"}});
    AVFilterContext* text = addFilter(graph.get(), "drawtext",
                                      {{"text", w.text},
                                       {"font", family},
                                       {"fontfile", stylePattern(w.style)},
                                       {"fontsize", std::to_string(pixelSize)},
                                       {"fontcolor", colour},
                                       {"expansion", "none"},
                                       {"x", "0"},
                                       {"y", "0"}});
    AVFilterContext* sink = addFilter(graph.get(), "buffersink", {});
    if (!canvas || !rgba || !text || !sink)
        return AVERROR_FILTER_NOT_FOUND;
    if (avfilter_link(canvas, 0, rgba, 0) < 0 || avfilter_link(rgba, 0, text, 0) < 0 ||
        avfilter_link(text, 0, sink, 0) < 0 || avfilter_graph_config(graph.get(), nullptr) < 0)
        return AVERROR(EINVAL);
    *out = makeFrame();
    return av_buffersink_get_frame(sink, out->get());
}

// The text drawn whole: on a canvas wide enough for any glyphs, then cut to the larger of the
// box and the ink, so a box too small for its text grows instead of cutting the text off.
int renderText(const Watermark& w, double scale, int boxWidth, int boxHeight, RgbaImage* out) {
    int pixelSize = std::max(4, int(std::lround(w.fontSize * 4.0 / 3.0 * scale)));
    size_t glyphs = 0;
    for (unsigned char c : w.text)
        glyphs += (c & 0xC0) != 0x80;
    int width = int(std::min<size_t>(kMaxSide, (glyphs + 2) * size_t(pixelSize) * 3 / 2));
    int height = std::min(kMaxSide, pixelSize * 2);
    width = std::clamp(std::max(width, boxWidth), 2, kMaxSide);
    height = std::clamp(std::max(height, boxHeight), 2, kMaxSide);

    FramePtr frame;
    const std::string family = w.fontFamily.empty() ? "Sans" : w.fontFamily;
    int r = 0;
    {
        // A run and a size measurement may render at once; font matching and loading are done
        // one at a time.
        static std::mutex fonts;
        std::lock_guard lock(fonts);
        r = drawText(w, family, pixelSize, width, height, &frame);
        if (r < 0 && family != "Sans")
            r = drawText(w, "Sans", pixelSize, width, height, &frame); // a font that is gone
    }
    if (r < 0)
        return r;

    RgbaImage canvas;
    canvas.width = width;
    canvas.height = height;
    canvas.pixels.resize(size_t(width) * height * 4);
    int inkRight = 0, inkBottom = 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = frame->data[0] + size_t(y) * frame->linesize[0];
        std::copy(row, row + width * 4, canvas.pixels.begin() + ptrdiff_t(size_t(y) * width * 4));
        for (int x = 0; x < width; ++x)
            if (row[x * 4 + 3]) {
                inkRight = std::max(inkRight, x + 1);
                inkBottom = std::max(inkBottom, y + 1);
            }
    }
    if (w.style & VELDES_TEXT_UNDERLINE) {
        int top = std::min(height - 1, int(std::lround(pixelSize * 0.96)));
        int thickness = std::max(1, int(std::lround(pixelSize / 15.0)));
        for (int y = top; y < std::min(height, top + thickness); ++y)
            for (int x = 0; x < inkRight; ++x) {
                uint8_t* p = &canvas.pixels[(size_t(y) * width + x) * 4];
                p[0] = w.red;
                p[1] = w.green;
                p[2] = w.blue;
                p[3] = 255;
            }
        inkBottom = std::max(inkBottom, std::min(height, top + thickness));
    }
    const int keepWidth = std::max({boxWidth, inkRight, 1});
    const int keepHeight = std::max({boxHeight, inkBottom, 1});
    out->width = keepWidth;
    out->height = keepHeight;
    out->pixels.resize(size_t(keepWidth) * keepHeight * 4);
    for (int y = 0; y < keepHeight; ++y)
        std::copy_n(canvas.pixels.begin() + ptrdiff_t(size_t(y) * width * 4), keepWidth * 4,
                    out->pixels.begin() + ptrdiff_t(size_t(y) * keepWidth * 4));
    return 0;
}

// The image at its largest inside the box without changing its shape, centred on transparency.
int fitImage(const RgbaImage& image, int boxWidth, int boxHeight, RgbaImage* out) {
    double scale = std::min(double(boxWidth) / image.width, double(boxHeight) / image.height);
    int width = std::clamp(int(std::lround(image.width * scale)), 1, boxWidth);
    int height = std::clamp(int(std::lround(image.height * scale)), 1, boxHeight);
    FramePtr source = makeFrame();
    wrapRgba(image, source.get());
    RgbaImage scaled;
    int r = frameToRgba(source.get(), width, height, &scaled);
    source->data[0] = nullptr;
    if (r < 0)
        return r;
    out->width = boxWidth;
    out->height = boxHeight;
    out->pixels.assign(size_t(boxWidth) * boxHeight * 4, 0);
    const int left = (boxWidth - width) / 2, top = (boxHeight - height) / 2;
    for (int y = 0; y < height; ++y)
        std::copy_n(scaled.pixels.begin() + ptrdiff_t(size_t(y) * width * 4), width * 4,
                    out->pixels.begin() + ptrdiff_t((size_t(y + top) * boxWidth + left) * 4));
    return 0;
}

} // namespace

int loadImage(const std::string& path, RgbaImage* out) {
    quietFfmpegLog();
    AVFormatContext* raw = nullptr;
    int r = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (r < 0)
        return r;
    InputContextPtr input(raw);
    if ((r = avformat_find_stream_info(raw, nullptr)) < 0)
        return r;
    int index = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        return index;
    const AVCodec* codec = avcodec_find_decoder(raw->streams[index]->codecpar->codec_id);
    if (!codec)
        return AVERROR_DECODER_NOT_FOUND;
    CodecContextPtr dec(avcodec_alloc_context3(codec));
    if (!dec || avcodec_parameters_to_context(dec.get(), raw->streams[index]->codecpar) < 0 ||
        avcodec_open2(dec.get(), codec, nullptr) < 0)
        return AVERROR_INVALIDDATA;
    PacketPtr packet = makePacket();
    FramePtr frame = makeFrame();
    bool flushed = false;
    for (;;) {
        r = avcodec_receive_frame(dec.get(), frame.get());
        if (r == 0)
            return frameToRgba(frame.get(), frame->width, frame->height, out);
        if (r != AVERROR(EAGAIN) || flushed)
            return r == AVERROR(EAGAIN) ? AVERROR_INVALIDDATA : r;
        r = av_read_frame(raw, packet.get());
        if (r < 0) {
            avcodec_send_packet(dec.get(), nullptr);
            flushed = true;
            continue;
        }
        if (packet->stream_index == index)
            avcodec_send_packet(dec.get(), packet.get());
        av_packet_unref(packet.get());
    }
}

int prepareWatermark(const Watermark& w, double scaleX, double scaleY, RgbaImage* out) {
    int boxWidth = w.width > 0 ? std::max(1, int(std::lround(w.width * scaleX))) : 0;
    int boxHeight = w.height > 0 ? std::max(1, int(std::lround(w.height * scaleY))) : 0;
    int r;
    if (w.kind == Watermark::Kind::Image) {
        int status = 0;
        const RgbaImage* image = w.image ? w.image->pixels(&status) : nullptr;
        if (!image)
            return kErrorWatermarkUnreadable;
        if (boxWidth && !boxHeight)
            boxHeight =
                std::max(1, int(std::lround(double(boxWidth) * image->height / image->width)));
        else if (boxHeight && !boxWidth)
            boxWidth =
                std::max(1, int(std::lround(double(boxHeight) * image->width / image->height)));
        if (!boxWidth) {
            boxWidth = std::max(1, int(std::lround(image->width * scaleX)));
            boxHeight = std::max(1, int(std::lround(image->height * scaleY)));
        }
        r = fitImage(*image, std::min(boxWidth, kMaxSide), std::min(boxHeight, kMaxSide), out);
    } else {
        r = renderText(w, scaleY, boxWidth, boxHeight, out);
    }
    if (r < 0)
        return r;
    int alpha = std::clamp(w.alpha, 0, 255);
    for (size_t i = 3; i < out->pixels.size(); i += 4)
        out->pixels[i] = uint8_t((out->pixels[i] * alpha + 127) / 255);
    return 0;
}

} // namespace vel
