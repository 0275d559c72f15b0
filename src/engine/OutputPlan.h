// Turns what a run (or an estimate) asks for into concrete encoder and muxer parameters, applying
// the rules of the codec map: legal frame sizes and rates, the sample rates, channel counts and
// bit rates an encoder accepts. Anything this engine cannot produce is refused here, before a
// thread or a file exists.
#pragma once

#include "CodecMap.h"
#include "SourceTags.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// The cover picture an output carries, read from its source file when the output is opened
// (by a run's writer only: see COutputWriter::carryCover).
struct CoverPlan {
    std::string path;
    int streamIndex = -1;
    CoverWay way = CoverWay::None;
};

class SourceSubtitles;

// One soft subtitle stream of the output: the k-th kept text track of each source goes into the
// k-th of these (see keptTextTracks).
struct SubtitlePlan {
    const AVCodec* encoder = nullptr; // mov_text, subrip, ass or webvtt
    std::string language, title;
    int disposition = 0;
    // The first source's track, whose ASS header (styles) the stream is written with.
    std::shared_ptr<SourceSubtitles> source;
    int sourceStream = -1;
};

struct OutputPlan {
    const FormatEntry* format = nullptr;
    const AVOutputFormat* muxer = nullptr;
    std::optional<VideoPlan> video;
    std::optional<AudioPlan> audio;
    // What the output keeps of its first source besides pictures and sound (planCarried).
    Tags tags;
    std::optional<CoverPlan> cover;
    std::vector<SubtitlePlan> subtitles;
};

// Fills *plan; returns 0, or a negative value with the reason in *why.
int planOutput(const ExportTarget& target, OutputPlan* plan, std::string* why);

// What the first source of an output leaves besides pictures and sound, as far as the planned
// container carries it: its tags, its cover picture, and (with `subtitles`) its text subtitle
// tracks other than `burnedStream`. `probe` is the first source's; `source` reads its subtitles.
struct MediaProbe;
void planCarried(OutputPlan* plan, const MediaProbe& probe,
                 const std::shared_ptr<SourceSubtitles>& source, int burnedStream, bool subtitles);

} // namespace vel
