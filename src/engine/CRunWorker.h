// One run: its own thread exports the sources in order into one output and reports progress
// through the caller's callback. Suspend, resume and skip only set flags and wake the thread;
// nothing here ever makes the calling thread wait for a worker that is inside the callback.
#pragma once

#include "CSourcePass.h"
#include "OutputPlan.h"
#include "SizeFit.h"
#include "velcodecapi.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vel {

struct RunRequest {
    int runId = 0;
    std::vector<PassSource> sources; // in export order
    OutputPlan plan;
    std::string outputPath;
    bool replaceExisting = false;
    VeldesEventCallback callback = nullptr;
    void* user = nullptr;
    VeldesWindow previewWindow = nullptr;
    int64_t targetBytes = 0; // the output at most this large; 0 = no limit
};

class CRunWorker : public std::enable_shared_from_this<CRunWorker>, private IPassControl {
public:
    static std::shared_ptr<CRunWorker> start(RunRequest request);
    // Threads of runs that have not yet ended and let go of everything they held, detached ones
    // included. For harnesses that must see the engine at rest between inputs.
    static int threadsAlive();
    ~CRunWorker() override;

    int runId() const { return m_request.runId; }
    void suspend();
    void resume();
    // Ends the run: the thread stops within one frame's work, deletes its partial output and
    // sends no further events. A recording (every source a capture device) is not thrown away:
    // it ends as if its time limit were reached there, and its file is finished and named.
    void skip();
    // The thread has sent its last event.
    bool finished() const { return m_finished.load(); }

    // The owner lets go of the run: joins the thread, unless the thread is inside the callback
    // (or is the calling thread); then it is detached and never calls back again.
    void release();

private:
    explicit CRunWorker(RunRequest request);
    void main();
    int exportAll(CWriterThread* writer);
    // One pass: exports everything into `writer` and names the output; 0, kAborted or an error.
    int exportPass(COutputWriter& writer, int lastId);
    // Names a finished encode of the whole run (a size limit's calibration) as the output, as a
    // pass would: 0 with *named set, kAborted or an error with *error saying why.
    int deliverEncoded(const std::string& encoded, std::string* named, std::string* error);
    void emit(int mediaId, int progress, int64_t status, const char* outputPath = nullptr,
              const char* message = nullptr);
    // A failure event carrying the writer's account of it, else FFmpeg's text of the code.
    void emitFailure(int mediaId, int progress, int status, const COutputWriter& writer);
    int64_t elapsedSeconds();

    bool proceed() override;
    void progress(int mediaId, int value) override;
    const std::atomic<bool>* abortFlag() const override { return &m_abort; }
    void preview(const AVFrame* picture) override;

    static int interrupt(void* opaque);

    using Clock = std::chrono::steady_clock;

    RunRequest m_request;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_suspended = false;
    bool m_inCallback = false;
    bool m_callbacksClosed = false;
    std::atomic<bool> m_abort{false};
    std::atomic<bool> m_windUp{false}; // a stopped recording: end the input, keep the file
    bool m_recording = false;
    std::atomic<bool> m_finished{false};

    // Worker thread only.
    Clock::time_point m_sourceStart;
    Clock::duration m_pausedTime{};
    Clock::time_point m_lastEvent;
    Clock::time_point m_lastPreview{};
    int m_previewWidth = 0, m_previewHeight = 0;
    int m_lastReported = -1;
    int m_failedId = -1;
    // The sound a size limit's measurement encoded, written instead of encoding it again.
    std::shared_ptr<const CEncodedSound> m_sound;
};

} // namespace vel
