// Demultiplexing and decoding of a source on a thread of their own, a few frames ahead of the
// pass that filters them, so decoding overlaps with filtering and scaling.
#pragma once

#include "CMediaSource.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace vel {

class CDecodeAhead {
public:
    // Frames get their time from `begin` (seconds of the source). `abort` (may be null) ends a
    // wait for room.
    CDecodeAhead(CMediaSource& reader, double begin, const std::atomic<bool>* abort);
    ~CDecodeAhead();
    CDecodeAhead(const CDecodeAhead&) = delete;
    CDecodeAhead& operator=(const CDecodeAhead&) = delete;

    void start();
    // The next frame: 1 with its type, time and length, 0 at the end, or the reader's error.
    int next(AVFrame* frame, AVMediaType* type, double* t, double* length);
    // How far through the file the reader was when the last frame taken was read, 0..1.
    double fraction() const { return m_taken; }
    // Ends the thread; afterwards the reader is the caller's again.
    void stop();

private:
    struct Decoded {
        FramePtr frame;
        AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
        double t = 0.0, length = 0.0, fraction = 0.0;
    };
    void main();

    CMediaSource& m_reader;
    const double m_begin;
    const std::atomic<bool>* m_abort;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Decoded> m_queue;
    bool m_ended = false;
    int m_result = 0;
    bool m_stopping = false;
    double m_taken = 0.0;
    std::thread m_thread;
};

} // namespace vel
