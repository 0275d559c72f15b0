#include "CDecodeAhead.h"

#include <chrono>

namespace vel {

namespace {

// Pictures and sound frames together: a few pictures' worth.
constexpr size_t kQueued = 16;
constexpr auto kAbortPoll = std::chrono::milliseconds(20);

} // namespace

CDecodeAhead::CDecodeAhead(CMediaSource& reader, double begin, const std::atomic<bool>* abort)
    : m_reader(reader), m_begin(begin), m_abort(abort) {}

CDecodeAhead::~CDecodeAhead() {
    stop();
}

void CDecodeAhead::start() {
    if (!m_thread.joinable())
        m_thread = std::thread([this] { main(); });
}

void CDecodeAhead::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

int CDecodeAhead::next(AVFrame* frame, AVMediaType* type, double* t, double* length) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (!m_queue.empty())
            break;
        if (m_ended)
            return m_result;
        if (m_abort && m_abort->load())
            return AVERROR_EXIT;
        m_changed.wait_for(lock, kAbortPoll);
    }
    Decoded& d = m_queue.front();
    av_frame_move_ref(frame, d.frame.get());
    *type = d.type;
    *t = d.t;
    *length = d.length;
    m_taken = d.fraction;
    m_queue.pop_front();
    m_changed.notify_all();
    return 1;
}

void CDecodeAhead::main() {
    for (;;) {
        Decoded d{makeFrame()};
        int r = d.frame ? m_reader.next(d.frame.get(), &d.type) : AVERROR(ENOMEM);
        if (r == 1) {
            d.t = m_reader.frameSeconds(d.frame.get(), d.type, &d.length) - m_begin;
            d.fraction = m_reader.readFraction();
        }
        std::unique_lock lock(m_mutex);
        if (r != 1) {
            m_ended = true;
            m_result = r;
            m_changed.notify_all();
            return;
        }
        m_changed.wait(lock, [this] { return m_stopping || m_queue.size() < kQueued; });
        if (m_stopping)
            return;
        m_queue.push_back(std::move(d));
        m_changed.notify_all();
    }
}

} // namespace vel
