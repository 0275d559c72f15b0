// The preview player of one media entry: a reader thread demultiplexes and decodes into a few
// queued pictures and a short sound queue; the sound goes to the audio device and is the clock;
// a presenter thread puts each picture through the entry's filter graph (or, for the original
// picture, through a plain one) and hands it to the preview window when the clock reaches it.
// Late pictures are dropped, sound never is.
//
// Threads. Every public operation is called on the host's user-interface thread and only sets
// requests and wakes the threads; none of them waits for a thread that may be inside a send to
// that same user-interface thread. release() joins the threads that end promptly and lets the
// others finish on their own: each thread holds the player alive until it ends.
#pragma once

#include "AvUtil.h"
#include "CAudioOut.h"
#include "CMediaSource.h"
#include "FilterGraph.h"
#include "MediaEdits.h"
#include "velcodecapi.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace vel {

struct PlayerSetup {
    MediaProbe probe;
    int videoStream = -1, audioStream = -1; // file stream index, -1 = the best one
    MediaEdits edits;
    VeldesWindow window = nullptr;
    VeldesEventCallback callback = nullptr;
    void* user = nullptr;
    int volume = 100;
    bool showEffects = true;
    SoundLevel level; // the loudness level the sound plays with
};

// What the player counted, for tests and the benchmark.
struct PlayerStats {
    int64_t presented = 0;
    int64_t dropped = 0;
    double firstFrameSeconds = -1.0; // from play() to the first picture handed over
    double lastSeekSeconds = -1.0;   // from the last seek to its first picture
    double lastOffset = 0.0;         // picture time minus clock, at the last presentation
    double worstOffset = 0.0;        // largest |offset| over presentations since play()
};

class CPlayer : public std::enable_shared_from_this<CPlayer> {
public:
    // Opens the sound device and starts both threads; nothing plays before play().
    static std::shared_ptr<CPlayer> start(PlayerSetup setup);
    ~CPlayer();
    CPlayer(const CPlayer&) = delete;
    CPlayer& operator=(const CPlayer&) = delete;

    void play();
    void pause();
    // Frame-accurate: the picture showing at `ms` is presented next (also while paused).
    void seek(int64_t ms);
    void setVolume(int volume);
    void showEffects(bool on);
    void setEdits(const MediaEdits& edits);
    // Plays the sound with this level from the next sound decoded on.
    void setSoundLevel(const SoundLevel& level);
    // Presents the last picture again.
    void refresh();
    // Asks for the pixels of the picture on show, at width x height (0 x 0: its own size), as a
    // snapshot event through `callback`. -1 when no picture was shown yet.
    int snapshot(int width, int height, VeldesEventCallback callback, void* user);

    // Stops both threads, closes the sound device and lets the threads go (see above).
    void release();

    PlayerStats stats() const;

private:
    explicit CPlayer(PlayerSetup setup);

    struct Queued {
        FramePtr frame;
        double t = 0.0, length = 0.0; // media seconds
        int generation = 0;
    };
    struct SnapshotRequest {
        int width = 0, height = 0;
        VeldesEventCallback callback = nullptr;
        void* user = nullptr;
    };
    // Presenter-only time when there is no sound to follow.
    struct WallClock {
        double base = 0.0;
        std::chrono::steady_clock::time_point at{};
        bool paused = true;
        double now() const;
        void set(double seconds);
        void setPaused(bool paused);
    };

    // CPlayer.cpp: control and the reader.
    void readerMain();
    int openReader(CMediaSource* source, CAudioFilter* audioFilter);
    bool waitForRoom(std::unique_lock<std::mutex>& lock);
    void takeSeek(std::unique_lock<std::mutex>& lock, CMediaSource* source,
                  CAudioFilter* audioFilter, double* dropBefore);
    void queueVideo(FramePtr frame, double t, double length, double dropBefore);
    void queueAudio(CAudioFilter* filter, AVFrame* frame, double t);

    // CPlayerPresenter.cpp: timing, filtering, presenting, events.
    void presenterMain();
    double masterClock();
    bool presentQueued(std::unique_lock<std::mutex>& lock, Queued queued);
    int filterPicture(std::unique_lock<std::mutex>& lock, const AVFrame* source, double t,
                      FramePtr* out);
    void present(std::unique_lock<std::mutex>& lock, const AVFrame* picture, int64_t positionMs);
    void sendPosition(std::unique_lock<std::mutex>& lock, int subKind, double seconds);
    void deliverSnapshot(std::unique_lock<std::mutex>& lock, const SnapshotRequest& request);
    // Runs `call` with the lock released, marked as inside the host; false (nothing run) once
    // the player is stopping.
    // What the sound device takes.
    AudioPlan devicePlan() const;
    template <typename Call>
    bool hostCall(std::unique_lock<std::mutex>& lock, bool* flag, Call call);

    const PlayerSetup m_setup;
    CAudioOut m_audio;
    bool m_audioOpen = false;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_abort{false}; // also interrupts the reader's blocking reads
    bool m_paused = true;
    bool m_hasVideo = false, m_hasAudio = false;
    std::deque<Queued> m_video;
    int m_generation = 0;       // raised by each seek; older pictures are dropped
    bool m_seekPending = false;
    double m_seekTarget = 0.0;
    bool m_showNext = false; // present the next picture at once (after a seek, also paused)
    bool m_readerEnded = false;
    bool m_readerFailed = false;
    bool m_endSent = false;
    bool m_refresh = false;
    bool m_effects = true;
    int m_editsVersion = 0;
    MediaEdits m_edits;
    SoundLevel m_level;
    bool m_levelChanged = false;
    std::deque<SnapshotRequest> m_snapshots;
    bool m_presenterInHost = false;
    bool m_readerDone = false, m_presenterDone = false;
    tagVeldesRenderRequest m_render{}; // the request in flight (withdrawn by release())
    PlayerStats m_stats;
    std::chrono::steady_clock::time_point m_playTime{}, m_seekTime{};
    bool m_waitFirstFrame = true, m_waitSeekFrame = false;

    // Presenter thread only.
    WallClock m_wall;
    double m_lastAudio = -1.0;
    std::chrono::steady_clock::time_point m_lastAudioChange{};
    CVideoFilter m_filter;
    int m_filterVersion = -1;
    bool m_filterEffects = true;
    int m_filterGeneration = -1;
    FramePtr m_lastSource;    // decoded picture last shown, for filtering it again
    double m_lastSourceT = 0.0;
    FramePtr m_lastPicture;   // as presented
    int m_presentedWidth = 0, m_presentedHeight = 0;
    std::chrono::steady_clock::time_point m_lastEvent{};
    AVRational m_timeBase{1, 90000};

    std::thread m_reader, m_presenter;
};

} // namespace vel
