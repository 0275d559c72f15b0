#include "CMediaSource.h"

#include "DeviceInput.h"
#include "DevicePath.h"
#include "SourceLength.h"
#include "SubtitleTrack.h"

extern "C" {
#include <libavutil/avutil.h>
}

#include <algorithm>
#include <cmath>

namespace vel {

int streamIndexFromValues(const int32_t values[2]) {
    return values[0] > 0 && values[0] < 100000 ? values[0] - 1 : -1;
}

int trackStreamIndex(const MediaProbe& probe, int type, int number) {
    for (const tagVeldesTrack& t : probe.tracks)
        if (t.type == type && t.number == number)
            return streamIndexFromValues(t.values);
    return -1;
}

std::vector<int> keptTextTracks(const MediaProbe& probe, int burnedStream) {
    std::vector<int> kept;
    for (const tagVeldesTrack& t : probe.tracks) {
        const int index = streamIndexFromValues(t.values);
        if (t.type == VELDES_STREAM_SUBTITLE && (t.flags & VELDES_TRACK_TEXT) &&
            index != burnedStream)
            kept.push_back(index);
    }
    return kept;
}

int CMediaSource::interruptCallback(void* opaque) {
    auto* self = static_cast<CMediaSource*>(opaque);
    return self->m_abort && self->m_abort->load(std::memory_order_relaxed) ? 1 : 0;
}

static bool headersDescribeStreams(const AVFormatContext* ctx) {
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVCodecParameters* par = ctx->streams[i]->codecpar;
        bool described = par->codec_id != AV_CODEC_ID_NONE &&
                         (par->codec_type == AVMEDIA_TYPE_VIDEO ? par->width > 0 && par->height > 0
                          : par->codec_type == AVMEDIA_TYPE_AUDIO
                              ? par->sample_rate > 0 && par->ch_layout.nb_channels > 0
                              : true);
        if (!described)
            return false;
    }
    return ctx->nb_streams > 0;
}

int CMediaSource::openDevice(const std::string& path) {
    VEL_DEVICE_INFO device;
    if (!parseDevicePath(path, &device))
        return AVERROR(EINVAL);
    InputContextPtr video, audio;
    AVIOInterruptCB interrupt{&CMediaSource::interruptCallback, this};
    int r = openDeviceInputs(device, interrupt, &video, &audio);
    if (r < 0)
        return r;
    m_live = true;
    m_durationMs = int64_t(std::clamp(device.timeLimit, 1, 1440)) * 60000;
    m_input = video ? std::move(video) : std::move(audio);
    m_input2 = std::move(audio);
    m_startTime = AV_NOPTS_VALUE; // set by the first packet
    m_packet = makePacket();
    return m_packet ? 0 : AVERROR(ENOMEM);
}

int CMediaSource::open(const std::string& path, const std::atomic<bool>* abort,
                       const MediaProbe* known) {
    quietFfmpegLog();
    m_abort = abort;
    if (IsDevicePath(path))
        return openDevice(path);
    AVFormatContext* ctx = avformat_alloc_context();
    if (!ctx)
        return AVERROR(ENOMEM);
    ctx->interrupt_callback.callback = &CMediaSource::interruptCallback;
    ctx->interrupt_callback.opaque = this;
    int r = avformat_open_input(&ctx, path.c_str(), nullptr, nullptr);
    if (r < 0)
        return r; // avformat_open_input frees the context on failure
    m_input.reset(ctx);
    if (known && headersDescribeStreams(ctx)) {
        m_startTime = known->startTime;
    } else {
        if ((r = avformat_find_stream_info(ctx, nullptr)) < 0)
            return r;
        m_startTime = ctx->start_time == AV_NOPTS_VALUE ? 0 : ctx->start_time;
    }
    m_packet = makePacket();
    return m_packet ? 0 : AVERROR(ENOMEM);
}

static bool isPicture(const AVStream* s) {
    return s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
           !(s->disposition & AV_DISPOSITION_ATTACHED_PIC);
}

