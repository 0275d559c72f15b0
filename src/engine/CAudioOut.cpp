#include "CAudioOut.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace vel {

namespace {

// Samples per device buffer: about 20 ms, short enough for a prompt pause and a steady clock.
constexpr int kDeviceSamples = 1024;
// Smaller differences between where samples belong and where the queue ends are jitter.
constexpr double kContinuityTolerance = 0.02;

// SDL's sound is started once for the process and kept: starting and stopping it with every
// preview costs tens of milliseconds a stop cannot spare, and SDL's start-up counting is not meant
// for several threads.
bool audioStarted() {
    static const bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    return started;
}

// Devices are opened on the user-interface thread and may be closed on another one; SDL's device
// table is not guarded for that, so every open and close takes this lock.
std::mutex& deviceLock() {
    static std::mutex lock;
    return lock;
}

} // namespace

CAudioOut::~CAudioOut() {
    close();
}

bool CAudioOut::open(int sampleRate, int channels) {
    close();
    if (sampleRate <= 0 || channels <= 0)
        return false;
    if (!audioStarted())
        return false;
    SDL_AudioSpec want{};
    want.freq = sampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = Uint8(channels);
    want.samples = kDeviceSamples;
    want.callback = &CAudioOut::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the device takes, so the queue's format and
    // the clock's rate stay ours.
    m_fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_S16, channels, sampleRate));
    m_rate = sampleRate;
    m_channels = channels;
    if (m_fifo) {
        std::lock_guard lock(deviceLock());
        m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    }
    if (!m_device) {
        close();
        return false;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    // A real device plays one buffer behind the one it just asked for; the dummy driver asks
    // for each buffer when it starts "playing" it.
    bool dummy = driver && std::strcmp(driver, "dummy") == 0;
    m_latency = dummy ? 0.0 : double(have.samples) / sampleRate;
    reset(0.0);
    return true;
}

void CAudioOut::close() {
    if (m_device) {
        std::lock_guard lock(deviceLock());
        SDL_CloseAudioDevice(m_device); // waits for a callback in progress
        m_device = 0;
    }
    std::lock_guard lock(m_mutex);
    m_fifo.reset();
}

void CAudioOut::setPaused(bool paused) {
    {
        std::lock_guard lock(m_mutex);
        if (paused == m_paused)
            return;
        auto now = Clock::now();
        if (paused) {
            m_pausedAt = clockLocked(now);
        } else {
            m_chunkSeconds = m_pausedAt + m_latency;
            m_chunkLength = 0.0;
            m_chunkTime = now;
        }
        m_paused = paused;
    }
    if (m_device)
        SDL_PauseAudioDevice(m_device, paused ? 1 : 0);
}

void CAudioOut::reset(double seconds) {
    std::lock_guard lock(m_mutex);
    if (m_fifo)
        av_audio_fifo_reset(m_fifo.get());
    m_headSeconds = seconds;
    m_chunkSeconds = seconds + m_latency;
    m_chunkLength = 0.0;
    m_chunkTime = Clock::now();
    m_pausedAt = seconds;
    m_inputEnded = false;
}

void CAudioOut::write(const AVFrame* frame, double seconds) {
    std::lock_guard lock(m_mutex);
    if (!m_fifo || !frame || frame->nb_samples <= 0)
        return;
    const int frameBytes = 2 * m_channels;
    double end = m_headSeconds + double(av_audio_fifo_size(m_fifo.get())) / m_rate;
    const uint8_t* data = frame->data[0];
    int count = frame->nb_samples;
    if (seconds < end - kContinuityTolerance) {
        int skip = int(std::lround((end - seconds) * m_rate));
        if (skip >= count)
            return;
        data += size_t(skip) * frameBytes;
        count -= skip;
    } else if (seconds > end + kContinuityTolerance) {
        int silence = int(std::lround((seconds - end) * m_rate));
        std::vector<uint8_t> zeros(size_t(std::min(silence, m_rate)) * frameBytes, 0);
        while (silence > 0) {
            int n = std::min(silence, m_rate);
            void* planes[1] = {zeros.data()};
            if (av_audio_fifo_write(m_fifo.get(), planes, n) < n)
                return;
            silence -= n;
        }
    }
    void* planes[1] = {const_cast<uint8_t*>(data)};
    av_audio_fifo_write(m_fifo.get(), planes, count);
}

void CAudioOut::endOfInput() {
    std::lock_guard lock(m_mutex);
    m_inputEnded = true;
}

double CAudioOut::queuedSeconds() const {
    std::lock_guard lock(m_mutex);
    return m_fifo && m_rate > 0 ? double(av_audio_fifo_size(m_fifo.get())) / m_rate : 0.0;
}

bool CAudioOut::drained() const {
    std::lock_guard lock(m_mutex);
    if (!m_inputEnded || (m_fifo && av_audio_fifo_size(m_fifo.get()) > 0))
        return false;
    return std::chrono::duration<double>(Clock::now() - m_chunkTime).count() >=
           m_chunkLength + m_latency;
}

double CAudioOut::clock() const {
    std::lock_guard lock(m_mutex);
    return clockLocked(Clock::now());
}

double CAudioOut::clockLocked(Clock::time_point now) const {
    if (m_paused)
        return m_pausedAt;
    double into = std::chrono::duration<double>(now - m_chunkTime).count();
    return m_chunkSeconds + std::clamp(into, 0.0, m_chunkLength) - m_latency;
}

void CAudioOut::callback(void* user, uint8_t* stream, int length) {
    static_cast<CAudioOut*>(user)->fill(stream, length);
}

void CAudioOut::fill(uint8_t* stream, int length) {
    const int frameBytes = 2 * std::max(1, m_channels);
    int wanted = length / frameBytes;
    int got = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_fifo && !m_paused) {
            void* planes[1] = {stream};
            got = std::max(0, av_audio_fifo_read(m_fifo.get(), planes, wanted));
        }
        m_chunkSeconds = m_headSeconds;
        m_chunkLength = double(got) / std::max(1, m_rate);
        m_chunkTime = Clock::now();
        m_headSeconds += m_chunkLength;
    }
    std::memset(stream + size_t(got) * frameBytes, 0, size_t(length) - size_t(got) * frameBytes);
    int volume = std::clamp(m_volume.load(), 0, 100);
    if (volume < 100) {
        auto* samples = reinterpret_cast<int16_t*>(stream);
        const size_t n = size_t(got) * std::max(1, m_channels);
        for (size_t i = 0; i < n; ++i)
            samples[i] = int16_t(int(samples[i]) * volume / 100);
    }
}

} // namespace vel
