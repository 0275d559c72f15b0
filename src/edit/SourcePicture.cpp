#include "SourcePicture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// Frames decoded past the seek point at most: a seek lands on the keyframe before the time.
constexpr int kMaxFramesAfterSeek = 600;

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

// How the stream is meant to be shown: its pixel shape and the turn or mirror of its display
// matrix, taken to the nearest of the eight upright, quarter-turned and mirrored arrangements
// (as the engine's picture paths take them).
struct Shown {
    AVRational pixel{1, 1};
    QTransform turn; // stored picture to shown picture
};

Shown shownOf(AVFormatContext* format, AVStream* stream) {
    Shown shown;
    const AVRational sar = av_guess_sample_aspect_ratio(format, stream, nullptr);
    if (sar.num > 0 && sar.den > 0)
        shown.pixel = sar;
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!data || size < 9 * sizeof(int32_t))
        return shown;
    int32_t m[9];
    std::memcpy(m, data, sizeof m);
    // A shown point (x', y') of a stored one: x' = a x + c y, y' = b x + d y, y pointing down.
    const double a = m[0] / 65536.0, b = m[1] / 65536.0, c = m[3] / 65536.0, d = m[4] / 65536.0;
    if (!std::isfinite(a + b + c + d))
        return shown;
    static constexpr int kArrangements[8][4] = {{1, 0, 0, 1},   {-1, 0, 0, 1}, {1, 0, 0, -1},
                                                {-1, 0, 0, -1}, {0, 1, 1, 0},  {0, 1, -1, 0},
                                                {0, -1, 1, 0},  {0, -1, -1, 0}};
    const int* best = kArrangements[0];
    double bestScore = -1e9;
    for (const int* arrangement : kArrangements) {
        const double score =
            a * arrangement[0] + b * arrangement[1] + c * arrangement[2] + d * arrangement[3];
        if (score > bestScore + 1e-9) {
            bestScore = score;
            best = arrangement;
        }
    }
    shown.turn = QTransform(best[0], best[1], best[2], best[3], 0, 0);
    return shown;
}

QImage toImage(const AVFrame& frame, const Shown& shown, int maxWidth, int maxHeight) {
    if (frame.width <= 0 || frame.height <= 0)
        return {};
    // Pixels that are not square are drawn at their shape: the stored width stretched by it.
    const double pixel = av_q2d(shown.pixel) > 0.0 ? av_q2d(shown.pixel) : 1.0;
    const double shownWidth = frame.width * pixel;
    const bool turned = shown.turn.m11() == 0.0;
    const double fitWidth = turned ? maxHeight : maxWidth;
    const double fitHeight = turned ? maxWidth : maxHeight;
    const double scale = std::min({1.0, fitWidth / shownWidth, fitHeight / frame.height});
    const int width = std::max(2, static_cast<int>(shownWidth * scale));
    const int height = std::max(2, static_cast<int>(frame.height * scale));
    SwsContext* scaler =
        sws_getContext(frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), width,
                       height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int pitches[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    const int rows =
        sws_scale(scaler, frame.data, frame.linesize, 0, frame.height, planes, pitches);
    sws_freeContext(scaler);
    if (rows != height)
        return {};
    return shown.turn.isIdentity() ? image : image.transformed(shown.turn);
}

} // namespace

QImage sourcePicture(const std::string& path, int64_t atMs, int maxWidth, int maxHeight) {
    if (path.empty() || maxWidth <= 0 || maxHeight <= 0)
        return {};
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0)
        return {};
    std::unique_ptr<AVFormatContext, FormatCloser> format(opened);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return {};
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index < 0 || !codec)
        return {};
    AVStream* stream = format->streams[index];
    const Shown shown = shownOf(format.get(), stream);
    // A cover picture is the file's only picture, whatever the time.
    const bool cover = stream->disposition & AV_DISPOSITION_ATTACHED_PIC;
    std::unique_ptr<AVCodecContext, CodecCloser> decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return {};

    int64_t target = AV_NOPTS_VALUE;
    if (atMs > 0 && !cover) {
        target = av_rescale_q(atMs, AVRational{1, 1000}, stream->time_base);
        if (stream->start_time != AV_NOPTS_VALUE)
            target += stream->start_time;
        if (av_seek_frame(format.get(), index, target, AVSEEK_FLAG_BACKWARD) < 0)
            target = AV_NOPTS_VALUE; // not seekable: the first picture will do
    }

    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    std::unique_ptr<AVFrame, FrameFreer> kept(av_frame_alloc());
    if (!packet || !frame || !kept)
        return {};
    bool haveKept = false;
    int decoded = 0;
    bool draining = false;
    while (decoded < kMaxFramesAfterSeek) {
        if (!draining) {
            const int r = av_read_frame(format.get(), packet.get());
            if (r < 0) {
                draining = true;
                avcodec_send_packet(decoder.get(), nullptr);
            } else {
                if (packet->stream_index == index)
                    avcodec_send_packet(decoder.get(), packet.get());
                av_packet_unref(packet.get());
            }
        }
        for (;;) {
            const int r = avcodec_receive_frame(decoder.get(), frame.get());
            if (r == AVERROR(EAGAIN))
                break;
            if (r < 0)
                return haveKept ? toImage(*kept, shown, maxWidth, maxHeight) : QImage();
            ++decoded;
            const int64_t at = frame->best_effort_timestamp;
            if (target == AV_NOPTS_VALUE || at == AV_NOPTS_VALUE || at >= target)
                return toImage(*frame, shown, maxWidth, maxHeight);
            // Before the time: kept in case the file ends before it.
            av_frame_unref(kept.get());
            av_frame_move_ref(kept.get(), frame.get());
            haveKept = true;
        }
    }
    return haveKept ? toImage(*kept, shown, maxWidth, maxHeight) : QImage();
}
