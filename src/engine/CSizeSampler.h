// Measured size estimates. Encoders spend bits by content in ways no formula follows: an easy
// scene stays far below its bit rate, noise cannot get down to it, and a short clip is mostly
// the encoders' start. So the clip (when short) or samples spread over it are encoded with the
// export setting and edits exactly as a run would, and the sample's size is scaled to the clip:
// ordinary and key pictures apart, sound (cheap, and slow to settle) encoded whole.
// One thread of low priority per timeline works through the requests and starts none while a
// run converts: the figure is for planning, the conversion comes first.
#pragma once

#include "CEncodedSound.h"
#include "CSampleTape.h"
#include "CSourcePass.h"
#include "ContentScan.h"
#include "OutputPlan.h"
#include "velcodecapi.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vel {

struct SizeRequest {
    std::string key; // what the figure is valid for (see sizeKey)
    PassSource clip; // the whole clip, with its edits
    OutputPlan plan;
    VeldesEventCallback callback = nullptr;
    void* user = nullptr;
    // Other measuring work for the same thread (kind > 0), run instead of the size measurement:
    // it stores its own result and sends its own event, unless `abort` was set meanwhile.
    int kind = 0;
    std::function<void(const std::atomic<bool>* abort)> work;
};

// What repeated measurements of one clip at other video bit rates carry over (each part may
// be null). `knownSound`: the clip's sound bytes from an earlier measurement of the same
// sound plan, which then is not encoded again. `whole`: where the sample was the whole clip,
// it is kept as a file of its own there (the caller removes it); else it is left empty.
// `tape`: the passes' output, recorded by the first measurement and played to the later ones.
struct SampleReuse {
    const double* knownSound = nullptr;
    std::string* whole = nullptr;
    CSampleTape* tape = nullptr;
};

class CSizeSampler {
public:
    // Called on the sampler's thread with each measurement that was not cancelled, before the
    // request's callback; bytes < 0 when the clip could not be encoded, with the reason in
    // `status` (negative).
    using Store =
        std::function<void(int mediaId, const std::string& key, int64_t bytes, int status)>;
    explicit CSizeSampler(Store store);
    ~CSizeSampler();
    CSizeSampler(const CSizeSampler&) = delete;
    CSizeSampler& operator=(const CSizeSampler&) = delete;

    // Queues a measurement; it replaces a waiting one of the same media and kind and cancels one
    // of the same media and kind in progress.
    void request(SizeRequest request);
    // Cancels the media's measurements of one kind, or of every kind (-1).
    void cancel(int mediaId, int kind = -1);
    // Cancels everything and joins the thread. The callbacks must not wait for the caller.
    void stop();

    // The length of a clip in seconds (0 or less when not known).
    static double clipSeconds(const PassSource& clip);
    // What a figure measured for `clip` encoded by `target` is valid for.
    static std::string sizeKey(const ExportTarget& target, const PassSource& clip);
    // The parts of a clip of `seconds` that are encoded: the clip itself when it is short, else
    // windows over each part of like content the scan finds (SampleWindows.h), shorter for large
    // pictures so a measurement stays cheap. `represents` (may be null): the seconds of the clip
    // each stands for.
    static std::vector<PassSource> windows(const PassSource& clip, double seconds,
                                           const OutputPlan& plan, const ContentScan& scan,
                                           std::vector<double>* represents = nullptr);
    // Whether a measurement of `clip` encodes all of it (a short clip) rather than windows.
    static bool encodesWhole(const PassSource& clip, const OutputPlan& plan);
    // The clip's sound bytes as its encoder makes them, measured alone; -1 where they cannot
    // be. `keep` (may be null): where the whole sound was encoded, it is kept there for a run.
    static int64_t measureSound(const PassSource& clip, const OutputPlan& plan,
                                const std::atomic<bool>* abort,
                                std::shared_ptr<const CEncodedSound>* keep);
    // Whether the encoder's average rate reaches its target over a run wherever the content can
    // take it (x264): what a sample spends under the target is its rate control on its way.
    static bool reachingEncoder(const AVCodec* encoder);
    // Whether the encoder's rate control works an early excess over its rate off only slowly.
    static bool settlingEncoder(const AVCodec* encoder);
    // What a measured size is made of, in bytes for the whole clip.
    struct Parts {
        double video = 0.0, sound = 0.0, container = 0.0;
        // The share of the sample's pictures coded at the encoder's finest quantiser (where it
        // tells): content that needs less than it was given.
        double finest = 0.0;
    };
    // Measures on the calling thread: the windows' encoded size scaled to the clip (and, when
    // asked, its parts). 0, or a negative AVERROR (AVERROR_EXIT when `abort` was set).
    static int measure(const PassSource& clip, const OutputPlan& plan,
                       const std::atomic<bool>* abort, int64_t* bytes, Parts* parts = nullptr,
                       const SampleReuse& reuse = {});

private:
    void main();

    Store m_store;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    // Requests in order with their tickets. A media's request of a kind is live while its ticket is
    // the one in m_live; replaced and cancelled ones are dropped when they come up, so that
    // queueing and cancelling cost the same with ten thousand media waiting as with one.
    struct Queued {
        uint64_t ticket = 0;
        SizeRequest request;
    };
    bool live(const Queued& queued) const;
    std::deque<Queued> m_queue;
    std::map<std::pair<int, int>, uint64_t> m_live; // by media and kind
    uint64_t m_nextTicket = 0;
    int m_current = -1; // media being measured
    int m_currentKind = 0;
    bool m_stopping = false;
    std::atomic<bool> m_abortCurrent{false};
    std::thread m_thread;
};

} // namespace vel
