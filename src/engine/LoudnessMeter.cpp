#include "LoudnessMeter.h"

#include "FilterGraph.h"
#include "LevelSearch.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/dict.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace vel {

namespace {

// A level that needs correcting is measured at most this often, until within the tolerance.
constexpr int kLevelAttempts = 6;
// What the peaks between samples may add to the highest sample of ordinary sound, in dB.
constexpr double kBetweenSamples = 0.6;

double metadataNumber(const AVDictionary* metadata, const char* key, double fallback) {
    const AVDictionaryEntry* entry = av_dict_get(metadata, key, nullptr, 0);
    return entry ? std::strtod(entry->value, nullptr) : fallback;
}

// Positions the reader at or before `begin` (seconds): formats without an index may land after
// it, so the reader backs off further until the first sound it decodes starts early enough. The
// frame it read to check is handed back in `first` with its time and length (1), or 0 at the end.
int positionAt(CMediaSource* reader, double begin, AVFrame* first, double* t, double* length,
               const std::atomic<bool>* abort) {
    for (double backoff = 0.0;; backoff = backoff > 0.0 ? backoff * 2.0 : 1.0) {
        const double at = std::max(0.0, begin - backoff);
        int r = reader->seek(at);
        if (r < 0)
            return r;
        av_frame_unref(first);
        if (abort && abort->load())
            return AVERROR_EXIT;
        AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
        do {
            r = reader->next(first, &type);
        } while (r == 1 && type != AVMEDIA_TYPE_AUDIO && (av_frame_unref(first), true));
        if (r <= 0)
            return r;
        *t = reader->frameSeconds(first, AVMEDIA_TYPE_AUDIO, length);
        if (at <= 0.0 || *t <= begin + 0.0005)
            return 1;
    }
}

// Sound through the run's encoder and back, for encoders whose effect on the level depends on
// the content (a narrow-band speech codec given music): what they leave is what is measured.
class CodecRoundTrip {
public:
    int open(const AudioPlan& plan) {
        m_encoder.reset(avcodec_alloc_context3(plan.encoder));
        const AVCodec* decoder = plan.encoder ? avcodec_find_decoder(plan.encoder->id) : nullptr;
        m_decoder.reset(avcodec_alloc_context3(decoder));
        if (!m_encoder || !m_decoder)
            return AVERROR_DECODER_NOT_FOUND;
        AVCodecContext* enc = m_encoder.get();
        enc->sample_rate = plan.sampleRate;
        enc->sample_fmt = plan.sampleFormat;
        av_channel_layout_default(&enc->ch_layout, plan.channels);
        enc->time_base = {1, plan.sampleRate};
        enc->bit_rate = plan.bitRate;
        int r = avcodec_open2(enc, plan.encoder, nullptr);
        if (r < 0)
            return r;
        m_decoder->sample_rate = plan.sampleRate;
        av_channel_layout_default(&m_decoder->ch_layout, plan.channels);
        if ((r = avcodec_open2(m_decoder.get(), decoder, nullptr)) < 0)
            return r;
        m_frameSize = enc->frame_size > 0 ? enc->frame_size : 1024;
        m_fifo.reset(av_audio_fifo_alloc(enc->sample_fmt, plan.channels, m_frameSize * 4));
        return m_fifo ? 0 : AVERROR(ENOMEM);
    }

