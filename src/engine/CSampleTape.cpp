#include "CSampleTape.h"

#include "CWriterThread.h"

namespace vel {

namespace {

size_t frameBytes(const AVFrame* frame) {
    size_t bytes = sizeof(AVFrame);
    for (const AVBufferRef* buffer : frame->buf)
        if (buffer)
            bytes += buffer->size;
    for (int i = 0; i < frame->nb_extended_buf; ++i)
        bytes += frame->extended_buf[i]->size;
    return bytes;
}

} // namespace

void CSampleTape::add(const AVFrame* frame, int offset, int64_t count) {
    if (!recording())
        return;
    Entry entry{FramePtr(frame ? av_frame_clone(frame) : nullptr), offset, count};
    if (frame && !entry.frame)
        return drop();
    m_bytes += entry.frame ? frameBytes(entry.frame.get()) : sizeof(Entry);
    if (m_bytes > m_limit)
        return drop();
    m_entries.push_back(std::move(entry));
}

void CSampleTape::video(const AVFrame* frame) {
    add(frame, 0, 0);
}

void CSampleTape::audio(const AVFrame* frame, int offset, int count) {
    add(frame, offset, count);
}

void CSampleTape::silence(int64_t samples) {
    add(nullptr, 0, samples);
}

void CSampleTape::finish(std::vector<SampleSpan> spans, double sampled) {
    if (!recording())
        return;
    m_spans = std::move(spans);
    m_sampled = sampled;
    m_ready = true;
}

void CSampleTape::drop() {
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_bytes = 0;
    m_ready = false;
    m_dropped = true;
}

int CSampleTape::play(CWriterThread& writer) const {
    for (const Entry& e : m_entries) {
        int r = 0;
        if (!e.frame) {
            r = writer.writeSilence(e.count);
        } else if (e.count == 0) {
            FramePtr copy(av_frame_clone(e.frame.get()));
            r = copy ? writer.writeVideo(copy.get()) : AVERROR(ENOMEM);
        } else {
            r = writer.writeAudio(e.frame.get(), e.offset, int(e.count));
        }
        if (r < 0)
            return r;
    }
    return 0;
}

} // namespace vel
