// Encoding and multiplexing of a run on a thread of their own, behind a short queue, so the
// source's decoding and filtering go on while the encoders work. The frame and sample counts
// are those handed over, so the pass that feeds it keeps its timing exactly as before; a failure
// of the writer is returned by the next call.
#pragma once

#include "COutputWriter.h"
#include "CSampleTape.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace vel {

class CWriterThread {
public:
    // `abort` (may be null) ends a wait for room in the queue.
    CWriterThread(COutputWriter& writer, const std::atomic<bool>* abort);
    ~CWriterThread();
    CWriterThread(const CWriterThread&) = delete;
    CWriterThread& operator=(const CWriterThread&) = delete;

    // Also hands everything written from now on to `tape` (feeding thread only).
    void record(CSampleTape* tape) { m_tape = tape; }

    // Takes the frame's picture over (the frame is left empty).
    int writeVideo(AVFrame* frame);
    int writeAudio(const AVFrame* frame, int offset, int count);
    int writeSilence(int64_t samples);
    // One soft subtitle event (COutputWriter::writeSubtitle). Not recorded on a tape: a
    // measurement's replay has no subtitles.
    int writeSubtitle(int output, std::string dialogue, double start, double end);
    int64_t videoFrames() const { return m_videoFrames; }
    int64_t audioSamples() const { return m_audioSamples; }

    // Waits until everything queued is written; then the writer's own result.
    int drain();
    // Drops what is queued and ends the thread.
    void stop();

private:
    struct Job {
        enum class Kind { Video, Audio, Silence, Subtitle } kind;
        FramePtr frame;
        int offset = 0, count = 0;
        int64_t samples = 0;
        std::string text{}; // Subtitle: the dialogue, shown from `start` to `end` (output seconds)
        double start = 0.0, end = 0.0;
    };
    int push(Job job);
    void main();

    COutputWriter& m_writer;
    const std::atomic<bool>* m_abort;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_queue;
    size_t m_videoQueued = 0;
    bool m_busy = false;
    bool m_stopping = false;
    int m_error = 0;
    // Feeding thread only.
    int64_t m_videoFrames = 0, m_audioSamples = 0;
    CSampleTape* m_tape = nullptr;
    std::thread m_thread;
};

} // namespace vel
