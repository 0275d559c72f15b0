#include "CoverArt.h"

namespace vel {

int decodeCoverArt(const AVFormatContext* ctx, FramePtr* out) {
    const AVStream* art = nullptr;
    for (unsigned i = 0; ctx && i < ctx->nb_streams && !art; ++i) {
        const AVStream* s = ctx->streams[i];
        if ((s->disposition & AV_DISPOSITION_ATTACHED_PIC) && s->attached_pic.size > 0 &&
            s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            art = s;
    }
    if (!art)
        return AVERROR_STREAM_NOT_FOUND;
    const AVCodec* codec = avcodec_find_decoder(art->codecpar->codec_id);
    if (!codec)
        return AVERROR_DECODER_NOT_FOUND;
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder)
        return AVERROR(ENOMEM);
    int r = avcodec_parameters_to_context(decoder.get(), art->codecpar);
    if (r < 0 || (r = avcodec_open2(decoder.get(), codec, nullptr)) < 0)
        return r;
    PacketPtr packet(av_packet_clone(&art->attached_pic));
    FramePtr frame = makeFrame();
    if (!packet || !frame)
        return AVERROR(ENOMEM);
    if ((r = avcodec_send_packet(decoder.get(), packet.get())) < 0 ||
        (r = avcodec_send_packet(decoder.get(), nullptr)) < 0)
        return r;
    if ((r = avcodec_receive_frame(decoder.get(), frame.get())) < 0)
        return r;
    if (frame->width <= 0 || frame->height <= 0)
        return AVERROR_INVALIDDATA;
    *out = std::move(frame);
    return 0;
}

} // namespace vel