// The stream's frame rate, or 0 when the file does not really tell: a "rate" that is only the
// container's time base (1000 for Matroska/WebM), a missing one, or one no camera or screen makes.
static double plausibleFrameRate(const AVStream* s) {
    auto usable = [](AVRational r) {
        return r.num > 0 && r.den > 0 && av_q2d(r) >= 0.5 && av_q2d(r) <= 240.0;
    };
    if (usable(s->avg_frame_rate))
        return av_q2d(s->avg_frame_rate);
    const AVRational r = s->r_frame_rate;
    const bool fromTimeBase = av_cmp_q(r, av_inv_q(s->time_base)) == 0;
    return usable(r) && !fromTimeBase ? av_q2d(r) : 0.0;
}

static bool isSound(const AVStream* s) {
    return s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && s->codecpar->sample_rate > 0 &&
           s->codecpar->ch_layout.nb_channels > 0;
}

int CMediaSource::probe(MediaProbe* out) {
    AVFormatContext* ctx = m_input.get();
    if (!ctx)
        return AVERROR(EINVAL);
    out->path = ctx->url ? ctx->url : "";
    out->streams.clear();
    out->streamIndex.clear();
    out->tracks.clear();
    int r = 0;
    // A capture's second input (its sound) numbers its streams after the first input's.
    for (AVFormatContext* input : {m_input.get(), m_input2.get()})
        if (input && (r = probeInput(input, input == m_input2.get() ? kSecondInput : 0, out)) < 0)
            return r;
    if (m_live) {
        out->durationMs = m_durationMs;
        out->durationEstimated = false;
        out->startTime = 0;
    }
    return out->streams.empty() ? AVERROR_STREAM_NOT_FOUND : 0;
}

int CMediaSource::probeInput(AVFormatContext* ctx, int indexBase, MediaProbe* out) {
    int mediaStreams = 0;
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        mediaStreams += isPicture(ctx->streams[i]) || isSound(ctx->streams[i]);
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* s = ctx->streams[i];
        const AVCodecParameters* par = s->codecpar;
        tagVeldesStreamInfo info{};
        info.bitRate = int32_t(std::min<int64_t>(par->bit_rate, INT32_MAX));
        if (info.bitRate == 0 && mediaStreams == 1)
            info.bitRate = int32_t(std::min<int64_t>(ctx->bit_rate, INT32_MAX));
        if (isPicture(s)) {
            if (par->width <= 0 || par->height <= 0)
                continue;
            info.type = VELDES_STREAM_VIDEO;
            const Orientation shown = orientationOf(s);
            info.width = par->width;
            info.height = par->height;
            orientSize(shown, &info.width, &info.height);
            info.frameRate = plausibleFrameRate(s);
            info.videoValues[0] = indexBase + int32_t(i) + 1;
            info.videoValues[1] = par->codec_id;
            if (out->firstVideoWidth == 0) {
                out->firstVideoWidth = info.width;
                out->firstVideoHeight = info.height;
                out->firstVideoSampleAspect = orientSampleAspect(
                    shown, av_guess_sample_aspect_ratio(ctx, const_cast<AVStream*>(s), nullptr));
            }
        } else if (isSound(s)) {
            info.type = VELDES_STREAM_AUDIO;
            info.sampleRate = par->sample_rate;
            info.channels = par->ch_layout.nb_channels;
            info.audioValues[0] = indexBase + int32_t(i) + 1;
            info.audioValues[1] = par->codec_id;
        } else {
            continue;
        }
        out->streams.push_back(info);
        out->streamIndex.push_back(indexBase + int(i));
    }
    listTracks(ctx, indexBase, &out->tracks);
    if (indexBase)
        return 0;
    if (!m_live) {
        const bool pictures = std::any_of(out->streams.begin(), out->streams.end(),
                                          [](const tagVeldesStreamInfo& s) {
                                              return s.type == VELDES_STREAM_VIDEO;
                                          });
        out->tags = readTags(ctx, pictures);
        out->coverStream = coverStreamOf(ctx);
    }

    // A capture's length is its time limit (set by probe()); reading it would never end.
    const int64_t duration = m_live ? 0 : sourceLength(ctx, m_abort);
    out->durationMs = duration / 1000;
    out->durationEstimated = ctx->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE;
    out->startTime = m_startTime;
    return 0;
}

