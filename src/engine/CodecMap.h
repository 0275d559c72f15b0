// The one table that gives the engine's codec ids and format names their meaning on FFmpeg:
// which encoder, which muxer, and the rules a codec or container imposes on the stream.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <string>

namespace vel {

// How a video codec constrains the frame beyond the export setting.
enum class FrameRule {
    Free,      // any even size
    H263Sizes, // one of the five sizes H.263 allows
    DvSystem,  // PAL 720x576 at 25 or NTSC 720x480 at 29.97
};

struct VideoCodecEntry {
    int engineId;
    const char* encoder;       // FFmpeg encoder name; null: this engine cannot produce it
    AVPixelFormat pixelFormat; // what the encoder is fed; NONE = the encoder's first choice
    FrameRule rule;
    // Bits per pixel and frame that ordinary footage needs at quality 60 with this codec; raw
    // codecs give their exact storage size. Used by ComputeBitrateByQuality.
    double bitsPerPixel;
    bool raw;
};

struct AudioCodecEntry {
    int engineId;
    const char* encoder;        // null: cannot be produced here
    int fixedSampleRate;        // 0 = free (snapped to what the encoder supports)
    int fixedChannels;          // 0 = free
    const int* bitRates;        // allowed bit rates (0-terminated), null = any
    const int* lowRateBitRates; // allowed bit rates below 32 kHz, null = same as bitRates
    bool bitRateFromFormat;     // PCM and FLAC: the size follows from rate x channels
};

struct FormatEntry {
    const char* name;  // engine format name
    const char* muxer; // FFmpeg muxer; null: cannot be produced here
    bool audioOnly;
    // Encoders the container carries, for muxers that cannot answer avformat_query_codec;
    // null = ask libavformat.
    const char* const* videoEncoders;
    const char* const* audioEncoders;
    const int* sampleRates; // rates the container accepts (0-terminated), null = any
};

const VideoCodecEntry* findVideoCodec(int engineId);
const AudioCodecEntry* findAudioCodec(int engineId);
const FormatEntry* findFormat(const std::string& name);

// Whether the container of `format` can carry what `encoder` produces.
bool formatCarries(const FormatEntry& format, const AVOutputFormat* muxer, const AVCodec* encoder);

} // namespace vel
