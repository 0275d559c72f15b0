#include "EncodedSize.h"

#include "velcodecapi.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vel {

namespace {

struct ContainerCost {
    const char* muxer;
    double fixedBytes;     // headers, index roots, trailers
    double bytesPerPacket; // per-frame framing and index entries
    double payloadFactor;  // framing that grows with the payload itself (transport packets...)
};

const ContainerCost kContainers[] = {
    {"mp4", 1200, 11, 1.0},    {"mov", 1200, 11, 1.0},
    {"3gp", 1100, 11, 1.0},    {"3g2", 1100, 11, 1.0},
    {"ipod", 1200, 11, 1.0},   {"avi", 5700, 24.5, 1.0},
    {"asf", 5400, 18, 1.015},  {"flv", 450, 16, 1.0},
    {"matroska", 900, 9, 1.0}, {"mpegts", 1500, 110, 188.0 / 184.0},
    {"mpeg", 2100, 20, 1.012}, {"vob", 2100, 20, 1.012},
    {"vcd", 2400, 20, 1.06},   {"svcd", 2400, 20, 1.03},
    {"rm", 300, 12, 1.0},      {"ogg", 4000, 1.5, 1.008},
    {"adts", 0, 7, 1.0},       {"mp3", 420, 0, 1.0},
    {"mp2", 0, 0, 1.0},        {"ac3", 0, 0, 1.0},
    {"amr", 6, 0, 1.0},        {"flac", 8300, 12, 1.0},
    {"wav", 80, 0, 1.0},       {"au", 32, 0, 1.0},
    {"aiff", 60, 0, 1.0},      {"dv", 0, 0, 1.0},
};

const ContainerCost* costOf(const AVOutputFormat* muxer) {
    for (const ContainerCost& c : kContainers)
        if (std::strcmp(c.muxer, muxer->name) == 0)
            return &c;
    static const ContainerCost fallback{"", 2000, 16, 1.0};
    return &fallback;
}

// How much of its target bit rate each kind of video encoder actually spends, measured on
// detailed test footage: x264's rate control lands on the target, Xvid spends a little more,
// FFmpeg's own MPEG-1/2/4 and H.263-family encoders more still.
double videoRealisation(int engineId) {
    switch (engineId) {
    case VELDES_VCODEC_H264:
        return 0.99;
    case VELDES_VCODEC_XVID:
        return 1.07;
    case VELDES_VCODEC_MJPEG:
        return 1.08;
    default:
        return 1.15;
    }
}

// FFmpeg's MPEG and H.263-family encoders cannot spend less than their coarsest quantiser
// allows, which matters at low rates and small sizes: measured 0.45 bits per pixel at 176x144,
// 0.30 at 352x288 on the same footage, falling with the frame's size.
double coarsestQuantiserBitsPerPixel(int engineId, int width, int height) {
    switch (engineId) {
    case VELDES_VCODEC_H264:
    case VELDES_VCODEC_XVID:
    case VELDES_VCODEC_MJPEG:
        return 0.0;
    default:
        return 0.45 * std::pow(176.0 * 144.0 / (double(width) * height), 0.3);
    }
}

// Stored bytes of one 20 ms AMR-NB frame (table of contents byte included), by mode bit rate.
int amrFrameBytes(int64_t bitRate) {
    static const int kModes[][2] = {{4750, 13}, {5150, 14}, {5900, 16},  {6700, 18},
                                    {7400, 20}, {7950, 21}, {10200, 27}, {12200, 32}};
    for (const auto& m : kModes)
        if (m[0] == bitRate)
            return m[1];
    return 32;
}

// Samples per coded audio frame, for the packet count.
double audioFrameSamples(const AudioPlan& a) {
    switch (a.codec->engineId) {
    case VELDES_ACODEC_AAC:
        return 1024;
    case VELDES_ACODEC_MP3:
    case VELDES_ACODEC_MP2:
        return 1152;
    case VELDES_ACODEC_AC3:
        return 1536;
    case VELDES_ACODEC_AMR_NB:
    case VELDES_ACODEC_RA:
        return 160;
    case VELDES_ACODEC_VORBIS:
        return 512;
    case VELDES_ACODEC_WMA:
        return 2048;
    case VELDES_ACODEC_FLAC:
        return 4608;
    default:
        return 1024;
    }
}

double audioPayloadPerSecond(const AudioPlan& a, bool fromSource) {
    switch (a.codec->engineId) {
    case VELDES_ACODEC_AMR_NB:
        return amrFrameBytes(a.bitRate) * 50.0;
    case VELDES_ACODEC_RA:
        return 20.0 * a.sampleRate / 160.0;
    case VELDES_ACODEC_FLAC: // lossless: roughly half of PCM for music, next to nothing for silence
        return fromSource ? a.bitRate / 8.0 * 0.55 : a.bitRate / 8.0 * 0.02;
    case VELDES_ACODEC_AAC:
    case VELDES_ACODEC_VORBIS:
    case VELDES_ACODEC_WMA:
        return a.bitRate / 8.0 * (fromSource ? 1.0 : 0.3);
    default:
        return a.bitRate / 8.0;
    }
}

// Bits a source codec spends for the same picture, against H.264's.
double sourceCodecCost(int codecId) {
    switch (codecId) {
    case AV_CODEC_ID_H264:
    case AV_CODEC_ID_VP8:
        return 1.0;
    case AV_CODEC_ID_HEVC:
    case AV_CODEC_ID_VP9:
    case AV_CODEC_ID_AV1:
        return 0.6;
    default:
        return 1.6; // MPEG-1/2/4, H.263, MJPEG and the like
    }
}

// What the encoder really spends, given how hard the content is: the source's bits, in H.264
// terms, at the export's pixel rate. Easy content (a still picture, a slow scene) leaves the
// encoder below its target at its finest quantiser; noise-like content keeps it above the target
// at its coarsest. Measured on generated sources of each kind (bench/estimate-accuracy).
double contentBound(const VideoPlan& v, const EstimateInput& in, double rate) {
    if (in.sourceBitRate <= 0.0 || in.sourcePixelRate <= 0.0)
        return rate;
    const double pixelRate = double(v.width) * v.height * av_q2d(v.frameRate);
    // An enlarged picture gains no detail: its cost grows more slowly than its pixels.
    const double ratio = pixelRate / in.sourcePixelRate;
    const double content =
        in.sourceBitRate / sourceCodecCost(in.sourceCodec) * (ratio <= 1.0 ? ratio : std::sqrt(ratio));
    switch (v.codec->engineId) {
    case VELDES_VCODEC_H264:
        return std::max(std::min(rate, 1.27 * std::pow(content, 1.2)), 0.044 * content);
    case VELDES_VCODEC_H263:
        return std::max(std::min(rate, 0.09 * pixelRate + 3.5 * content), 0.24 * content);
    case VELDES_VCODEC_MJPEG:
    case VELDES_VCODEC_DVVIDEO:
        return rate; // their coarsest quantiser and fixed sizes already rule
    default:
        return std::max(std::min(rate, 0.022 * pixelRate + 2.62 * content), 0.57 * content);
    }
}

double videoPayloadPerSecond(const VideoPlan& v, bool fromSource, const EstimateInput& in) {
    double rate = av_q2d(v.frameRate);
    if (v.codec->rule == FrameRule::DvSystem)
        return (v.height == 480 ? 120000.0 : 144000.0) * rate;
    if (v.codec->raw)
        return v.bitRate / 8.0;
    // Black pictures cost next to nothing whatever the target.
    if (!fromSource)
        return v.bitRate / 8.0 * 0.03;
    const double least = coarsestQuantiserBitsPerPixel(v.codec->engineId, v.width, v.height) *
                         v.width * v.height * rate;
    double spent = std::max(v.bitRate * videoRealisation(v.codec->engineId), least);
    return contentBound(v, in, spent) / 8.0;
}

} // namespace