int CMediaSource::openStream(Decoder* d, AVMediaType type, int preferred, bool* present) {
    AVFormatContext* ctx = m_input.get();
    *present = false;
    // A capture's sound may come from its second input.
    if (m_input2 && type == AVMEDIA_TYPE_AUDIO)
        ctx = m_input2.get();
    if (preferred >= kSecondInput)
        preferred -= kSecondInput;
    int index = -1;
    if (preferred >= 0 && preferred < int(ctx->nb_streams)) {
        const AVStream* s = ctx->streams[preferred];
        if (type == AVMEDIA_TYPE_VIDEO ? isPicture(s) : isSound(s))
            index = preferred;
    }
    if (index < 0) {
        index = av_find_best_stream(ctx, type, -1, -1, nullptr, 0);
        if (index >= 0 && type == AVMEDIA_TYPE_VIDEO && !isPicture(ctx->streams[index]))
            index = -1;
    }
    if (index < 0)
        return 0;
    AVStream* stream = ctx->streams[index];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return AVERROR_DECODER_NOT_FOUND;
    CodecContextPtr dec(avcodec_alloc_context3(codec));
    if (!dec)
        return AVERROR(ENOMEM);
    int r = avcodec_parameters_to_context(dec.get(), stream->codecpar);
    if (r < 0)
        return r;
    dec->pkt_timebase = stream->time_base;
    dec->thread_count = 0; // one per core
    dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    r = avcodec_open2(dec.get(), codec, nullptr);
    if (r < 0)
        return r;
    d->input = ctx;
    d->stream = stream;
    if (type == AVMEDIA_TYPE_VIDEO)
        m_upright.configure(orientationOf(stream), stream->time_base);
    d->decoder = std::move(dec);
    stream->discard = AVDISCARD_DEFAULT;
    *present = true;
    return 0;
}

int CMediaSource::openVideo(int preferred, bool* present) {
    return openStream(&m_video, AVMEDIA_TYPE_VIDEO, preferred, present);
}

int CMediaSource::openAudio(int preferred, bool* present) {
    return openStream(&m_audio, AVMEDIA_TYPE_AUDIO, preferred, present);
}

double CMediaSource::readFraction() const {
    AVIOContext* pb = m_input ? m_input->pb : nullptr;
    int64_t size = pb ? avio_size(pb) : -1;
    return size > 0 ? std::clamp(double(avio_tell(pb)) / double(size), 0.0, 1.0) : 0.0;
}

int CMediaSource::seek(double seconds) {
    if (m_live)
        return 0; // a capture starts where it is; nothing to go back to
    AVFormatContext* ctx = m_input.get();
    // Streams nobody decodes are not even demultiplexed.
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        if (ctx->streams[i] != m_video.stream && ctx->streams[i] != m_audio.stream)
            ctx->streams[i]->discard = AVDISCARD_ALL;
    if (seconds <= 0.0 && !m_started)
        return 0;
    int64_t target = m_startTime + int64_t(std::max(0.0, seconds) * AV_TIME_BASE);
    int r = avformat_seek_file(ctx, -1, INT64_MIN, target, target, 0);
    if (r < 0)
        return m_started ? r : 0; // not seekable: read from the start and drop
    for (Decoder* d : {&m_video, &m_audio}) {
        if (d->decoder)
            avcodec_flush_buffers(d->decoder.get());
        d->flushed = false;
    }
    m_draining = nullptr;
    m_endOfFile = false;
    m_readError = false;
    return 0;
}

CMediaSource::Decoder* CMediaSource::decoderFor(const AVFormatContext* input, int streamIndex) {
    for (Decoder* d : {&m_video, &m_audio})
        if (d->stream && d->input == input && d->stream->index == streamIndex)
            return d;
    return nullptr;
}

AVFormatContext* CMediaSource::nextInput() {
    if (!m_input2)
        return m_input.get();
    return m_lastRead[1] < m_lastRead[0] ? m_input2.get() : m_input.get();
}

