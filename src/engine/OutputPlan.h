// Turns what a run (or an estimate) asks for into concrete encoder and muxer parameters, applying
// the rules of the codec map: legal frame sizes and rates, the sample rates, channel counts and
// bit rates an encoder accepts. Anything this engine cannot produce is refused here, before a
// thread or a file exists.
#pragma once

#include "CodecMap.h"

#include <optional>
#include <string>

namespace vel {

// What the caller asked for, in engine terms (from tagVeldesExportInfo or tagVeldesExportSetting).
struct ExportTarget {
    int videoCodec = 0;
    int videoBitrate = 0;
    int width = 0, height = 0;
    double frameRate = 0.0;
    double aspect = 0.0; // display aspect; 0 or less keeps the source's shape
    int videoQuality = 60;
    int audioCodec = 0;
    int audioBitrate = 0;
    int sampleRate = 0;
    int channels = 0;
    std::string format;
    // The first source's picture, where known: a frame of its own size keeps its sample aspect.
    int sourceWidth = 0, sourceHeight = 0;
    AVRational sourceSampleAspect{0, 1};
};

struct VideoPlan {
    const VideoCodecEntry* codec = nullptr;
    const AVCodec* encoder = nullptr;
    int width = 0, height = 0; // coded frame; each source's picture is fitted inside it
    AVRational frameRate{25, 1};
    AVRational sampleAspect{1, 1}; // of the frame, as the container signals it
    AVPixelFormat pixelFormat = AV_PIX_FMT_YUV420P;
    int64_t bitRate = 0;
    // Rate control held within about a second's bits of the rate, as a run with a size limit
    // wants; else the encoder's own tolerance (4 Mbit), which lets an MPEG-family encoder run far
    // over a low rate for minutes.
    bool tightRate = false;
};

struct AudioPlan {
    const AudioCodecEntry* codec = nullptr;
    const AVCodec* encoder = nullptr;
    int sampleRate = 0;
    int channels = 0;
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;
    int64_t bitRate = 0; // what the stream will carry (PCM: rate x channels x 16)
};

struct OutputPlan {
    const FormatEntry* format = nullptr;
    const AVOutputFormat* muxer = nullptr;
    std::optional<VideoPlan> video;
    std::optional<AudioPlan> audio;
};

// Fills *plan; returns 0, or a negative value with the reason in *why.
int planOutput(const ExportTarget& target, OutputPlan* plan, std::string* why);

} // namespace vel
