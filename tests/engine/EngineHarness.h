// Shared pieces of the engine tests: a timeline that is destroyed with the test, export records
// built from a few numbers, and a recorder for the events of a run.
#pragma once

#include "velcodecapi.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace enginetest {

struct OutputSpec {
    std::string format = "mp4";
    int videoCodec = VELDES_VCODEC_H264;
    int videoBitrate = 400000;
    int width = 320, height = 240;
    double frameRate = 25.0;
    double aspect = 4.0 / 3.0;
    int audioCodec = VELDES_ACODEC_AAC;
    int audioBitrate = 96000;
    int sampleRate = 44100;
    int channels = 2;
};

// A zero-filled export record as the caller builds it (callback and user left to the recorder).
tagVeldesExportInfo exportInfo(const OutputSpec& spec, const std::string& outputPath);

class RunRecorder {
public:
    // The run ends with an event of `lastMediaId` carrying 10000 or a negative status.
    explicit RunRecorder(int lastMediaId) : m_lastId(lastMediaId) {}

    void attach(tagVeldesExportInfo* info);
    bool wait(std::chrono::milliseconds timeout = std::chrono::seconds(120));
    bool ended() const;
    bool succeeded() const;
    std::vector<tagVeldesEvent> events() const;
    // Runs on the engine's thread for every event, before it is recorded as the end.
    std::function<void(const tagVeldesEvent&)> onEvent;

private:
    static int callback(tagVeldesEvent* event, void* user);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<tagVeldesEvent> m_events;
    int m_lastId;
    bool m_ended = false;
    bool m_succeeded = false;
};

class Timeline {
public:
    Timeline() : m_handle(CreateTimeline(1)) {}
    ~Timeline() { DestroyTimeline(m_handle); }
    Timeline(const Timeline&) = delete;
    Timeline& operator=(const Timeline&) = delete;

    VeldesTimeline handle() const { return m_handle; }
    int add(const std::string& path);
    // Runs the ids into `info`'s output and waits for the end; the run id, or VeldesRun's error.
    int runAndWait(const std::vector<int>& ids, tagVeldesExportInfo info, RunRecorder* recorder);

private:
    VeldesTimeline m_handle;
};

// Asks for the media's measured size and waits for it: VeldesGetMediaEncodedSize's result
// afterwards (2 for a measured figure), or -1 when no measurement came within the time.
int measuredSize(VeldesTimeline timeline, int mediaId, int64_t* bytes,
                 std::chrono::milliseconds timeout = std::chrono::seconds(300));

// Generated sources: H.264 + AAC in mp4 (even sizes), and a lossless 4:2:0 picture in
// Matroska that can have odd sizes. sampleRate 0: no audio.
std::string sourcePath(int width, int height, const std::string& rate, double seconds,
                       int sampleRate);
std::string oddSource(int width, int height, const std::string& rate, double seconds,
                      int sampleRate);

// The preview window as the engine sees it through VelSendMessage (defined by the harness), and
// the edit callback: both record everything the player hands over.
struct Presented {
    double at;          // seconds since the recorder was reset
    int64_t positionMs; // of the picture
    int width, height;
    int centreLuma;
};

// Stands in for the preview window and the edit callback: everything the player hands over.
struct Window {
    std::mutex mutex;
    std::condition_variable changed;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::vector<Presented> frames;
    std::vector<std::pair<int, int>> sizes;
    std::vector<tagVeldesEvent> events;
    std::vector<double> eventTimes;
    std::vector<uint8_t> snapshot; // BGRA of the last snapshot event
    std::vector<uint8_t> luma;     // Y plane of the last picture, rows of its width
    // Mean luma of a rectangle of the last picture, given as fractions of its size.
    double lumaOf(double x0, double y0, double x1, double y1) const;
    int withdrawn = 0;             // presents that arrived without a picture
    bool block = false;            // the "user-interface thread" is busy: sends wait
    int inSend = 0;

    void reset() {
        std::lock_guard lock(mutex);
        start = std::chrono::steady_clock::now();
        frames.clear();
        events.clear();
        eventTimes.clear();
    }
    double now() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    template <typename Pred>
    bool waitFor(Pred pred, std::chrono::milliseconds timeout = std::chrono::milliseconds(10000)) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return pred(); });
    }
    bool ended() {
        for (const auto& e : events)
            if (e.kind == VELDES_EVENT_POSITION && (e.subKind == 5 || e.subKind == 7))
                return true;
        return false;
    }
};

Window& previewWindow();
int recordEditEvent(tagVeldesEvent* event, void* user);

// Processor time of every thread of the process so far, in seconds. Benchmarks compare it rather
// than time on the clock where a shared machine's load would swamp the ratio (the size
// measurement also runs at the lowest priority).
double processCpuSeconds();

} // namespace enginetest
