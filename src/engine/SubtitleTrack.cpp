#include "SubtitleTrack.h"

extern "C" {
#include <libavcodec/codec_desc.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

namespace vel {

namespace {

// A text event whose file gives it no end shows this long at most (or until the next one).
constexpr double kOpenTextEventSeconds = 5.0;

// The header FFmpeg's text decoders give when a track has none of its own (ASS's defaults at a
// 384x288 play resolution).
const char kDefaultAssHeader[] =
    "[Script Info]\r\n"
    "ScriptType: v4.00+\r\n"
    "PlayResX: 384\r\n"
    "PlayResY: 288\r\n"
    "ScaledBorderAndShadow: yes\r\n"
    "\r\n"
    "[V4+ Styles]\r\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
    "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
    "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\r\n"
    "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\r\n"
    "\r\n"
    "[Events]\r\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";

int propsOf(AVCodecID codec) {
    const AVCodecDescriptor* d = avcodec_descriptor_get(codec);
    return d && d->type == AVMEDIA_TYPE_SUBTITLE ? d->props : 0;
}

void copyText(char* field, size_t size, const char* text) {
    if (!text)
        text = "";
    std::snprintf(field, size, "%s", text);
}

const char* tagOf(const AVStream* s, const char* key) {
    const AVDictionaryEntry* e = av_dict_get(s->metadata, key, nullptr, 0);
    return e ? e->value : nullptr;
}

struct ParametersDeleter {
    void operator()(AVCodecParameters* p) const { avcodec_parameters_free(&p); }
};

struct PacketShareDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

// A track being read: its record and, for text, the decoder that turns packets into events.
struct Reading {
    std::shared_ptr<SubtitleStream> stream;
    CodecContextPtr decoder;
};

int openReading(const AVStream* s, Reading* reading) {
    auto stream = std::make_shared<SubtitleStream>();
    stream->index = s->index;
    stream->codec = s->codecpar->codec_id;
    stream->text = isTextSubtitle(stream->codec);
    stream->width = s->codecpar->width;
    stream->height = s->codecpar->height;
    stream->timeBase = s->time_base;
    AVCodecParameters* par = avcodec_parameters_alloc();
    if (!par)
        return AVERROR(ENOMEM);
    stream->parameters.reset(par, ParametersDeleter{});
    int r = avcodec_parameters_copy(par, s->codecpar);
    if (r < 0)
        return r;
    if (stream->text) {
        const AVCodec* codec = avcodec_find_decoder(stream->codec);
        if (!codec)
            return AVERROR_DECODER_NOT_FOUND;
        CodecContextPtr decoder(avcodec_alloc_context3(codec));
        if (!decoder)
            return AVERROR(ENOMEM);
        if ((r = avcodec_parameters_to_context(decoder.get(), s->codecpar)) < 0)
            return r;
        decoder->pkt_timebase = s->time_base;
        if ((r = avcodec_open2(decoder.get(), codec, nullptr)) < 0)
            return r;
        stream->header = decoder->subtitle_header
                             ? std::string(reinterpret_cast<const char*>(decoder->subtitle_header),
                                           size_t(decoder->subtitle_header_size))
                             : std::string(kDefaultAssHeader);
        reading->decoder = std::move(decoder);
    }
    reading->stream = std::move(stream);
    return 0;
}

// Seconds of a packet time from the media's start.
double secondsOf(int64_t ts, AVRational timeBase, int64_t startTime) {
    return double(ts) * av_q2d(timeBase) - double(startTime) / AV_TIME_BASE;
}

void addPacket(Reading& reading, AVPacket* packet, int64_t startTime) {
    SubtitleStream& stream = *reading.stream;
    const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (ts == AV_NOPTS_VALUE)
        return;
    const double start = secondsOf(ts, stream.timeBase, startTime);
    const double length = packet->duration > 0 ? double(packet->duration) * av_q2d(stream.timeBase)
                                               : -1.0;
    if (!stream.text) {
        SubtitleEvent event;
        event.start = start;
        event.end = length > 0.0 ? start + length : start - 1.0;
        AVPacket* copy = av_packet_clone(packet);
        if (!copy)
            return;
        event.packet.reset(copy, PacketShareDeleter{});
        stream.events.push_back(std::move(event));
        return;
    }
    AVSubtitle subtitle{};
    int got = 0;
    if (avcodec_decode_subtitle2(reading.decoder.get(), &subtitle, &got, packet) < 0 || !got)
        return;
    double from = start + subtitle.start_display_time / 1000.0;
    double to = length > 0.0 ? start + length : -1.0;
    if (to < 0.0 && subtitle.end_display_time > subtitle.start_display_time &&
        subtitle.end_display_time != UINT32_MAX)
        to = start + subtitle.end_display_time / 1000.0;
    for (unsigned i = 0; i < subtitle.num_rects; ++i) {
        const AVSubtitleRect* rect = subtitle.rects[i];
        if (rect->type != SUBTITLE_ASS || !rect->ass || !*rect->ass)
            continue;
        SubtitleEvent event;
        event.start = from;
        event.end = to > from ? to : from - 1.0;
        event.dialogue = rect->ass;
        stream.events.push_back(std::move(event));
    }
    avsubtitle_free(&subtitle);
}

// Sorted by start; text events without an end last until the next one starts (at most a few
// seconds).
void finishStream(SubtitleStream& stream) {
    std::stable_sort(stream.events.begin(), stream.events.end(),
                     [](const SubtitleEvent& a, const SubtitleEvent& b) { return a.start < b.start; });
    if (!stream.text)
        return;
    for (size_t i = 0; i < stream.events.size(); ++i) {
        SubtitleEvent& e = stream.events[i];
        if (e.end > e.start)
            continue;
        double next = e.start + kOpenTextEventSeconds;
        for (size_t j = i + 1; j < stream.events.size(); ++j)
            if (stream.events[j].start > e.start) {
                next = std::min(next, stream.events[j].start);
                break;
            }
        e.end = next;
    }
}

// Opens the source for its subtitles. Streams that show up only once packets are read (MPEG
// program streams) need a look first when `needed` is past those the header lists.
int openSource(const std::string& path, const AVIOInterruptCB* interrupt, int needed,
               InputContextPtr* out) {
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        return AVERROR(ENOMEM);
    if (interrupt)
        raw->interrupt_callback = *interrupt;
    int r = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (r < 0)
        return r;
    out->reset(raw);
    if (needed >= int(raw->nb_streams) && (r = avformat_find_stream_info(raw, nullptr)) < 0)
        return r;
    return 0;
}

} // namespace

bool isTextSubtitle(AVCodecID codec) {
    return (propsOf(codec) & AV_CODEC_PROP_TEXT_SUB) != 0;
}

bool isBitmapSubtitle(AVCodecID codec) {
    return (propsOf(codec) & AV_CODEC_PROP_BITMAP_SUB) != 0;
}

void listTracks(const AVFormatContext* input, int indexBase, std::vector<tagVeldesTrack>* tracks) {
    auto ofType = [tracks](int type) {
        return int(std::count_if(tracks->begin(), tracks->end(),
                                 [type](const tagVeldesTrack& t) { return t.type == type; }));
    };
    int sounds = ofType(VELDES_STREAM_AUDIO), subtitles = ofType(VELDES_STREAM_SUBTITLE);
    std::vector<tagVeldesTrack> found;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* s = input->streams[i];
        const AVCodecParameters* par = s->codecpar;
        tagVeldesTrack track{};
        if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0 &&
            par->ch_layout.nb_channels > 0) {
            track.type = VELDES_STREAM_AUDIO;
            track.channels = par->ch_layout.nb_channels;
            track.sampleRate = par->sample_rate;
        } else if (par->codec_type == AVMEDIA_TYPE_SUBTITLE &&
                   (isTextSubtitle(par->codec_id) || isBitmapSubtitle(par->codec_id)) &&
                   avcodec_find_decoder(par->codec_id)) {
            track.type = VELDES_STREAM_SUBTITLE;
            track.flags |= isTextSubtitle(par->codec_id) ? VELDES_TRACK_TEXT : VELDES_TRACK_BITMAP;
            if (s->disposition & AV_DISPOSITION_FORCED)
                track.flags |= VELDES_TRACK_FORCED;
        } else {
            continue;
        }
        if (s->disposition & AV_DISPOSITION_DEFAULT)
            track.flags |= VELDES_TRACK_DEFAULT;
        track.values[0] = indexBase + int32_t(i) + 1;
        track.values[1] = par->codec_id;
        const char* language = tagOf(s, "language");
        // "und" is what muxers write for "not said".
        if (language && std::strcmp(language, "und") != 0)
            copyText(track.language, sizeof track.language, language);
        copyText(track.codec, sizeof track.codec, avcodec_get_name(par->codec_id));
        copyText(track.title, sizeof track.title, tagOf(s, "title"));
        found.push_back(track);
    }
    // Sound first, each type in file order.
    for (int type : {VELDES_STREAM_AUDIO, VELDES_STREAM_SUBTITLE})
        for (tagVeldesTrack& t : found)
            if (t.type == type) {
                t.number = type == VELDES_STREAM_AUDIO ? ++sounds : ++subtitles;
                tracks->push_back(t);
            }
    std::stable_sort(tracks->begin(), tracks->end(),
                     [](const tagVeldesTrack& a, const tagVeldesTrack& b) { return a.type < b.type; });
}

