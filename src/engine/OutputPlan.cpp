#include "OutputPlan.h"

#include "AvUtil.h"
#include "CMediaSource.h"
#include "PictureFit.h"
#include "SubtitleTrack.h"
#include "velcodecutil.h"

#include <cmath>
#include <cstdlib>

namespace vel {

namespace {

constexpr int kMaxSide = 8192;

struct Size {
    int width, height;
};

const Size kH263Sizes[] = {{128, 96}, {176, 144}, {352, 288}, {704, 576}, {1408, 1152}};

// The legal H.263 size closest in area to the request (on a log scale), so a 480x320 request
// becomes CIF rather than 4CIF.
Size nearestH263Size(int width, int height) {
    double want = std::log(double(width) * height);
    Size best = kH263Sizes[0];
    double bestDistance = 1e9;
    for (Size s : kH263Sizes) {
        double d = std::fabs(std::log(double(s.width) * s.height) - want);
        if (d < bestDistance) {
            bestDistance = d;
            best = s;
        }
    }
    return best;
}

template <typename T> T nearestOf(const T* list, T want, T terminator) {
    T best = list[0];
    for (const T* p = list; *p != terminator; ++p)
        if (std::llabs((long long)*p - want) < std::llabs((long long)best - want))
            best = *p;
    return best;
}

int planVideo(const ExportTarget& t, const FormatEntry& format, const AVOutputFormat* muxer,
              VideoPlan* v, std::string* why) {
    v->codec = findVideoCodec(t.videoCodec);
    if (!v->codec) {
        *why = "the profile asks for an unknown video codec (" + std::to_string(t.videoCodec) + ")";
        return -1;
    }
    if (!v->codec->encoder || !(v->encoder = avcodec_find_encoder_by_name(v->codec->encoder))) {
        *why = "this machine has no encoder for the profile's video codec";
        return -1;
    }
    if (!formatCarries(format, muxer, v->encoder)) {
        *why = std::string("a ") + format.name + " file cannot hold " + v->encoder->long_name +
               " video";
        return -1;
    }
    if (t.width <= 0 || t.height <= 0 || t.width > kMaxSide || t.height > kMaxSide) {
        *why = "the frame size " + std::to_string(t.width) + "x" + std::to_string(t.height) +
               " is not possible";
        return -1;
    }
    if (!(t.frameRate > 0.0) || t.frameRate > 240.0) {
        *why = "the frame rate " + std::to_string(t.frameRate) + " is out of range";
        return -1;
    }
    v->width = (t.width + 1) & ~1;
    v->height = (t.height + 1) & ~1;
    v->frameRate = frameRateRational(t.frameRate);
    v->pixelFormat = v->codec->pixelFormat;

    double aspect = t.aspect;
    if (v->codec->rule == FrameRule::H263Sizes) {
        Size legal = nearestH263Size(v->width, v->height);
        v->width = legal.width;
        v->height = legal.height;
    } else if (v->codec->rule == FrameRule::DvSystem) {
        bool ntsc = std::fabs(t.frameRate - 30000.0 / 1001) < std::fabs(t.frameRate - 25.0);
        v->width = 720;
        v->height = ntsc ? 480 : 576;
        v->frameRate = ntsc ? AVRational{30000, 1001} : AVRational{25, 1};
        v->pixelFormat = ntsc ? AV_PIX_FMT_YUV411P : AV_PIX_FMT_YUV420P;
        if (!(aspect > 0.0))
            aspect = 4.0 / 3.0; // DV frames have no square-pixel form
    }
    if (v->encoder->supported_framerates) {
        int i = av_find_nearest_q_idx(v->frameRate, v->encoder->supported_framerates);
        v->frameRate = v->encoder->supported_framerates[i];
    }
    if (v->pixelFormat == AV_PIX_FMT_NONE)
        v->pixelFormat = v->encoder->pix_fmts ? v->encoder->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    v->sampleAspect = frameSampleAspect(aspect, v->width, v->height, t.sourceWidth, t.sourceHeight,
                                        t.sourceSampleAspect);

    if (v->codec->raw) {
        v->bitRate =
            int64_t(double(v->width) * v->height * av_q2d(v->frameRate) * v->codec->bitsPerPixel);
    } else if (v->codec->rule == FrameRule::DvSystem) {
        v->bitRate = 25000000;
    } else {
        v->bitRate = t.videoBitrate > 0
                         ? t.videoBitrate
                         : ComputeBitrateByQuality(v->width, v->height, av_q2d(v->frameRate),
                                                   t.videoCodec, 0, t.videoQuality);
    }
    return 0;
}

bool encoderHasLayout(const AVCodec* encoder, int channels) {
    if (!encoder->ch_layouts)
        return true;
    for (const AVChannelLayout* l = encoder->ch_layouts; l->nb_channels; ++l)
        if (l->nb_channels == channels)
            return true;
    return false;
}

int planAudio(const ExportTarget& t, const FormatEntry& format, const AVOutputFormat* muxer,
              AudioPlan* a, std::string* why) {
    a->codec = findAudioCodec(t.audioCodec);
    if (!a->codec) {
        *why = "the profile asks for an unknown audio codec (" + std::to_string(t.audioCodec) + ")";
        return -1;
    }
    if (!a->codec->encoder || !(a->encoder = avcodec_find_encoder_by_name(a->codec->encoder))) {
        *why = "this machine has no encoder for the profile's audio codec";
        return -1;
    }
    if (!formatCarries(format, muxer, a->encoder)) {
        *why = std::string("a ") + format.name + " file cannot hold " + a->encoder->long_name +
               " sound";
        return -1;
    }
    if (t.sampleRate <= 0 || t.sampleRate > 384000) {
        *why = "the sample rate " + std::to_string(t.sampleRate) + " Hz is out of range";
        return -1;
    }
    a->sampleRate = t.sampleRate;
    if (a->codec->fixedSampleRate)
        a->sampleRate = a->codec->fixedSampleRate;
    else if (format.sampleRates)
        a->sampleRate = nearestOf(format.sampleRates, a->sampleRate, 0);
    else if (a->encoder->supported_samplerates)
        a->sampleRate = nearestOf(a->encoder->supported_samplerates, a->sampleRate, 0);

    a->channels = t.channels == 1 ? 1 : 2;
    if (a->codec->fixedChannels)
        a->channels = a->codec->fixedChannels;
    else if (std::string(format.name) == "dv")
        a->channels = 2;
    if (!encoderHasLayout(a->encoder, a->channels))
        a->channels = a->channels == 1 ? 2 : 1;
    a->sampleFormat = a->encoder->sample_fmts ? a->encoder->sample_fmts[0] : AV_SAMPLE_FMT_S16;

    if (a->codec->bitRateFromFormat) {
        a->bitRate = int64_t(a->sampleRate) * a->channels * 16;
    } else {
        int requested = t.audioBitrate > 0 ? t.audioBitrate : 128000;
        const int* list = a->codec->bitRates;
        if (a->sampleRate < 32000 && a->codec->lowRateBitRates)
            list = a->codec->lowRateBitRates;
        a->bitRate = list ? nearestOf(list, requested, 0) : requested;
    }
    return 0;
}

} // namespace

int planOutput(const ExportTarget& target, OutputPlan* plan, std::string* why) {
    *plan = OutputPlan();
    plan->format = findFormat(target.format);
    if (!plan->format) {
        *why = "the profile asks for an unknown file format (" + target.format + ")";
        return -1;
    }
    if (!plan->format->muxer ||
        !(plan->muxer = av_guess_format(plan->format->muxer, nullptr, nullptr))) {
        *why = "this machine cannot write " + target.format + " files";
        return -1;
    }
    if (target.videoCodec == 0 && target.audioCodec == 0) {
        *why = "the profile asks for neither pictures nor sound";
        return -1;
    }
    if (target.videoCodec != 0) {
        VideoPlan v;
        if (planVideo(target, *plan->format, plan->muxer, &v, why) < 0)
            return -1;
        plan->video = v;
    }
    if (target.audioCodec != 0) {
        AudioPlan a;
        if (planAudio(target, *plan->format, plan->muxer, &a, why) < 0)
            return -1;
        plan->audio = a;
    }
    return 0;
}

namespace {

// The encoder of a kept text track in the planned container: the track's own coding where the
// container takes it (Matroska: SRT, ASS, WebVTT), else mov_text (MP4, MOV, 3GP) or SRT.
const AVCodec* subtitleEncoder(const AVOutputFormat* muxer, AVCodecID sourceCodec) {
    if (sourceCodec == AV_CODEC_ID_SSA)
        sourceCodec = AV_CODEC_ID_ASS;
    for (AVCodecID id : {sourceCodec, AV_CODEC_ID_MOV_TEXT, AV_CODEC_ID_SUBRIP}) {
        const AVCodec* encoder = avcodec_find_encoder(id);
        if (encoder && isTextSubtitle(id) &&
            avformat_query_codec(muxer, id, FF_COMPLIANCE_NORMAL) == 1)
            return encoder;
    }
    return nullptr;
}

// The ISO 639-2 codes that have a bibliographic form (Matroska's "fre", "ger") besides the
// terminological one: QuickTime's language table knows only the latter ("fra", "deu").
std::string terminologicalLanguage(const std::string& code) {
    static const char* const kPairs[][2] = {
        {"alb", "sqi"}, {"arm", "hye"}, {"baq", "eus"}, {"bur", "mya"}, {"chi", "zho"},
        {"cze", "ces"}, {"dut", "nld"}, {"fre", "fra"}, {"geo", "kat"}, {"ger", "deu"},
        {"gre", "ell"}, {"ice", "isl"}, {"mac", "mkd"}, {"mao", "mri"}, {"may", "msa"},
        {"per", "fas"}, {"rum", "ron"}, {"slo", "slk"}, {"tib", "bod"}, {"wel", "cym"}};
    for (const auto& pair : kPairs)
        if (code == pair[0])
            return pair[1];
    return code;
}

} // namespace

void planCarried(OutputPlan* plan, const MediaProbe& probe,
                 const std::shared_ptr<SourceSubtitles>& source, int burnedStream, bool subtitles) {
    plan->tags = probe.tags;
    plan->cover.reset();
    plan->subtitles.clear();
    const CoverWay way = plan->format ? coverWayOf(plan->format->name) : CoverWay::None;
    if (probe.coverStream >= 0 && way != CoverWay::None)
        plan->cover = CoverPlan{probe.path, probe.coverStream, way};
    // Subtitles go with pictures only.
    if (!subtitles || !source || !plan->video || !plan->muxer)
        return;
    for (int index : keptTextTracks(probe, burnedStream)) {
        for (const tagVeldesTrack& t : probe.tracks) {
            if (t.type != VELDES_STREAM_SUBTITLE || streamIndexFromValues(t.values) != index)
                continue;
            SubtitlePlan s;
            s.encoder = subtitleEncoder(plan->muxer, AVCodecID(t.values[1]));
            if (!s.encoder)
                return; // the container takes no text subtitles
            s.language = std::string(plan->muxer->name) == "mov"
                             ? terminologicalLanguage(t.language)
                             : std::string(t.language);
            s.title = t.title;
            s.disposition = ((t.flags & VELDES_TRACK_DEFAULT) ? AV_DISPOSITION_DEFAULT : 0) |
                            ((t.flags & VELDES_TRACK_FORCED) ? AV_DISPOSITION_FORCED : 0);
            s.source = source;
            s.sourceStream = index;
            plan->subtitles.push_back(std::move(s));
        }
    }
}

} // namespace vel
