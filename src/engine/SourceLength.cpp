#include "SourceLength.h"

#include <algorithm>
#include <cmath>

namespace vel {

namespace {

// A week: no source this program meets is longer; a figure beyond it is a broken field.
constexpr int64_t kAbsurd = int64_t(7) * 24 * 3600 * AV_TIME_BASE;

bool counts(const AVStream* s) {
    const AVMediaType type = s->codecpar->codec_type;
    return (type == AVMEDIA_TYPE_VIDEO && !(s->disposition & AV_DISPOSITION_ATTACHED_PIC)) ||
           type == AVMEDIA_TYPE_AUDIO;
}

int64_t fileStart(const AVFormatContext* ctx) {
    return ctx->start_time == AV_NOPTS_VALUE ? 0 : ctx->start_time;
}

// Where a stream ends by its own duration field, from the file's start.
int64_t streamEnd(const AVFormatContext* ctx, const AVStream* s) {
    if (s->duration == AV_NOPTS_VALUE || s->duration <= 0)
        return 0;
    int64_t end = av_rescale_q(s->duration, s->time_base, AV_TIME_BASE_Q);
    if (s->start_time != AV_NOPTS_VALUE)
        end += av_rescale_q(s->start_time, s->time_base, AV_TIME_BASE_Q) - fileStart(ctx);
    return end;
}

// The last packet a stream's index knows (MP4 and Matroska hold an index): the stream is at
// least this long. Indexes may hold keyframes only, so this is no more than a lower bound.
int64_t indexedAtLeast(const AVFormatContext* ctx, AVStream* s) {
    const int count = avformat_index_get_entries_count(s);
    const AVIndexEntry* last = count > 0 ? avformat_index_get_entry(s, count - 1) : nullptr;
    if (!last || last->timestamp == AV_NOPTS_VALUE)
        return 0;
    return av_rescale_q(last->timestamp, s->time_base, AV_TIME_BASE_Q) - fileStart(ctx);
}

// Reads every packet (no decoding) for the end of the last one; the reader is put back at the
// start afterwards.
int64_t scannedEnd(AVFormatContext* ctx, const std::atomic<bool>* abort) {
    PacketPtr packet = makePacket();
    if (!packet || !ctx->pb || !(ctx->pb->seekable & AVIO_SEEKABLE_NORMAL))
        return 0;
    int64_t end = 0;
    while (!(abort && abort->load(std::memory_order_relaxed)) &&
           av_read_frame(ctx, packet.get()) >= 0) {
        const AVStream* s = ctx->streams[packet->stream_index];
        const int64_t at = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (counts(s) && at != AV_NOPTS_VALUE)
            end = std::max(end, av_rescale_q(at + std::max<int64_t>(packet->duration, 0),
                                             s->time_base, AV_TIME_BASE_Q) -
                                    fileStart(ctx));
        av_packet_unref(packet.get());
    }
    avformat_seek_file(ctx, -1, INT64_MIN, fileStart(ctx), fileStart(ctx), 0);
    return end;
}

// Within a second, or a twentieth of the length.
bool agree(int64_t a, int64_t b) {
    const int64_t slack = std::max<int64_t>(AV_TIME_BASE, std::max(a, b) / 20);
    return std::llabs(a - b) <= slack;
}

} // namespace

int64_t sourceLength(AVFormatContext* ctx, const std::atomic<bool>* abort) {
    int64_t streams = 0, indexed = 0;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        AVStream* s = ctx->streams[i];
        if (!counts(s))
            continue;
        const int64_t end = streamEnd(ctx, s);
        if (end < kAbsurd)
            streams = std::max(streams, end);
        indexed = std::max(indexed, std::min(indexedAtLeast(ctx, s), kAbsurd));
    }
    int64_t container = ctx->duration == AV_NOPTS_VALUE || ctx->duration <= 0 ? 0 : ctx->duration;
    if (container >= kAbsurd)
        container = 0;
    // Stream durations come from the packet tables (MP4) or a read of the file's end (MPEG):
    // where the container's field says otherwise, they are right. Durations that only repeat the
    // container's field (FFmpeg fills them in for formats without their own, like Matroska) are
    // no second opinion.
    const bool ownFigures = streams > 0 && std::llabs(streams - container) > 1000;
    if (ownFigures && streams + AV_TIME_BASE >= indexed)
        return container > 0 && agree(container, streams) ? container : streams;
    // Otherwise the container's field stands unless the index proves it wrong: shorter than what
    // is indexed, or far longer than keyframe spacing explains.
    const int64_t spacing = std::max<int64_t>(30 * int64_t(AV_TIME_BASE), indexed / 2);
    const bool plausible = container > 0 && container + AV_TIME_BASE >= indexed &&
                           (indexed == 0 || container <= indexed + spacing);
    if (plausible)
        return container;
    const int64_t scanned = scannedEnd(ctx, abort);
    return scanned > 0 ? scanned : std::max(container, indexed);
}

} // namespace vel