int CMediaSource::next(AVFrame* frame, AVMediaType* type) {
    for (;;) {
        if (m_draining) {
            int r = avcodec_receive_frame(m_draining->decoder.get(), frame);
            if (r == 0) {
                *type = m_draining == &m_video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO;
                if (*type == AVMEDIA_TYPE_VIDEO && (r = finishPicture(frame)) < 0) {
                    av_frame_unref(frame);
                    return r;
                }
                ++m_draining->frames;
                return 1;
            }
            if (r != AVERROR(EAGAIN) && r != AVERROR_EOF)
                ++m_draining->errors;
            m_draining = nullptr;
        }
        if (m_endOfFile) {
            for (Decoder* d : {&m_video, &m_audio}) {
                if (d->decoder && !d->flushed) {
                    d->flushed = true;
                    avcodec_send_packet(d->decoder.get(), nullptr);
                    m_draining = d;
                    break;
                }
            }
            if (!m_draining)
                return 0;
            continue;
        }
        AVFormatContext* input = nextInput();
        int r = av_read_frame(input, m_packet.get());
        m_started = true;
        if (r < 0) {
            if (r == AVERROR_EXIT)
                return r; // interrupted by a skip
            m_readError = r != AVERROR_EOF;
            m_endOfFile = true;
            continue;
        }
        Decoder* d = decoderFor(input, m_packet->stream_index);
        if (m_live && d)
            noteLivePacket(input, *d);
        if (d) {
            r = avcodec_send_packet(d->decoder.get(), m_packet.get());
            if (r < 0 && r != AVERROR(EAGAIN))
                ++d->errors;
            m_draining = d;
        }
        av_packet_unref(m_packet.get());
    }
}

bool CMediaSource::undecodable(AVMediaType type) const {
    const Decoder& d = type == AVMEDIA_TYPE_VIDEO ? m_video : m_audio;
    if (!d.decoder)
        return false;
    return (d.frames == 0 && d.errors > 0) || (d.errors > 25 && d.errors > d.frames);
}

// Where the stream header's pixel shape and the container's disagree, the container's is
// followed, as players do: it is the one a muxing tool or editor set last, and a stale codec
// value otherwise squeezes the picture. Then the picture is turned as it is meant to be shown.
int CMediaSource::finishPicture(AVFrame* frame) {
    frame->sample_aspect_ratio = av_guess_sample_aspect_ratio(m_video.input, m_video.stream, frame);
    return m_upright.apply(frame);
}

// Live inputs stamp packets with the wall clock: the capture's time counts from its first packet,
// and the two inputs are read in turn by how far each has got.
void CMediaSource::noteLivePacket(const AVFormatContext* input, const Decoder& d) {
    if (m_packet->pts == AV_NOPTS_VALUE)
        return;
    int64_t at = av_rescale_q(m_packet->pts, d.stream->time_base, AV_TIME_BASE_Q);
    if (m_startTime == AV_NOPTS_VALUE)
        m_startTime = at;
    m_lastRead[input == m_input2.get() ? 1 : 0] = at;
}

double CMediaSource::frameSeconds(const AVFrame* frame, AVMediaType type, double* length) {
    Decoder& d = type == AVMEDIA_TYPE_VIDEO ? m_video : m_audio;
    double seconds;
    if (frame->best_effort_timestamp != AV_NOPTS_VALUE && m_startTime != AV_NOPTS_VALUE) {
        seconds = double(frame->best_effort_timestamp) * av_q2d(d.stream->time_base) -
                  double(m_startTime) / AV_TIME_BASE;
    } else {
        seconds = d.nextSeconds;
    }
    if (type == AVMEDIA_TYPE_AUDIO && frame->sample_rate > 0) {
        *length = double(frame->nb_samples) / frame->sample_rate;
    } else if (frame->pkt_duration > 0) {
        *length = double(frame->pkt_duration) * av_q2d(d.stream->time_base);
    } else {
        AVRational rate =
            d.stream->avg_frame_rate.num > 0 ? d.stream->avg_frame_rate : d.stream->r_frame_rate;
        *length = rate.num > 0 ? av_q2d(av_inv_q(rate)) : 0.04;
    }
    d.nextSeconds = seconds + *length;
    return seconds;
}

} // namespace vel
