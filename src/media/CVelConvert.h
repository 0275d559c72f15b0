#pragma once

// The one object that drives the codec engine: it owns the engine timeline, keeps a media entry
// for every list item the engine accepted, converts the checked items of the media list (one
// output per item, or all merged into one), reports to the notify window with messages 3245 and
// 3246, and offers the preview and edit operations of the preview player and the edit dialogs.
//
// Threads. The public operations run on the user-interface thread (the thread of the notify
// window). The engine calls the progress and preview callbacks on its own threads; there the
// object touches only the named item's progress, elapsed time and state, starts the next item,
// and hands everything else to the notify window by message. Commands that change the media list
// stay disabled while a conversion runs, which keeps the list and the entries unchanged while an
// engine thread reads them.
//
// Each Start fences off the callbacks of the conversions before it: it waits for those in
// progress (they return at once, every request of theirs being withdrawn by the Stop), and the
// engine's later calls for earlier runs are ignored. Suspend, Resume and Stop are taken in one
// order with the engine thread's start of the next run, so a run started meanwhile starts in the
// state the conversion is in.
//
// Shutdown (also run by the destructor) withdraws every request a callback waits on (a blocking
// notification or the disk-space question not yet handled count as not answered, Cancel), then
// waits for the callbacks in progress without a time limit, and only then frees anything. The
// entries change only while no callback runs (Stop leaves the list commands enabled while a
// callback may still be on its way out).

#include "ExportDerivation.h"
#include "MediaItem.h"
#include "MessageTarget.h"
#include "VelSettings.h"
#include "velcodecapi.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// Messages to the notify window.
inline constexpr unsigned kMsgConvertNotify = 3245;  // lParam: VelNotification*
inline constexpr unsigned kMsgOutputFinished = 3246; // posted; lParam: const char* output path
// Posted when the engine has measured an item's output size; wParam: the media id (see
// takeMeasuredEstimate).
inline constexpr unsigned kMsgEstimateMeasured = 3247;
// Posted when the engine has measured an item's loudness; wParam: the media id (see
// takeMeasuredLoudness).
inline constexpr unsigned kMsgLoudnessMeasured = 3248;

// Codes of a 3245 notification.
inline constexpr int kNotifyItemState = 1;      // subject: the MediaItem
inline constexpr int kNotifyProgress = 2;       // subject: the MediaItem
inline constexpr int kNotifyItemFailed = 3;     // subject: the MediaItem
inline constexpr int kNotifyConversionOver = 4; // subject: none
inline constexpr int kNotifyPreviewEvent = 5;   // subject: the engine's tagVeldesEvent
inline constexpr int kNotifyOutputExists = 6;   // subject: char[VELDES_MAX_PATH], the output path

// What lParam of 3245 points at. For code 6 the handler may write a new zero-terminated path of
// at most VELDES_MAX_PATH - 1 bytes into the subject and answers with the rename decision
// (1 new name, 2 skip, 102 automatic unique name).
struct VelNotification {
    int code = 0;
    void* subject = nullptr;
};

// The activity state of the whole window.
inline constexpr int kStateIdle = 0;
inline constexpr int kStateConverting = 1;
inline constexpr int kStateSuspended = 2;
inline constexpr int kStatePreviewing = 3;
inline constexpr int kStatePreviewPaused = 4;

// Results of the checks before a run.
inline constexpr int kDiskCheckCancelled = -3;
inline constexpr int kDiskCheckItemSkipped = -4; // only with setDiskShortageSkipsItem
inline constexpr int kOutputSkipped = -1;

// Answers of the code-6 notification (the file rename dialog's results).
inline constexpr int kRenameAccepted = 1;
inline constexpr int kRenameSkip = 2;
inline constexpr int kRenameAuto = 102;

// Send time-out of the notifications that may be dropped (codes 1, 2, 3, 5).
inline constexpr int kNotifyTimeoutMs = 200;

class CVelConvert {
public:
    CVelConvert();
    virtual ~CVelConvert();
    CVelConvert(const CVelConvert&) = delete;
    CVelConvert& operator=(const CVelConvert&) = delete;

    // Once, by the owner: the preview surface (a message target handle, or null), the window
    // that receives 3245 and 3246 (a message target handle) and the settings record, which
    // carries the media list, the output folder, the option bits and the conversion cursor.
    void attach(void* previewWindow, void* notifyWindow, VelSettings* job);

