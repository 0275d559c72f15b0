// The engine behind one timeline handle: the media entries (probe, export setting, clip, edits),
// the open edit bracket, and the runs. One mutex guards the entries; it is never held while a
// file is opened or a callback runs, and runs work on their own copies.
#pragma once

#include "CMediaSource.h"
#include "CPlayer.h"
#include "CRunWorker.h"
#include "CSizeSampler.h"
#include "MediaEdits.h"
#include "SoundLevel.h"
#include "velcodecapi.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace vel {

class CTimeline {
public:
    CTimeline() = default;
    ~CTimeline();
    CTimeline(const CTimeline&) = delete;
    CTimeline& operator=(const CTimeline&) = delete;

    int addMedia(const tagVeldesTrackInfo* track);
    int removeMedia(int mediaId);
    int mediaInfo(int mediaId, tagVeldesStreamInfo** streams);
    int duration(int mediaId, int64_t* durationMs);
    // The sound and subtitle tracks (VeldesGetMediaTracks), and the subtitle track burned into
    // the pictures (0: none).
    int mediaTracks(int mediaId, tagVeldesTrack** tracks);
    int setSubtitles(int mediaId, int burnTrack);
    int setExportSetting(int mediaId, const tagVeldesExportSetting* setting);
    int setBegin(int mediaId, int64_t positionMs);
    int setStop(int mediaId, int64_t positionMs);
    // CTimelineFit.cpp: the size a media's output must not exceed (0 = none), and the plan for it
    // measured on the calling thread.
    int setTargetSize(int mediaId, int64_t bytes);
    int planTargetSize(int mediaId, int64_t bytes, int64_t* videoBitRate, int64_t* predicted,
                       std::string* why);
    // CTimelineLoudness.cpp: the media's loudness target (with figures the host measured before,
    // or null), the background measurement, and the figures valid for the clip and setting.
    int setLoudness(int mediaId, const LoudnessTarget& target, const LoudnessFigures* known);
    int measureLoudness(int mediaId, VeldesEventCallback callback, void* user, bool cancel);
    int loudness(int mediaId, LoudnessFigures* figures);
    int encodedSize(int mediaId, int64_t* bytes);
    int measureSize(int mediaId, VeldesEventCallback callback, void* user);

    int run(const int* mediaIds, int count, const tagVeldesExportInfo* info);
    // Why the last run() was refused, in words a person understands; empty after a start.
    std::string lastRefusal() const;
    int suspend(int runId);
    int resume(int runId);
    int skip(int runId);

    int editBegin(const tagVeldesEditInfo* edit);
    int editEnd();
    int addFilter(int filterId, const tagVeldesFilterInfo* filter);
    int addWatermark(int filterId, const tagVeldesFilterInfo* filter);
    int removeWatermark(int mediaId);

    // The preview player of the open edit (an edit opened with a callback).
    int play();
    int pause();
    int setPosition(int64_t ms);
    void refresh();
    void setVolume(int volume);
    void showEffects(bool on);
    int thumbnail(int mediaId, int width, int height);
    int thumbnailOnPause(int width, int height, VeldesEventCallback callback, void* user);
    // The open preview's player, or null (tests and benchmarks read its figures).
    std::shared_ptr<CPlayer> player();

    // Stops every run (signals, then joins those not inside a callback) and drops all media.
    void shutdown();

private:
    struct Media {
        MediaProbe probe;
        std::optional<tagVeldesExportSetting> setting;
        int64_t beginMs = 0;
        int64_t stopMs = -1;
        MediaEdits edits;
        std::string measuredKey; // what measuredBytes was measured for
        int64_t measuredBytes = 0; // -1: the clip cannot be encoded, for measuredStatus
        int measuredStatus = 0;
        int64_t targetBytes = 0;
        LoudnessTarget loudness;
        std::string loudnessKey; // the clip and shape loudnessFigures were measured for
        std::optional<LoudnessFigures> loudnessFigures;
        std::string levelKey; // ... and target and encoder soundLevel was resolved for
        std::optional<SoundLevel> soundLevel;
        int burnTrack = 0; // number of the subtitle track drawn into the pictures, 0: none
        // The source's subtitles once read; only for sources that have subtitle tracks.
        std::shared_ptr<SourceSubtitles> subtitles;
    };

    Media* find(int mediaId);
    // What the media's export setting asks for, with its picture's shape (lock held).
    static ExportTarget targetFor(const Media& media);
    // The run's view of one media (lock held).
    PassSource passSource(int mediaId, const Media& media) const;
    // Hands the edits of the previewed media to its player (lock held).
    void editsChanged(int mediaId);
    // The sound shape the media's setting converts into (lock held); false without one.
    static bool soundShape(const Media& media, AudioPlan* audio);
    // What the loudness figures of a clip are valid for, in a shape (rate and channels, 0 =
    // the source's own), and a level for a target besides.
    static std::string loudnessKey(const Media& media, int sampleRate, int channels);
    static std::string levelKey(const Media& media, const AudioPlan& audio,
                                const LoudnessTarget& target);
    // The level the media's preview plays with (lock held): none until measured.
    SoundLevel previewLevel(const Media& media) const;
    // Hands the level to the preview player when the media is the one previewed (lock held).
    void levelChanged(int mediaId);
    // The measuring thread, started with the first measurement (lock held).
    CSizeSampler& sampler();
    // Takes the player out (lock held); the caller releases it after unlocking.
    std::shared_ptr<CPlayer> takePlayer();
    Media* editedMedia();
    std::shared_ptr<CRunWorker> findRun(int runId);
    // Joins runs whose thread has finished (cheap: they have nothing left to do).
    void reapFinishedRuns();

    mutable std::mutex m_mutex;
    std::string m_lastRefusal;
    int m_nextMediaId = 1;
    int m_nextRunId = 1;
    std::map<int, Media> m_media;
    std::map<int, std::shared_ptr<CRunWorker>> m_runs;
    int m_editMediaId = -1; // media of the open edit bracket
    bool m_closed = false;  // shut down: a callback still running may not start new runs
    std::shared_ptr<CPlayer> m_player;
    // Started with the first measurement; stopped (outside the lock) by shutdown.
    std::unique_ptr<CSizeSampler> m_sampler;
    VeldesEventCallback m_editCallback = nullptr;
    void* m_editUser = nullptr;
    int m_volume = 100;
    bool m_showEffects = true;
};

} // namespace vel
