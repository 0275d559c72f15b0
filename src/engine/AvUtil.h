// Owning handles for FFmpeg objects and a few conversions every part of the engine uses.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
}

#include <memory>
#include <string>

namespace vel {

struct InputContextDeleter {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FilterGraphDeleter {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct AudioFifoDeleter {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};

using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;

inline FramePtr makeFrame() {
    return FramePtr(av_frame_alloc());
}
inline PacketPtr makePacket() {
    return PacketPtr(av_packet_alloc());
}

// The engine's own failures, beside FFmpeg's codes, so a run's status says what went wrong.
inline constexpr int kErrorWatermarkUnreadable = FFERRTAG('V', 'W', 'M', 'K');
// A finished output came out over its size limit (it is not named).
inline constexpr int kErrorOverSizeLimit = FFERRTAG('V', 'S', 'Z', 'L');
// A run given its sound already encoded was handed a different length of sound.
inline constexpr int kErrorSoundChanged = FFERRTAG('V', 'S', 'N', 'D');

// A source stream that a conversion needs could not be decoded.
inline constexpr int kErrorPicturesUndecodable = FFERRTAG('V', 'U', 'N', 'P');
inline constexpr int kErrorSoundUndecodable = FFERRTAG('V', 'U', 'N', 'S');

// FFmpeg's text of an error, or the engine's own for the codes above.
std::string avErrorText(int error);

// Exact rationals for the usual NTSC rates (29.97 is 30000/1001, not 2997/100), so encoders with
// a 16-bit time base accept them.
AVRational frameRateRational(double framesPerSecond);

// Silences FFmpeg's console logging once per process; the engine reports through its own results.
void quietFfmpegLog();

} // namespace vel