    // --- media entries (user-interface thread, not while converting) --------------------------
    // 1 when the engine accepted the item's source, else 0.
    int addItem(MediaItem* item);
    // 1 when the item had an entry.
    int removeItem(MediaItem* item);
    void removeAll();
    // The engine's stream count for the item (negative on failure, 0 without entries); *streams
    // stays valid until the next query for that item.
    int mediaInfo(const MediaItem* item, tagVeldesStreamInfo** streams);
    // A copy of the item taken while no progress callback writes it: a callback of a stopped
    // run may still be on its way out when the item is duplicated.
    MediaItem copyOf(const MediaItem& item);
    // The sound and subtitle tracks of the item's source (VeldesGetMediaTracks): false when
    // the item has no entry.
    bool tracks(const MediaItem* item, std::vector<tagVeldesTrack>* tracks) const;
    // Writes the engine's duration into item->duration.
    void updateDuration(MediaItem* item);
    // Writes the output size estimate for the item's profile and clip into item->outputEstimate;
    // returns the engine's result (0 when the item has no entry or its streams are unknown).
    // The engine's first figure is computed at once; where the notify window is attached and
    // `measure` is set, a measured one is asked for, and kMsgEstimateMeasured tells when it is
    // there.
    int estimate(MediaItem* item, bool measure = true);
    // On kMsgEstimateMeasured: writes the measured figure into the media's item and returns the
    // item, or null when the item is gone or its setting changed since (a newer one is coming).
    // A clip found not to decode gets no figure (-1).
    MediaItem* takeMeasuredEstimate(int mediaId);
    // Waits for the measured figure and writes it into item->outputEstimate (the command line's
    // estimate). Returns the engine's result of the figure it wrote: negative, with the reason in
    // *failure (may be null) and -1 written, when the clip cannot be encoded.
    int measureEstimate(MediaItem* item, std::string* failure = nullptr);
    // The plan for the item's size limit, measured now: the video bit rate and predicted size;
    // false with the reason in *why when the limit cannot be met.
    bool planTargetSize(MediaItem* item, int64_t* videoBitRate, int64_t* predicted,
                        std::string* why);

    // CVelConvertLoudness.cpp. The item's loudness target and any figures measured before go to
    // the engine, which then measures in the background (the clip and export setting as the last
    // estimate left them): 2 when the figures are already in the
    // item, 0 when kMsgLoudnessMeasured will tell (where the notify window is attached),
    // negative when the item cannot be measured (no sound, a device).
    int measureLoudness(MediaItem* item);
    // On kMsgLoudnessMeasured: writes the figures into the media's item and returns it, or null
    // when the item is gone, its clip changed, or a conversion runs.
    MediaItem* takeMeasuredLoudness(int mediaId);
    // Measures the item's loudness now (the command line), as its profile converts it or, without
    // a profile, the source's own sound; `stop` (may be null) cancels. True with the figures.
    bool measureLoudnessNow(MediaItem* item, const std::atomic<bool>* stop,
                            tagVeldesLoudness* figures);
    // The loudness target of the item (and its figures) to the engine, for a preview or a run.
    void applyLoudness(const MediaItem& item);

    // --- conversion ----------------------------------------------------------------------------
    // Starts converting the checked items: merged when the settings' merge bit is set. Returns 1.
    int startConversion();
    void stop();
    void suspend();
    void resume();

    // --- preview -------------------------------------------------------------------------------
    // Opens a preview edit of the item with the preview callback, attaches its edits and plays.
    // 1 on success (state 3); 0 leaves the state as it was.
    int startPreview(MediaItem* item);
    // State 4 with VeldesPause, state 3 with VeldesPlay, state 0 with VeldesEditEnd.
    void pausePreview();
    void resumePreview();
    void stopPreview();
    // Passed to the engine only while previewing (states 3 and 4).
    void setPosition(int64_t ms);
    // The live application of one edit: the watermark (removed and added again), or one filter
    // (VELDES_FILTER_CROP, _CROP_SCALE, _FLIP, _COLOR) with the item's current values. Outside a
    // preview the call is bracketed by its own edit.
    int applyWatermark(MediaItem* item);
    int applyFilter(MediaItem* item, int filterId);
    int thumbnail(MediaItem* item, int width, int height);
    int thumbnailOnPause(int width, int height);
    // Volume 0..100 and the picture choice are the engine's for every preview; the paused frame
    // is presented again only while paused.
    void changeVolume(int volume);
    void showVideoEffect(bool withEffects);
    void refreshOutputWindow();