SourceSubtitles::SourceSubtitles(std::string path, int64_t startTime)
    : m_path(std::move(path)), m_startTime(startTime == AV_NOPTS_VALUE ? 0 : startTime) {}

std::shared_ptr<const SubtitleStream> SourceSubtitles::stream(int streamIndex) const {
    std::lock_guard lock(m_mutex);
    for (const auto& s : m_streams)
        if (s->index == streamIndex)
            return s;
    return nullptr;
}

int SourceSubtitles::header(int streamIndex, const AVIOInterruptCB* interrupt, std::string* out) {
    if (auto read = stream(streamIndex)) {
        *out = read->header;
        return 0;
    }
    {
        std::lock_guard lock(m_mutex);
        for (const auto& [index, text] : m_headers)
            if (index == streamIndex) {
                *out = text;
                return 0;
            }
    }
    InputContextPtr input;
    int r = openSource(m_path, interrupt, streamIndex, &input);
    if (r < 0)
        return r;
    if (streamIndex < 0 || streamIndex >= int(input->nb_streams) ||
        !isTextSubtitle(input->streams[streamIndex]->codecpar->codec_id))
        return AVERROR_STREAM_NOT_FOUND;
    Reading reading;
    if ((r = openReading(input->streams[streamIndex], &reading)) < 0)
        return r;
    *out = reading.stream->header;
    std::lock_guard lock(m_mutex);
    m_headers.emplace_back(streamIndex, *out);
    return 0;
}

