#include "ContentScan.h"

#include "AvUtil.h"

#include <algorithm>
#include <cmath>

#include <sys/stat.h>

namespace vel {

namespace {

// Reading is cheap next to decoding, but not free: a file past this is left unscanned (its
// windows are then spread evenly, as for a file without an index).
constexpr off_t kLargestScannedFile = off_t(2) << 30;

int interrupted(void* opaque) {
    return static_cast<const std::atomic<bool>*>(opaque)->load(std::memory_order_relaxed) ? 1 : 0;
}

} // namespace

ContentScan ContentScan::read(const PassSource& clip, const std::atomic<bool>* abort) {
    struct stat st {};
    if (stat(clip.probe.path.c_str(), &st) != 0 || st.st_size > kLargestScannedFile)
        return {};
    AVFormatContext* format = avformat_alloc_context();
    if (!format)
        return {};
    format->interrupt_callback = {&interrupted, const_cast<std::atomic<bool>*>(abort)};
    if (avformat_open_input(&format, clip.probe.path.c_str(), nullptr, nullptr) < 0)
        return {};
    const int index = clip.videoStream >= 0 && clip.videoStream < int(format->nb_streams)
                          ? clip.videoStream
                          : av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    // Ordinary pictures' bytes; a source of key pictures only (MJPEG, lossless) has all of its.
    std::vector<double> keys, seconds, keySeconds;
    if (index >= 0) {
        for (unsigned i = 0; i < format->nb_streams; ++i)
            format->streams[i]->discard = int(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        const AVStream* stream = format->streams[index];
        const double base = av_q2d(stream->time_base);
        const int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        AVPacket* packet = av_packet_alloc();
        while (packet && !abort->load() && av_read_frame(format, packet) >= 0) {
            const int64_t at = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (packet->stream_index == index && at != AV_NOPTS_VALUE) {
                const double t = std::max(0.0, double(at - start) * base);
                const bool key = packet->flags & AV_PKT_FLAG_KEY;
                if (key)
                    keys.push_back(t);
                std::vector<double>& bytes = key ? keySeconds : seconds;
                const size_t second = size_t(t);
                if (second >= bytes.size())
                    bytes.resize(second + 1, 0.0);
                bytes[second] += double(packet->size);
            }
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    avformat_close_input(&format);
    if (abort->load())
        return {};
    std::sort(keys.begin(), keys.end());
    if (seconds.empty())
        seconds = std::move(keySeconds);
    return ContentScan(std::move(keys), std::move(seconds));
}

} // namespace vel