    // Ends runs (or the preview), removes every entry and destroys the timeline. Idempotent.
    void shutdown();

    // --- state ---------------------------------------------------------------------------------
    int state() const { return state_.load(); }
    void setState(int state) { state_.store(state); }
    bool closing() const { return closing_.load() != 0; }
    VeldesTimeline timeline() const { return timeline_; }
    // The item's media id, -1 without an entry.
    int mediaIdOf(const MediaItem* item) const;
    // The item's last run id, -1 when it never ran.
    int runIdOf(const MediaItem* item) const;
    // The output file each item made in its last finished conversion (items without one are
    // left out). Safe while a conversion runs.
    std::unordered_map<const MediaItem*, std::string> finishedOutputs() const;
    // Tells the object the file a restored "Finish" item made earlier.
    void setFinishedOutput(const MediaItem* item, const std::string& path);

    // --- checks before a run (exposed for the window and for tests) ---------------------------
    // Where nobody can be asked (the command line), an item too big for the disk is skipped
    // ("Convert Failed" with the reason) and the conversion goes on, instead of the message.
    void setDiskShortageSkipsItem(bool skip) { diskShortageSkipsItem_ = skip; }
    // 0 to go on; kDiskCheckCancelled after the user cancelled at the message (code 4 was sent);
    // kDiskCheckItemSkipped in skip mode (code 4 was sent for a merge run).
    int checkDiskSpace(MediaItem* item, bool merge);
    // On the current export info's output path: 0 to go on (the path may have changed) or
    // kOutputSkipped (in merge mode code 4 was sent).
    int checkExistingOutput();
    // The current run's record.
    const tagVeldesExportInfo& exportInfo() const { return exportInfo_; }

    struct CallbackGate;
    // Held by the user-interface thread while it changes the entries or the list's order and
    // contents (see CVelConvertRun.cpp); the thread that holds one may take more.
    class EntriesChange {
    public:
        explicit EntriesChange(CallbackGate* gate);
        ~EntriesChange();
        EntriesChange(const EntriesChange&) = delete;
        EntriesChange& operator=(const EntriesChange&) = delete;

    private:
        CallbackGate* gate_;
    };
    // For the window's own changes of the list: a stopped conversion's last callback may still
    // be reading it on its way to the next item.
    [[nodiscard]] EntriesChange listChange() { return EntriesChange(gate_); }

private:
    struct Entry {
        int mediaId = -1;
        std::atomic<int> runId{-1};
        MediaItem* item = nullptr;
        std::atomic<bool> estimateEdits{false}; // edits were attached for an estimate
        // A stopped recording still writing its file: its last event ends the item, whatever
        // conversion runs by then, and no conversion records it again before that.
        std::atomic<bool> windingUp{false};
        std::string output; // the last finished output; under pathsMutex_
        int burnSent = 0;   // the burned subtitle track the engine was told (user-interface thread)
    };
    enum class RunOutcome { Started, MoveOn, Ended };

    // CVelConvert.cpp
    Entry* entryOf(const MediaItem* item) const;
    Entry* entryOfMediaId(int mediaId) const;
    MediaList* list() const;
    MediaItem* firstChecked();
    MediaItem* nextChecked();
    MediaItem* lastChecked() const;
    int indexOf(const MediaItem* item) const;
    void applyClip(const MediaItem& item, int mediaId);
    // The streams the item's export setting is made from: its picture, and the sound it chose
    // (item.audioTrack; else the track the file marks default; else the first).
    ChosenStreams itemStreams(const MediaItem& item, int mediaId,
                              const tagVeldesStreamInfo* streams, int count) const;
    // Tells the engine the item's burned subtitle track when it changed.
    void applySubtitles(const MediaItem& item, Entry* entry);
    // Sets the export setting and clip and writes the instant figure; the engine's result.
    int computeEstimate(MediaItem* item, int mediaId);
    // An engine thread's word that a measurement is there: only a post of `Msg` with the media
    // id, which is safe whatever became of the window or of this object.
    template <unsigned Msg> static int measured(tagVeldesEvent* event, void* notifyWindow) {
        if (event && event->status >= 0)
            postMessage(notifyWindow, Msg, uintptr_t(event->mediaId), 0);
        return 0;
    }
    void forEachRun(int (*call)(VeldesTimeline, int));

    // Stop without letting go of the sleep inhibitor (a start takes it again at once).
    void stopRuns();
    // An item whose run was stopped was not converted, unless its run got to its end first.
    static void resetUnfinished(MediaItem* item);
    // Holds the sleep inhibitor while converting (see CVelConvert.cpp).
    void keepAwake(bool on);
    // The conversion is over: the inhibitor goes, and the window is told (code 4).
    void endConversion();