int SourceSubtitles::load(const std::vector<int>& streamIndexes, const AVIOInterruptCB* interrupt) {
    std::lock_guard loading(m_loading);
    std::set<int> missing;
    for (int index : streamIndexes)
        if (index >= 0 && !stream(index))
            missing.insert(index);
    if (missing.empty())
        return 0;
    InputContextPtr input;
    int r = openSource(m_path, interrupt, *missing.rbegin(), &input);
    if (r < 0)
        return r;
    std::vector<Reading> readings;
    for (int index : missing) {
        if (index >= int(input->nb_streams) ||
            input->streams[index]->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE)
            return AVERROR_STREAM_NOT_FOUND;
        Reading reading;
        if ((r = openReading(input->streams[index], &reading)) < 0)
            return r;
        readings.push_back(std::move(reading));
    }
    for (unsigned i = 0; i < input->nb_streams; ++i)
        input->streams[i]->discard = missing.count(int(i)) ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    PacketPtr packet = makePacket();
    if (!packet)
        return AVERROR(ENOMEM);
    for (;;) {
        r = av_read_frame(input.get(), packet.get());
        if (r == AVERROR_EXIT)
            return r;
        if (r < 0)
            break; // the end, or as far as the file can be read
        for (Reading& reading : readings)
            if (reading.stream->index == packet->stream_index)
                addPacket(reading, packet.get(), m_startTime);
        av_packet_unref(packet.get());
    }
    std::lock_guard lock(m_mutex);
    for (Reading& reading : readings) {
        finishStream(*reading.stream);
        m_streams.push_back(std::move(reading.stream));
    }
    return 0;
}

std::string assTime(double seconds) {
    const long long centis = std::max(0LL, std::llround(seconds * 100.0));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%02lld", centis / 360000,
                  centis / 6000 % 60, centis / 100 % 60, centis % 100);
    return text;
}

std::string assScript(const SubtitleStream& stream, double clipBegin) {
    std::string script = stream.header.empty() ? std::string(kDefaultAssHeader) : stream.header;
    if (!script.empty() && script.back() != '\n')
        script += "\r\n";
    for (const SubtitleEvent& e : stream.events) {
        if (e.end <= clipBegin)
            continue;
        // "ReadOrder,Layer,Rest" becomes "Dialogue: Layer,Start,End,Rest".
        const size_t first = e.dialogue.find(',');
        const size_t second =
            first == std::string::npos ? std::string::npos : e.dialogue.find(',', first + 1);
        if (second == std::string::npos)
            continue;
        script += "Dialogue: " + e.dialogue.substr(first + 1, second - first - 1) + "," +
                  assTime(std::max(0.0, e.start - clipBegin)) + "," + assTime(e.end - clipBegin) +
                  e.dialogue.substr(second) + "\r\n";
    }
    return script;
}

} // namespace vel
