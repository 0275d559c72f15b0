#include "SourceTags.h"

extern "C" {
#include <libavutil/base64.h>
#include <libavutil/dict.h>
}

#include <cstring>

namespace vel {

namespace {

// FFmpeg's generic names; each demuxer reads its own (TIT2, ©nam, TITLE...) into them and each
// muxer writes them back in its own. creation_time is added for sources with pictures.
const char* const kKeptTags[] = {"title",   "artist", "album_artist", "album",
                                 "composer", "date",   "comment",      "genre",
                                 "track",    "disc",   "copyright"};

const char* valueOf(const AVDictionary* tags, const char* key) {
    // Case-blind: Matroska and Vorbis comments carry their names in capitals.
    const AVDictionaryEntry* entry = av_dict_get(tags, key, nullptr, 0);
    return entry && entry->value && *entry->value ? entry->value : nullptr;
}

bool isOgg(const AVFormatContext* input) {
    return input->iformat && input->iformat->name && std::strcmp(input->iformat->name, "ogg") == 0;
}

const AVStream* firstOfType(const AVFormatContext* input, AVMediaType type) {
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* s = input->streams[i];
        if (s->codecpar->codec_type == type && !(s->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return s;
    }
    return nullptr;
}

} // namespace

Tags readTags(const AVFormatContext* input, bool hasPictures) {
    Tags tags;
    if (!input)
        return tags;
    // Ogg keeps the comments with each logical stream; the first sound stream's are the file's.
    const AVStream* sound = isOgg(input) ? firstOfType(input, AVMEDIA_TYPE_AUDIO) : nullptr;
    for (const char* key : kKeptTags) {
        const char* value = valueOf(input->metadata, key);
        if (!value && sound)
            value = valueOf(sound->metadata, key);
        if (value)
            tags.emplace_back(key, value);
    }
    if (hasPictures) {
        const AVStream* video = firstOfType(input, AVMEDIA_TYPE_VIDEO);
        const char* created = valueOf(input->metadata, "creation_time");
        if (!created && video)
            created = valueOf(video->metadata, "creation_time");
        if (created)
            tags.emplace_back("creation_time", created);
    }
    return tags;
}

int coverStreamOf(const AVFormatContext* input) {
    for (unsigned i = 0; input && i < input->nb_streams; ++i) {
        const AVStream* s = input->streams[i];
        const AVCodecID codec = s->codecpar->codec_id;
        // Pictures every cover-carrying container names: JPEG and PNG.
        if ((s->disposition & AV_DISPOSITION_ATTACHED_PIC) && s->attached_pic.size > 0 &&
            (codec == AV_CODEC_ID_MJPEG || codec == AV_CODEC_ID_PNG))
            return int(i);
    }
    return -1;
}

CoverWay coverWayOf(const std::string& format) {
    if (format == "mp3" || format == "mp4" || format == "m4a" || format == "m4v" ||
        format == "flac" || format == "aiff")
        return CoverWay::AttachedPicture;
    if (format == "matroska" || format == "mka")
        return CoverWay::Attachment;
    if (format == "ogg")
        return CoverWay::VorbisComment;
    return CoverWay::None;
}

int readCoverPicture(const std::string& path, int streamIndex, CoverPicture* out) {
    AVFormatContext* raw = nullptr;
    int r = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (r < 0)
        return r;
    InputContextPtr input(raw);
    if (streamIndex < 0 || streamIndex >= int(input->nb_streams))
        return AVERROR_STREAM_NOT_FOUND;
    const AVStream* s = input->streams[streamIndex];
    if (!(s->disposition & AV_DISPOSITION_ATTACHED_PIC) || s->attached_pic.size <= 0)
        return AVERROR_STREAM_NOT_FOUND;
    out->packet.reset(av_packet_clone(&s->attached_pic));
    if (!out->packet)
        return AVERROR(ENOMEM);
    out->codec = s->codecpar->codec_id;
    out->width = s->codecpar->width;
    out->height = s->codecpar->height;
    // The headers do not always tell a picture's size (ID3 does not); muxers want it.
    if (out->width <= 0 || out->height <= 0) {
        const AVCodec* codec = avcodec_find_decoder(out->codec);
        CodecContextPtr decoder(codec ? avcodec_alloc_context3(codec) : nullptr);
        FramePtr frame = makeFrame();
        if (!decoder || !frame || avcodec_open2(decoder.get(), codec, nullptr) < 0 ||
            avcodec_send_packet(decoder.get(), out->packet.get()) < 0 ||
            avcodec_send_packet(decoder.get(), nullptr) < 0 ||
            avcodec_receive_frame(decoder.get(), frame.get()) < 0)
            return AVERROR_INVALIDDATA;
        out->width = frame->width;
        out->height = frame->height;
    }
    return 0;
}

std::string vorbisPictureComment(const CoverPicture& picture) {
    const std::string mime = picture.codec == AV_CODEC_ID_PNG ? "image/png" : "image/jpeg";
    std::string block;
    auto put32 = [&block](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            block.push_back(char((v >> shift) & 0xFF));
    };
    put32(3); // front cover
    put32(uint32_t(mime.size()));
    block += mime;
    put32(0); // no description
    put32(uint32_t(picture.width));
    put32(uint32_t(picture.height));
    put32(24); // colour depth: informative only
    put32(0);  // not indexed
    put32(uint32_t(picture.packet->size));
    block.append(reinterpret_cast<const char*>(picture.packet->data), size_t(picture.packet->size));
    std::string text(AV_BASE64_SIZE(block.size()), '\0');
    if (!av_base64_encode(text.data(), int(text.size()),
                          reinterpret_cast<const uint8_t*>(block.data()), int(block.size())))
        return {};
    text.resize(std::strlen(text.c_str()));
    return text;
}

} // namespace vel
