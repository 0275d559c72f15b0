// The preview's sound: an SDL audio device fed from a small sample queue, and the clock that the
// picture follows. The clock tells the media time of the sample being heard now; it stands
// still while paused or while the queue runs dry, so pictures never run ahead of the sound.
#pragma once

#include "AvUtil.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>

namespace vel {

class CAudioOut {
public:
    CAudioOut() = default;
    ~CAudioOut();
    CAudioOut(const CAudioOut&) = delete;
    CAudioOut& operator=(const CAudioOut&) = delete;

    // Opens the default output device, paused, for 16-bit interleaved samples. False when the
    // machine has no usable device: the player then keeps time by the system clock.
    bool open(int sampleRate, int channels);
    // Any thread; waits for the device's own thread to end (tens of milliseconds).
    void close();
    bool isOpen() const { return m_device != 0; }
    int sampleRate() const { return m_rate; }
    int channels() const { return m_channels; }

    void setPaused(bool paused);
    // 0..100, applied to the samples as they go out.
    void setVolume(int volume) { m_volume.store(volume); }

    // Forgets queued sound; the clock restarts at `seconds`.
    void reset(double seconds);
    // Appends interleaved 16-bit samples that start at `seconds` of the media: a gap is filled
    // with silence, an overlap is cut off, so the queue stays one continuous stretch of time.
    void write(const AVFrame* frame, double seconds);
    // No more samples will come (until the next reset): the queue plays out, then the clock
    // hands over to the system clock.
    void endOfInput();

    double queuedSeconds() const;
    // Played to the end of the input.
    bool drained() const;
    // Media time of what is heard now.
    double clock() const;

private:
    using Clock = std::chrono::steady_clock;
    static void callback(void* user, uint8_t* stream, int length);
    void fill(uint8_t* stream, int length);
    double clockLocked(Clock::time_point now) const;

    uint32_t m_device = 0; // SDL's device id
    int m_rate = 0, m_channels = 0;
    double m_latency = 0.0; // of the device beyond the buffer it was handed
    std::atomic<int> m_volume{100};

    mutable std::mutex m_mutex;
    AudioFifoPtr m_fifo;
    double m_headSeconds = 0.0;    // media time of the first queued sample
    double m_chunkSeconds = 0.0;   // media time of the first sample last handed to the device
    double m_chunkLength = 0.0;    // how long that chunk lasts (real samples only)
    Clock::time_point m_chunkTime; // when it was handed over
    bool m_paused = true;
    double m_pausedAt = 0.0;
    bool m_inputEnded = false;
};

} // namespace vel
