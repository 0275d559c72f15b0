#include "COutputWriter.h"

#include "SubtitleTrack.h"

extern "C" {
#include <libavutil/avstring.h>
#include <libavutil/channel_layout.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>

namespace vel {

COutputWriter::~COutputWriter() {
    if (!m_done)
        discard();
}

int COutputWriter::fail(int code, const std::string& what) {
    if (m_error.empty())
        m_error = what + ": " + avErrorText(code);
    return code < 0 ? code : AVERROR_UNKNOWN;
}

int COutputWriter::openVideo(const VideoPlan& plan) {
    m_videoEncoder.reset(avcodec_alloc_context3(plan.encoder));
    AVCodecContext* enc = m_videoEncoder.get();
    if (!enc)
        return AVERROR(ENOMEM);
    enc->width = plan.width;
    enc->height = plan.height;
    enc->pix_fmt = plan.pixelFormat;
    enc->time_base = av_inv_q(plan.frameRate);
    enc->framerate = plan.frameRate;
    enc->sample_aspect_ratio = plan.sampleAspect;
    if (!plan.codec->raw)
        enc->bit_rate = plan.bitRate;
    if (plan.tightRate && enc->bit_rate > 0)
        enc->bit_rate_tolerance = int(std::min<int64_t>(enc->bit_rate, INT_MAX));
    enc->thread_count = 0;
    if (m_output->oformat->flags & AVFMT_GLOBALHEADER)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int r = avcodec_open2(enc, plan.encoder, nullptr);
    if (r < 0)
        return fail(r, std::string("cannot open encoder ") + plan.encoder->name);
    m_videoStream = avformat_new_stream(m_output, nullptr);
    if (!m_videoStream)
        return AVERROR(ENOMEM);
    m_videoStream->time_base = enc->time_base;
    m_videoStream->avg_frame_rate = plan.frameRate;
    m_videoStream->sample_aspect_ratio = plan.sampleAspect;
    return avcodec_parameters_from_context(m_videoStream->codecpar, enc);
}

int COutputWriter::openAudio(const AudioPlan& plan) {
    m_audioEncoder.reset(avcodec_alloc_context3(plan.encoder));
    AVCodecContext* enc = m_audioEncoder.get();
    if (!enc)
        return AVERROR(ENOMEM);
    enc->sample_rate = plan.sampleRate;
    enc->sample_fmt = plan.sampleFormat;
    av_channel_layout_default(&enc->ch_layout, plan.channels);
    enc->time_base = {1, plan.sampleRate};
    if (!plan.codec->bitRateFromFormat)
        enc->bit_rate = plan.bitRate;
    enc->thread_count = 0;
    if (m_output->oformat->flags & AVFMT_GLOBALHEADER)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int r = avcodec_open2(enc, plan.encoder, nullptr);
    if (r < 0)
        return fail(r, std::string("cannot open encoder ") + plan.encoder->name);
    m_audioStream = avformat_new_stream(m_output, nullptr);
    if (!m_audioStream)
        return AVERROR(ENOMEM);
    m_audioStream->time_base = enc->time_base;
    if ((r = avcodec_parameters_from_context(m_audioStream->codecpar, enc)) < 0)
        return r;
    // Encoders with a fixed frame size get exactly that many samples; the others take
    // chunks of a convenient size.
    bool variable = enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
    m_audioFrameSize = enc->frame_size > 0 && !variable ? enc->frame_size : 1024;
    m_fifo.reset(av_audio_fifo_alloc(enc->sample_fmt, plan.channels, m_audioFrameSize * 4));
    m_audioFrame = makeFrame();
    return m_fifo && m_audioFrame ? 0 : AVERROR(ENOMEM);
}

int COutputWriter::openSubtitles(const AVIOInterruptCB& interrupt) {
    for (const SubtitlePlan& plan : m_plan.subtitles) {
        std::string header;
        int r = plan.source ? plan.source->header(plan.sourceStream, &interrupt, &header)
                            : AVERROR(EINVAL);
        if (r < 0)
            return r;
        SubtitleOut out;
        out.encoder.reset(avcodec_alloc_context3(plan.encoder));
        AVCodecContext* enc = out.encoder.get();
        if (!enc)
            return AVERROR(ENOMEM);
        enc->time_base = {1, 1000};
        // The text track's frame is the picture's (mov_text's text box).
        if (m_plan.video) {
            enc->width = m_plan.video->width;
            enc->height = m_plan.video->height;
        }
        enc->subtitle_header = static_cast<uint8_t*>(av_mallocz(header.size() + 1));
        if (!enc->subtitle_header)
            return AVERROR(ENOMEM);
        std::copy(header.begin(), header.end(), enc->subtitle_header);
        enc->subtitle_header_size = int(header.size());
        if (m_output->oformat->flags & AVFMT_GLOBALHEADER)
            enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if ((r = avcodec_open2(enc, plan.encoder, nullptr)) < 0)
            return fail(r, std::string("cannot open encoder ") + plan.encoder->name);
        out.stream = avformat_new_stream(m_output, nullptr);
        if (!out.stream)
            return AVERROR(ENOMEM);
        out.stream->time_base = enc->time_base;
        out.stream->disposition = plan.disposition;
        if (!plan.language.empty())
            av_dict_set(&out.stream->metadata, "language", plan.language.c_str(), 0);
        if (!plan.title.empty())
            av_dict_set(&out.stream->metadata, "title", plan.title.c_str(), 0);
        if ((r = avcodec_parameters_from_context(out.stream->codecpar, enc)) < 0)
            return r;
        m_subtitles.push_back(std::move(out));
    }
    return 0;
}

void COutputWriter::carryTagsAndCover(AVDictionary** options) {
    for (const auto& [key, value] : m_plan.tags)
        av_dict_set(&m_output->metadata, key.c_str(), value.c_str(), 0);
    const std::string format = m_plan.format ? m_plan.format->name : "";
    // AIFF keeps tags and cover in an ID3 chunk only when asked to.
    if (format == "aiff" && (!m_plan.tags.empty() || (m_carryCover && m_plan.cover)))
        av_dict_set(options, "write_id3v2", "1", 0);
    // A cover that cannot be read (the file changed) is left out; the conversion goes on.
    CoverPicture picture;
    if (!m_carryCover || !m_plan.cover ||
        readCoverPicture(m_plan.cover->path, m_plan.cover->streamIndex, &picture) < 0)
        return;
    const bool png = picture.codec == AV_CODEC_ID_PNG;
    switch (m_plan.cover->way) {
    case CoverWay::AttachedPicture:
        if (!(m_coverStream = avformat_new_stream(m_output, nullptr)))
            return;
        m_coverStream->disposition = AV_DISPOSITION_ATTACHED_PIC;
        m_coverStream->time_base = {1, 90000};
        m_coverStream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        m_coverStream->codecpar->codec_id = picture.codec;
        m_coverStream->codecpar->width = picture.width;
        m_coverStream->codecpar->height = picture.height;
        av_dict_set(&m_coverStream->metadata, "comment", "Cover (front)", 0);
        m_coverPacket = std::move(picture.packet);
        break;
    case CoverWay::Attachment: {
        AVStream* s = avformat_new_stream(m_output, nullptr);
        if (!s)
            return;
        s->codecpar->codec_type = AVMEDIA_TYPE_ATTACHMENT;
        s->codecpar->codec_id = picture.codec;
        s->codecpar->extradata = static_cast<uint8_t*>(
            av_mallocz(size_t(picture.packet->size) + AV_INPUT_BUFFER_PADDING_SIZE));
        if (s->codecpar->extradata) {
            std::copy_n(picture.packet->data, picture.packet->size, s->codecpar->extradata);
            s->codecpar->extradata_size = picture.packet->size;
        }
        // Players take an attachment named "cover" for the file's picture.
        av_dict_set(&s->metadata, "filename", png ? "cover.png" : "cover.jpg", 0);
        av_dict_set(&s->metadata, "mimetype", png ? "image/png" : "image/jpeg", 0);
        break;
    }
    case CoverWay::VorbisComment: {
        const std::string comment = vorbisPictureComment(picture);
        if (!comment.empty())
            av_dict_set(&m_output->metadata, "METADATA_BLOCK_PICTURE", comment.c_str(), 0);
        break;
    }
    case CoverWay::None:
        break;
    }
}

int COutputWriter::writeSubtitle(int output, const std::string& dialogue, double start,
                                 double end) {
    if (output < 0 || output >= int(m_subtitles.size()) || !(end > start))
        return 0;
    SubtitleOut& out = m_subtitles[size_t(output)];
    AVSubtitleRect rect{};
    rect.type = SUBTITLE_ASS;
    rect.ass = const_cast<char*>(dialogue.c_str()); // only read by the encoder
    AVSubtitleRect* rects[1] = {&rect};
    AVSubtitle subtitle{};
    subtitle.format = 1; // text
    subtitle.num_rects = 1;
    subtitle.rects = rects;
    const int64_t from = std::llround(start * 1000.0);
    const int64_t length = std::max<int64_t>(1, std::llround((end - start) * 1000.0));
    subtitle.pts = from * (AV_TIME_BASE / 1000);
    subtitle.end_display_time = uint32_t(std::min<int64_t>(length, UINT32_MAX - 1));
    std::vector<uint8_t> buffer(dialogue.size() * 4 + 4096);
    const int size =
        avcodec_encode_subtitle(out.encoder.get(), buffer.data(), int(buffer.size()), &subtitle);
    if (size < 0)
        return fail(size, "encoding subtitles");
    if (size == 0)
        return 0;
    PacketPtr packet = makePacket();
    int r = packet ? av_new_packet(packet.get(), size) : AVERROR(ENOMEM);
    if (r < 0)
        return fail(r, "subtitles");
    std::copy_n(buffer.data(), size, packet->data);
    const AVRational ms{1, 1000};
    packet->pts = packet->dts = av_rescale_q(from, ms, out.stream->time_base);
    packet->duration = av_rescale_q(length, ms, out.stream->time_base);
    packet->stream_index = out.stream->index;
    packet->flags |= AV_PKT_FLAG_KEY;
    if ((r = av_interleaved_write_frame(m_output, packet.get())) < 0)
        return fail(r, "writing");
    return 0;
}

int COutputWriter::openGivenSound() {
    m_audioStream = avformat_new_stream(m_output, nullptr);
    if (!m_audioStream)
        return AVERROR(ENOMEM);
    m_audioStream->time_base = m_givenSound->timeBase();
    return avcodec_parameters_copy(m_audioStream->codecpar, m_givenSound->parameters());
}

int COutputWriter::open(const OutputPlan& plan, const std::string& finalPath,
                        const AVIOInterruptCB& interrupt, bool replaceExisting) {
    m_plan = plan;
    m_replaceExisting = replaceExisting;
    m_packet = makePacket();
    int r = avformat_alloc_output_context2(&m_output, plan.muxer, nullptr, finalPath.c_str());
    if (r < 0 || !m_output || !m_packet)
        return fail(r < 0 ? r : AVERROR(ENOMEM), "cannot create the output");
    m_output->interrupt_callback = interrupt;
    if (plan.video && (r = openVideo(*plan.video)) < 0)
        return fail(r, "video");
    if (plan.audio && (r = m_givenSound ? openGivenSound() : openAudio(*plan.audio)) < 0)
        return fail(r, "audio");
    if ((r = openSubtitles(interrupt)) < 0)
        return fail(r, "subtitles");
    AVDictionary* options = nullptr;
    carryTagsAndCover(&options);
    if (m_output->oformat->flags & AVFMT_NOFILE) {
        av_dict_free(&options);
        return fail(AVERROR(ENOSYS), "a muxer that names its own files");
    }
    if ((r = m_file.create(finalPath)) < 0) {
        av_dict_free(&options);
        m_error = m_file.error();
        return r;
    }
    m_output->pb = m_file.io();
    m_output->flags |= AVFMT_FLAG_CUSTOM_IO;
    r = avformat_write_header(m_output, &options);
    av_dict_free(&options);
    if (r < 0)
        return fail(r, "cannot write the header");
    m_headerWritten = true;
    // The cover goes first: MP3's and FLAC's muxers hold the sound back until the pictures are
    // in (written past the interleaving queue, which has nothing yet).
    if (m_coverPacket) {
        m_coverPacket->stream_index = m_coverStream->index;
        m_coverPacket->pts = m_coverPacket->dts = 0;
        m_coverPacket->flags |= AV_PKT_FLAG_KEY;
        if ((r = av_write_frame(m_output, m_coverPacket.get())) < 0)
            return fail(r, "writing the cover");
        m_coverPacket.reset();
    }
    if (m_keptSound && m_audioStream && (r = m_keptSound->setStream(m_audioStream)) < 0)
        return fail(r, "audio");
    return 0;
}

int COutputWriter::encode(AVCodecContext* encoder, AVStream* stream, AVFrame* frame) {
    int r = avcodec_send_frame(encoder, frame);
    if (r < 0 && r != AVERROR_EOF)
        return fail(r, "encoding");
    for (;;) {
        r = avcodec_receive_packet(encoder, m_packet.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            break;
        if (r < 0)
            return fail(r, "encoding");
        av_packet_rescale_ts(m_packet.get(), encoder->time_base, stream->time_base);
        m_packet->stream_index = stream->index;
        if (stream == m_audioStream) {
            m_audioBytes += m_packet->size;
            if (m_keptSound && (r = m_keptSound->add(m_packet.get(), m_audioEncoded)) < 0)
                return fail(r, "keeping the sound");
        }
        if (stream == m_videoStream) {
            m_videoBytes += m_packet->size;
            double quantiser = -1.0;
            size_t size = 0;
            const uint8_t* stats =
                av_packet_get_side_data(m_packet.get(), AV_PKT_DATA_QUALITY_STATS, &size);
            if (stats && size >= 4) {
                quantiser = double(AV_RL32(stats)) / FF_QP2LAMBDA;
                m_qualityAtFinest += quantiser <= m_videoEncoder->qmin + 0.5;
                ++m_qualityCount;
            }
            if (m_notePictures && m_packet->pts != AV_NOPTS_VALUE)
                m_pictureNotes.push_back({double(m_packet->pts) * av_q2d(stream->time_base),
                                          m_packet->size, (m_packet->flags & AV_PKT_FLAG_KEY) != 0,
                                          quantiser});
        }
        r = av_interleaved_write_frame(m_output, m_packet.get());
        if (r < 0)
            return fail(r, "writing");
    }
    if (m_output->pb && m_output->pb->error < 0)
        return fail(m_output->pb->error, "writing");
    return 0;
}

int COutputWriter::writeVideo(AVFrame* frame) {
    if (!m_videoEncoder)
        return 0;
    frame->pts = m_videoFrames++;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    return encode(m_videoEncoder.get(), m_videoStream, frame);
}

int COutputWriter::drainAudio(bool final) {
    AVCodecContext* enc = m_audioEncoder.get();
    for (;;) {
        int available = av_audio_fifo_size(m_fifo.get());
        if (available == 0 || (available < m_audioFrameSize && !final))
            return 0;
        int count = std::min(available, m_audioFrameSize);
        AVFrame* f = m_audioFrame.get();
        av_frame_unref(f);
        f->format = enc->sample_fmt;
        f->sample_rate = enc->sample_rate;
        av_channel_layout_copy(&f->ch_layout, &enc->ch_layout);
        // A short last frame is padded with silence unless the encoder takes one.
        bool shortAllowed = enc->codec->capabilities &
                            (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
        f->nb_samples = count < m_audioFrameSize && !shortAllowed ? m_audioFrameSize : count;
        int r = av_frame_get_buffer(f, 0);
        if (r < 0)
            return fail(r, "audio buffer");
        if (f->nb_samples > count)
            av_samples_set_silence(f->extended_data, count, f->nb_samples - count,
                                   f->ch_layout.nb_channels, enc->sample_fmt);
        if (av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(f->extended_data), count) !=
            count)
            return fail(AVERROR(EIO), "audio queue");
        f->pts = m_audioEncoded;
        m_audioEncoded += f->nb_samples;
        if ((r = encode(enc, m_audioStream, f)) < 0)
            return r;
    }
}

int COutputWriter::releaseSound(bool final) {
    const auto& packets = m_givenSound->packets();
    for (; m_soundReleased < packets.size(); ++m_soundReleased) {
        const CEncodedSound::Packet& next = packets[m_soundReleased];
        if (!final && next.samplesIn > m_audioQueued)
            break;
        int r = av_packet_ref(m_packet.get(), next.packet.get());
        if (r < 0)
            return fail(r, "sound");
        av_packet_rescale_ts(m_packet.get(), m_givenSound->timeBase(), m_audioStream->time_base);
        m_packet->stream_index = m_audioStream->index;
        m_audioBytes += m_packet->size;
        if ((r = av_interleaved_write_frame(m_output, m_packet.get())) < 0)
            return fail(r, "writing");
    }
    return 0;
}

int COutputWriter::handOverGiven(int64_t samples) {
    if (samples <= 0)
        return 0;
    m_audioQueued += samples;
    return releaseSound(false);
}

int COutputWriter::writeAudio(const AVFrame* frame, int offset, int count) {
    if (m_givenSound)
        return handOverGiven(count);
    if (!m_audioEncoder || count <= 0)
        return 0;
    int channels = frame->ch_layout.nb_channels;
    int bytes = av_get_bytes_per_sample(AVSampleFormat(frame->format));
    bool planar = av_sample_fmt_is_planar(AVSampleFormat(frame->format));
    void* planes[AV_NUM_DATA_POINTERS] = {};
    int planeCount = planar ? channels : 1;
    if (planeCount > AV_NUM_DATA_POINTERS)
        return fail(AVERROR(EINVAL), "too many channels");
    for (int p = 0; p < planeCount; ++p)
        planes[p] = frame->extended_data[p] + size_t(offset) * bytes * (planar ? 1 : channels);
    if (av_audio_fifo_write(m_fifo.get(), planes, count) != count)
        return fail(AVERROR(ENOMEM), "audio queue");
    m_audioQueued += count;
    return drainAudio(false);
}

int COutputWriter::writeSilence(int64_t samples) {
    if (m_givenSound)
        return handOverGiven(samples);
    if (!m_audioEncoder)
        return 0;
    AVCodecContext* enc = m_audioEncoder.get();
    FramePtr silence = makeFrame();
    silence->format = enc->sample_fmt;
    silence->sample_rate = enc->sample_rate;
    av_channel_layout_copy(&silence->ch_layout, &enc->ch_layout);
    silence->nb_samples = int(std::min<int64_t>(samples, 4096));
    if (silence->nb_samples <= 0)
        return 0;
    int r = av_frame_get_buffer(silence.get(), 0);
    if (r < 0)
        return fail(r, "audio buffer");
    av_samples_set_silence(silence->extended_data, 0, silence->nb_samples,
                           silence->ch_layout.nb_channels, enc->sample_fmt);
    while (samples > 0) {
        int n = int(std::min<int64_t>(samples, silence->nb_samples));
        if ((r = writeAudio(silence.get(), 0, n)) < 0)
            return r;
        samples -= n;
    }
    return 0;
}

int COutputWriter::finish() {
    if (!m_headerWritten)
        return fail(AVERROR(EINVAL), "nothing written");
    int r = 0;
    if (m_audioEncoder) {
        if ((r = drainAudio(true)) < 0 ||
            (r = encode(m_audioEncoder.get(), m_audioStream, nullptr)) < 0)
            return r;
    }
    if (m_givenSound) {
        if (m_audioQueued != m_givenSound->samples())
            return fail(kErrorSoundChanged, "sound");
        if ((r = releaseSound(true)) < 0)
            return r;
    }
    if (m_videoEncoder && (r = encode(m_videoEncoder.get(), m_videoStream, nullptr)) < 0)
        return r;
    if ((r = av_write_trailer(m_output)) < 0)
        return fail(r, "finishing the file");
    m_headerWritten = false;
    avio_flush(m_output->pb);
    m_lastSize = avio_size(m_output->pb);
    if (m_keptSound)
        m_keptSound->finish(m_audioQueued);
    if (m_sizeLimit > 0 && m_lastSize > m_sizeLimit)
        return kErrorOverSizeLimit;
    if ((r = m_file.commit(m_replaceExisting)) < 0) {
        m_error = m_file.error();
        return r;
    }
    m_output->pb = nullptr;
    avformat_free_context(m_output);
    m_output = nullptr;
    m_done = true;
    return 0;
}

void COutputWriter::discard() {
    if (m_output) {
        m_output->pb = nullptr; // the file's own
        avformat_free_context(m_output);
        m_output = nullptr;
    }
    m_file.discard();
    m_headerWritten = false;
    m_done = true;
}

} // namespace vel
