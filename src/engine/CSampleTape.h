// What the source passes of a size measurement handed to its writer (pictures already decoded,
// edited and scaled, sound already resampled), kept so the next measurement of the same clip at
// another bit rate only encodes: a fit measures a few times, and decoding a large source can cost
// more than encoding a small output. Up to a memory limit; past it the tape gives up and the
// measurements decode again.
#pragma once

#include "AvUtil.h"
#include "SamplePictureBits.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vel {

class CWriterThread;

class CSampleTape {
public:
    explicit CSampleTape(size_t limitBytes = kDefaultLimit) : m_limit(limitBytes) {}

    // While recording (called by the writer's feeder, in order).
    void video(const AVFrame* frame);
    void audio(const AVFrame* frame, int offset, int count);
    void silence(int64_t samples);
    // The recording is complete: where the windows went in the sample, and the sampled seconds.
    void finish(std::vector<SampleSpan> spans, double sampled);
    // The recording failed or ran past the limit: nothing is kept, and nothing recorded again.
    void drop();

    bool ready() const { return m_ready; }
    bool recording() const { return !m_ready && !m_dropped; }
    // Hands everything over again, as the passes did; 0 or the writer's error.
    int play(CWriterThread& writer) const;
    const std::vector<SampleSpan>& spans() const { return m_spans; }
    double sampled() const { return m_sampled; }

    static constexpr size_t kDefaultLimit = size_t(256) << 20;

private:
    struct Entry {
        FramePtr frame; // null for silence
        int offset = 0;
        int64_t count = 0; // samples of sound or silence; 0 for a picture
    };
    // A picture (count 0), sound, or silence (no frame).
    void add(const AVFrame* frame, int offset, int64_t count);

    size_t m_limit;
    size_t m_bytes = 0;
    bool m_dropped = false, m_ready = false;
    std::vector<Entry> m_entries;
    std::vector<SampleSpan> m_spans;
    double m_sampled = 0.0;
};

} // namespace vel