    // CVelConvertRun.cpp: runs, callbacks, notifications.
    void runFrom(MediaItem* item);
    // Records the run just started for the entry and brings it into the conversion's state
    // (stopped or suspended meanwhile).
    void bindRun(Entry* entry, int runId);
    RunOutcome singleRun(MediaItem* item);
    void mergeRun(MediaItem* item);
    // `merged`: the item heads a merge, whose other sources may bring what this one lacks.
    int prepareExportInfo(MediaItem* item, bool merged);
    // Why the engine refused the run just asked for, for the item's failure reason.
    std::string runRefusal() const;
    void nextItem();
    // The output was skipped (it exists and the person or the option said so).
    void markSkipped(MediaItem* item, bool tell = true);
    void mergeEnd(const tagVeldesEvent& event);
    void onMergeProgress(const tagVeldesEvent& event, MediaItem* item);
    // Every row of the merge run not failed yet fails with `reason`.
    void failMergeRows(const std::string& reason);
    int onProgress(const tagVeldesEvent& event);
    // The last event of a stopped recording, arriving after a new conversion started.
    void onEarlierRunEvent(const tagVeldesEvent& event);
    void finishItem(Entry* entry, const tagVeldesEvent& event);
    int onPreviewEvent(tagVeldesEvent* event);
    static int progressCallback(tagVeldesEvent* event, void* user);
    static int previewCallback(tagVeldesEvent* event, void* user);
    intptr_t notify(int code, void* subject, bool blocking);
    // True once waiting for the window no longer makes sense: stopped, or shutting down.
    bool requestWithdrawn() const;
    intptr_t sendUnlessWithdrawn(unsigned msg, intptr_t lParam);
    void postFinished(const char* path);
    void recordOutput(Entry* entry, const char* path);
    // What the engine gets as the callbacks' user value (see CVelConvertRun.cpp).
    struct RunTicket;
    static CallbackGate* openGate(CVelConvert* owner);
    // The user value for the engine's callbacks of the current conversion.
    void* callbackUser() const;
    // Start's fence: the callbacks of earlier conversions return and are ignored from now on.
    void fenceOffEarlierRuns();
    // The owner, or null when the call must be ignored; *earlier: the call is for a run of a
    // conversion before the current one.
    static CVelConvert* enterCallback(void* user, bool readsEntries, bool* earlier = nullptr);
    static void leaveCallback(void* user, bool readsEntries);
    void closeGate();

    // CVelConvertEdits.cpp: the edits of one source.
    int attachEdits(MediaItem* item, int mediaId);
    // The item's edits (or their removal) attached for a size estimate, while nothing runs.
    void attachEstimateEdits(MediaItem* item, Entry* entry);
    void removeCrop(int mediaId);
    int watermarkStep(const MediaItem& item, int mediaId);
    int colourStep(const MediaItem& item, int mediaId, bool always);
    int flipStep(const MediaItem& item, int mediaId, bool always);
    int cropRectStep(const MediaItem& item, int mediaId);
    int cropScaleStep(const MediaItem& item, int mediaId);
    int cropStep(const MediaItem& item, int mediaId);
    bool previewEditOpen() const;

    tagVeldesExportInfo exportInfo_{};
    VeldesTimeline timeline_ = nullptr;
    void* previewWindow_ = nullptr;
    void* notifyWindow_ = nullptr;
    std::atomic<int> state_{kStateIdle};
    VelSettings* job_ = nullptr;
    // Output paths of finished items, handed to the notify window by posted 3246 messages. Each
    // post gets its own string, kept until shutdown, so a later item cannot overwrite the path a
    // pending message points at.
    mutable std::mutex pathsMutex_;
    std::list<std::string> finishedPaths_;
    std::vector<std::unique_ptr<Entry>> entries_;
    std::atomic<int> closing_{0};
    std::atomic<bool> awake_{false}; // the sleep inhibitor is held
    int trackOption_ = 1;
    bool diskShortageSkipsItem_ = false;
    CallbackGate* gate_ = nullptr;
    // Orders the state changes of Suspend, Resume and Stop with bindRun.
    std::mutex runControlMutex_;
    // The rows of the merge run, in its order; the last one's event ends the run. Written before
    // the run starts, read by its callbacks.
    std::vector<MediaItem*> mergeRows_;
};