    // Frames in the encoder's format; decoded sound goes to `meter`. A null frame ends it.
    int push(const AVFrame* frame, LoudnessMeter* meter) {
        if (frame) {
            int r =
                av_audio_fifo_write(m_fifo.get(), (void**)frame->extended_data, frame->nb_samples);
            if (r < 0)
                return r;
        }
        const AVCodecContext* enc = m_encoder.get();
        while (av_audio_fifo_size(m_fifo.get()) >= (frame ? m_frameSize : 1)) {
            FramePtr chunk = makeFrame();
            chunk->nb_samples = m_frameSize; // the last one padded: whole frames only
            chunk->format = enc->sample_fmt;
            chunk->sample_rate = enc->sample_rate;
            av_channel_layout_copy(&chunk->ch_layout, &enc->ch_layout);
            int r = av_frame_get_buffer(chunk.get(), 0);
            if (r < 0)
                return r;
            const int got =
                av_audio_fifo_read(m_fifo.get(), (void**)chunk->extended_data, m_frameSize);
            if (got < 0)
                return got;
            if (got < m_frameSize)
                av_samples_set_silence(chunk->extended_data, got, m_frameSize - got,
                                       chunk->ch_layout.nb_channels, enc->sample_fmt);
            chunk->pts = m_pts;
            m_pts += chunk->nb_samples;
            if ((r = avcodec_send_frame(m_encoder.get(), chunk.get())) < 0 || (r = pass(meter)) < 0)
                return r;
        }
        if (!frame) {
            avcodec_send_frame(m_encoder.get(), nullptr);
            return pass(meter);
        }
        return 0;
    }

private:
    int pass(LoudnessMeter* meter) {
        PacketPtr packet = makePacket();
        FramePtr decoded = makeFrame();
        for (;;) {
            int r = avcodec_receive_packet(m_encoder.get(), packet.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return 0;
            if (r < 0)
                return r;
            r = avcodec_send_packet(m_decoder.get(), packet.get());
            av_packet_unref(packet.get());
            if (r < 0)
                return r;
            while (avcodec_receive_frame(m_decoder.get(), decoded.get()) == 0) {
                if ((r = meter->push(decoded.get())) < 0)
                    return r;
                av_frame_unref(decoded.get());
            }
        }
    }

    CodecContextPtr m_encoder, m_decoder;
    AudioFifoPtr m_fifo;
    int m_frameSize = 1024;
    int64_t m_pts = 0;
};

} // namespace

int LoudnessMeter::build(const AVFrame* like) {
    m_graph.reset(avfilter_graph_alloc());
    if (!m_graph)
        return AVERROR(ENOMEM);
    AVFilterGraph* g = m_graph.get();
    m_rate = like->sample_rate;
    AVChannelLayout layout{};
    if (like->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || like->ch_layout.nb_channels <= 0)
        av_channel_layout_default(&layout, std::max(1, like->ch_layout.nb_channels));
    else
        av_channel_layout_copy(&layout, &like->ch_layout);
    char layoutText[128] = {};
    av_channel_layout_describe(&layout, layoutText, sizeof layoutText);
    av_channel_layout_uninit(&layout);
    m_source = addFilter(g, "abuffer",
                         {{"time_base", "1/" + std::to_string(m_rate)},
                          {"sample_rate", std::to_string(m_rate)},
                          {"sample_fmt", av_get_sample_fmt_name(AVSampleFormat(like->format))},
                          {"channel_layout", layoutText}});
    // The meter reports its running figures on the frames it passes on; the last ones hold.
    const char* peaks = m_peaks == Peaks::True     ? "true"
                        : m_peaks == Peaks::Sample ? "sample"
                                                   : "none";
    AVFilterContext* meter = addFilter(g, "ebur128", {{"peak", peaks}, {"metadata", "1"}});
    m_sink = addFilter(g, "abuffersink", {});
    if (!m_source || !meter || !m_sink)
        return AVERROR_FILTER_NOT_FOUND;
    std::vector<AVFilterContext*> chain{m_source};
    // A fourth-order Butterworth low-pass (two sections) stands in for the encoder's own.
    if (m_band > 0.0 && m_band < m_rate / 2.0)
        for (const char* q : {"0.5412", "1.3066"})
            chain.push_back(addFilter(
                g, "lowpass", {{"f", std::to_string(int(m_band))}, {"width_type", "q"}, {"w", q}}));
    chain.push_back(meter);
    chain.push_back(m_sink);
    for (size_t i = 0; i + 1 < chain.size(); ++i) {
        if (!chain[i] || !chain[i + 1])
            return AVERROR_FILTER_NOT_FOUND;
        if (int r = avfilter_link(chain[i], 0, chain[i + 1], 0); r < 0)
            return r;
    }
    return avfilter_graph_config(g, nullptr);
}

int LoudnessMeter::drain() {
    FramePtr out = makeFrame();
    for (;;) {
        int r = av_buffersink_get_frame(m_sink, out.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return 0;
        if (r < 0)
            return r;
        const AVDictionary* metadata = out->metadata;
        m_integrated = metadataNumber(metadata, "lavfi.r128.I", m_integrated);
        m_range = metadataNumber(metadata, "lavfi.r128.LRA", m_range);
        for (int ch = 0; ch < out->ch_layout.nb_channels; ++ch) {
            const std::string key =
                std::string(m_peaks == Peaks::Sample ? "lavfi.r128.sample_peaks_ch"
                                                     : "lavfi.r128.true_peaks_ch") +
                std::to_string(ch);
            m_peak = std::max(m_peak, metadataNumber(metadata, key.c_str(), 0.0));
        }
        av_frame_unref(out.get());
    }
}

int LoudnessMeter::push(AVFrame* frame) {
    if (!m_graph) {
        int r = build(frame);
        if (r < 0)
            return r;
    }
    // The meter only counts samples: the times are made continuous.
    frame->pts = m_nextPts;
    m_nextPts += frame->nb_samples;
    int r = av_buffersrc_add_frame_flags(m_source, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
    return r < 0 ? r : drain();
}

int LoudnessMeter::finish(LoudnessFigures* figures) {
    if (m_graph) {
        int r = av_buffersrc_close(m_source, m_nextPts, 0);
        if (r < 0 || (r = drain()) < 0)
            return r;
    }
    figures->integrated = std::max(-70.0, m_integrated);
    figures->range = m_range;
    figures->truePeak = m_peak > 0.0 ? std::max(-144.0, 20.0 * std::log10(m_peak)) : -144.0;
    return 0;
}

int LoudnessMeter::measure(const PassSource& clip, const AudioPlan* audio, const SoundLevel& level,
                           const std::atomic<bool>* abort, LoudnessFigures* figures, Peaks peaks) {
    CMediaSource reader;
    int r = reader.open(clip.probe.path, abort, &clip.probe);
    if (r < 0)
        return r;
    bool present = false;
    if ((r = reader.openAudio(clip.audioStream, &present)) < 0)
        return r;
    if (!present)
        return AVERROR_STREAM_NOT_FOUND;

    const double duration = clip.probe.durationMs / 1000.0;
    const double begin = std::max<int64_t>(0, clip.beginMs) / 1000.0;
    double end = clip.stopMs > clip.beginMs ? clip.stopMs / 1000.0 : duration;
    if (duration > 0.0)
        end = std::min(end, duration);
    if (end <= 0.0)
        end = 1e300; // unknown length: to the end of the file

    // The run's own filter, down to its sample format: a downmix to integers is scaled so it
    // cannot clip, one to floating point is not.
    CAudioFilter shape;
    const bool shaped = audio != nullptr;
    if (shaped)
        shape.configure(*audio, level);
    CodecRoundTrip codec;
    const bool roundTrip = shaped && encoderRoundTrip(*audio);
    if (roundTrip && (r = codec.open(*audio)) < 0)
        return r;
    LoudnessMeter meter(shaped && !roundTrip ? encoderBandwidth(*audio) : 0.0, peaks);
    FramePtr frame = makeFrame();
    FramePtr out = makeFrame();
    auto toMeter = [&](AVFrame* f) { return roundTrip ? codec.push(f, &meter) : meter.push(f); };
    auto feed = [&](AVFrame* f) -> int {
        if (!shaped)
            return meter.push(f);
        int result = shape.push(f);
        while (result >= 0 && (result = shape.pull(out.get())) == 1) {
            result = toMeter(out.get());
            av_frame_unref(out.get());
        }
        return result < 0 && result != AVERROR_EOF ? result : 0;
    };
    double t = 0.0, length = 0.0;
    r = positionAt(&reader, begin, frame.get(), &t, &length, abort);
    bool first = true;
    while (r == 1) {
        if (abort && abort->load())
            return AVERROR_EXIT;
        if (!first) {
            AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
            if ((r = reader.next(frame.get(), &type)) <= 0)
                break;
            if (type != AVMEDIA_TYPE_AUDIO) {
                av_frame_unref(frame.get());
                continue;
            }
            t = reader.frameSeconds(frame.get(), type, &length);
        }
        first = false;
        // A frame belongs to the clip when most of it lies inside.
        if (t + length / 2 >= end)
            break;
        if (t + length / 2 >= begin) {
            frame->pts = std::llround((t - begin) * frame->sample_rate);
            if ((r = feed(frame.get())) < 0)
                return r;
            r = 1;
        }
        av_frame_unref(frame.get());
    }
    if (r < 0)
        return r;
    if (shaped) {
        shape.close();
        while ((r = shape.pull(out.get())) == 1) {
            if ((r = toMeter(out.get())) < 0)
                return r;
            av_frame_unref(out.get());
        }
        if (roundTrip && (r = codec.push(nullptr, &meter)) < 0)
            return r;
    }
    r = meter.finish(figures);
    if (r < 0)
        return r;
    figures->sampleRate = shaped ? audio->sampleRate : 0;
    figures->channels = shaped ? audio->channels : 0;
    return 0;
}

int LoudnessMeter::resolve(const PassSource& clip, const AudioPlan& audio,
                           const LoudnessTarget& target, const LoudnessFigures* known,
                           const std::atomic<bool>* abort, SoundLevel* level,
                           LoudnessFigures* measured, bool truePeak) {
    LoudnessFigures figures;
    if (known && known->sampleRate == audio.sampleRate && known->channels == audio.channels) {
        figures = *known;
    } else {
        int r = measure(clip, &audio, SoundLevel{}, abort, &figures,
                        truePeak ? Peaks::True : Peaks::Sample);
        if (r < 0)
            return r;
        if (!truePeak && figures.truePeak > -144.0)
            figures.truePeak += kBetweenSamples;
    }
    if (measured)
        *measured = figures;
    *level = planSoundLevel(figures, target, audio);
    if (level->note == SoundLevel::Note::TooQuiet || (!level->limit && !encoderRoundTrip(audio)))
        return 0;
    // The limiter takes loudness off with the peaks (most where short peaks carry much of it),
    // and an encoder measured through may not keep the level evenly: the result is measured and
    // the level corrected until it lands.
    LevelSearch search(target, audio, level);
    for (int attempt = 0; attempt < kLevelAttempts; ++attempt) {
        LoudnessFigures result;
        // Only a measurement through the encoder needs the peaks again.
        int r = measure(clip, &audio, *level, abort, &result,
                        encoderRoundTrip(audio) ? Peaks::True : Peaks::None);
        if (r < 0)
            return r;
        if (!search.next(result))
            return 0;
    }
    search.keepBest();
    return 0;
}

int LoudnessMeter::resolveAll(std::vector<PassSource>* sources, const OutputPlan& plan,
                              const std::atomic<bool>* abort) {
    if (!plan.audio)
        return 0;
    for (PassSource& source : *sources) {
        if (!source.loudness.on || source.soundLevel)
            continue;
        SoundLevel level;
        int r = resolve(source, *plan.audio, source.loudness,
                        source.loudnessKnown ? &*source.loudnessKnown : nullptr, abort, &level,
                        nullptr, false);
        if (r == AVERROR_STREAM_NOT_FOUND)
            continue; // no sound to normalise
        if (r < 0)
            return r;
        source.soundLevel = level;
    }
    return 0;
}

} // namespace vel
