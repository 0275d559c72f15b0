#include "CWriterThread.h"

#include <chrono>

namespace vel {

namespace {

// A few pictures, and sound for about as long: the encoder never waits for the decoder, and
// nothing piles up.
constexpr size_t kVideoJobs = 4;
constexpr size_t kJobs = 48;
constexpr auto kAbortPoll = std::chrono::milliseconds(20);

} // namespace

CWriterThread::CWriterThread(COutputWriter& writer, const std::atomic<bool>* abort)
    : m_writer(writer), m_abort(abort), m_thread([this] { main(); }) {}

CWriterThread::~CWriterThread() {
    stop();
}

int CWriterThread::push(Job job) {
    std::unique_lock lock(m_mutex);
    const bool video = job.kind == Job::Kind::Video;
    for (;;) {
        if (m_error)
            return m_error;
        if (m_stopping || (m_abort && m_abort->load()))
            return AVERROR_EXIT;
        bool full = m_queue.size() >= kJobs || (video && m_videoQueued >= kVideoJobs);
        if (!full)
            break;
        m_changed.wait_for(lock, kAbortPoll);
    }
    m_videoQueued += video;
    m_queue.push_back(std::move(job));
    m_changed.notify_all();
    return 0;
}

int CWriterThread::writeVideo(AVFrame* frame) {
    Job job{Job::Kind::Video, makeFrame()};
    if (!job.frame)
        return AVERROR(ENOMEM);
    if (m_tape)
        m_tape->video(frame);
    av_frame_move_ref(job.frame.get(), frame);
    int r = push(std::move(job));
    if (r == 0)
        ++m_videoFrames;
    return r;
}

int CWriterThread::writeAudio(const AVFrame* frame, int offset, int count) {
    Job job{Job::Kind::Audio, FramePtr(av_frame_clone(frame))};
    if (!job.frame)
        return AVERROR(ENOMEM);
    if (m_tape)
        m_tape->audio(frame, offset, count);
    job.offset = offset;
    job.count = count;
    int r = push(std::move(job));
    if (r == 0)
        m_audioSamples += count;
    return r;
}

int CWriterThread::writeSilence(int64_t samples) {
    if (samples <= 0)
        return 0;
    if (m_tape)
        m_tape->silence(samples);
    Job job{Job::Kind::Silence, nullptr};
    job.samples = samples;
    int r = push(std::move(job));
    if (r == 0)
        m_audioSamples += samples;
    return r;
}

int CWriterThread::writeSubtitle(int output, std::string dialogue, double start, double end) {
    Job job{Job::Kind::Subtitle, nullptr};
    job.count = output;
    job.text = std::move(dialogue);
    job.start = start;
    job.end = end;
    return push(std::move(job));
}

int CWriterThread::drain() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_error || (m_queue.empty() && !m_busy); });
    return m_error;
}

void CWriterThread::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
        m_videoQueued = 0;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CWriterThread::main() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        Job job = std::move(m_queue.front());
        m_queue.pop_front();
        m_videoQueued -= job.kind == Job::Kind::Video;
        m_busy = true;
        m_changed.notify_all();
        lock.unlock();
        int r = 0;
        switch (job.kind) {
        case Job::Kind::Video:
            r = m_writer.writeVideo(job.frame.get());
            break;
        case Job::Kind::Audio:
            r = m_writer.writeAudio(job.frame.get(), job.offset, job.count);
            break;
        case Job::Kind::Silence:
            r = m_writer.writeSilence(job.samples);
            break;
        case Job::Kind::Subtitle:
            r = m_writer.writeSubtitle(job.count, job.text, job.start, job.end);
            break;
        }
        job.frame.reset();
        lock.lock();
        m_busy = false;
        if (r < 0 && !m_error) {
            m_error = r;
            m_queue.clear();
            m_videoQueued = 0;
        }
        m_changed.notify_all();
    }
}

} // namespace vel
