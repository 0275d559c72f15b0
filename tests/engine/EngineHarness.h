// Shared pieces of the engine tests: a timeline that is destroyed with the test, export records
// built from a few numbers, and a recorder for the events of a run.
#pragma once

#include "velcodecapi.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
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

// Generated sources: H.264 + AAC in mp4 (even sizes), and a lossless 4:2:0 picture in
// Matroska that can have odd sizes. sampleRate 0: no audio.
std::string sourcePath(int width, int height, const std::string& rate, double seconds,
                       int sampleRate);
std::string oddSource(int width, int height, const std::string& rate, double seconds,
                      int sampleRate);

} // namespace enginetest