int estimateEncodedSize(const EstimateInput& input, int64_t* bytes) {
    OutputPlan plan;
    std::string why;
    if (planOutput(input.target, &plan, &why) < 0)
        return -1;
    double seconds = std::max(0.0, input.seconds);
    const ContainerCost* cost = costOf(plan.muxer);
    double payload = 0.0, packets = 0.0;
    if (plan.video) {
        payload += videoPayloadPerSecond(*plan.video, input.videoFromSource, input) * seconds;
        packets += av_q2d(plan.video->frameRate) * seconds;
    }
    // DV carries its sound inside the video frames.
    if (plan.audio && plan.format->muxer != std::string("dv")) {
        payload += audioPayloadPerSecond(*plan.audio, input.audioFromSource) * seconds;
        packets += plan.audio->sampleRate / audioFrameSamples(*plan.audio) * seconds;
    }
    double total =
        payload * cost->payloadFactor + packets * cost->bytesPerPacket + cost->fixedBytes;
    // A Video CD stream is padded to the disc's constant rate (75 sectors of 2352 bytes a
    // second), from a short lead-in on.
    if (std::strcmp(plan.muxer->name, "vcd") == 0)
        total = std::max(total, 176400.0 * (seconds + 0.5));
    *bytes = int64_t(std::llround(total));
    return 0;
}

} // namespace vel
