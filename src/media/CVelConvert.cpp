// CVelConvert: construction, media entries, estimates, conversion control, preview and shutdown.
// The runs and callbacks are in CVelConvertRun.cpp, the edits in CVelConvertEdits.cpp, the checks
// before a run in CVelConvertChecks.cpp.
#include "CVelConvert.h"

#include "EngineWait.h"
#include "ExportDerivation.h"
#include "MessageTarget.h"
#include "PlatformServices.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {
// VeldesGetMediaEncodedSize's kinds of figure.
constexpr int kComputedEstimate = 1;
constexpr int kMeasuredEstimate = 2;
} // namespace

CVelConvert::CVelConvert() : gate_(openGate(this)) {
    timeline_ = CreateTimeline(1);
}

CVelConvert::~CVelConvert() {
    shutdown();
}

void CVelConvert::attach(void* previewWindow, void* notifyWindow, VelSettings* job) {
    previewWindow_ = previewWindow;
    notifyWindow_ = notifyWindow;
    job_ = job;
}

// --- lookups -----------------------------------------------------------------------------------

CVelConvert::Entry* CVelConvert::entryOf(const MediaItem* item) const {
    for (const auto& entry : entries_) {
        if (entry->item == item) {
            return entry.get();
        }
    }
    return nullptr;
}

CVelConvert::Entry* CVelConvert::entryOfMediaId(int mediaId) const {
    for (const auto& entry : entries_) {
        if (entry->mediaId == mediaId) {
            return entry.get();
        }
    }
    return nullptr;
}

int CVelConvert::mediaIdOf(const MediaItem* item) const {
    const Entry* entry = entryOf(item);
    return entry ? entry->mediaId : -1;
}

int CVelConvert::runIdOf(const MediaItem* item) const {
    const Entry* entry = entryOf(item);
    return entry ? entry->runId.load() : -1;
}

MediaList* CVelConvert::list() const {
    return job_ ? job_->mediaList : nullptr;
}

int CVelConvert::indexOf(const MediaItem* item) const {
    const MediaList* items = list();
    for (size_t i = 0; items && i < items->size(); ++i) {
        if ((*items)[i].get() == item) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

MediaItem* CVelConvert::firstChecked() {
    const MediaList* items = list();
    for (size_t i = 0; items && i < items->size(); ++i) {
        if ((*items)[i]->hasState(kItemChecked)) {
            job_->conversionCursor.store(static_cast<int32_t>(i));
            return (*items)[i].get();
        }
    }
    return nullptr;
}

MediaItem* CVelConvert::nextChecked() {
    const MediaList* items = list();
    if (!items) {
        return nullptr;
    }
    const int start = std::max(job_->conversionCursor.load() + 1, 0);
    for (size_t i = static_cast<size_t>(start); i < items->size(); ++i) {
        if ((*items)[i]->hasState(kItemChecked)) {
            job_->conversionCursor.store(static_cast<int32_t>(i));
            return (*items)[i].get();
        }
    }
    return nullptr;
}

// The walk from the first checked item to the last, without moving the cursor.
MediaItem* CVelConvert::lastChecked() const {
    const MediaList* items = list();
    MediaItem* last = nullptr;
    for (size_t i = 0; items && i < items->size(); ++i) {
        if ((*items)[i]->hasState(kItemChecked) && entryOf((*items)[i].get())) {
            last = (*items)[i].get();
        }
    }
    return last;
}

// --- media entries -----------------------------------------------------------------------------

int CVelConvert::addItem(MediaItem* item) {
    if (!timeline_ || !item) {
        return 0;
    }
    const uint32_t flags = job_ ? job_->optionFlags.load() : 0;
    tagVeldesTrackInfo track;
    std::memset(&track, 0, sizeof track);
    track.option = trackOption_;
    track.path = item->sourcePath.c_str();
    track.enableDirectShow = (flags & kOptionDirectShow) ? 1 : 0;
    track.enableQuickTime = (flags & kOptionQuickTime) ? 1 : 0;
    const int mediaId = VeldesAddMedia2(timeline_, &track, nullptr, 0);
    if (mediaId < 0) {
        return 0;
    }
    auto entry = std::make_unique<Entry>();
    entry->mediaId = mediaId;
    entry->item = item;
    EntriesChange change(gate_);
    entries_.push_back(std::move(entry));
    return 1;
}

int CVelConvert::removeItem(MediaItem* item) {
    EntriesChange change(gate_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if ((*it)->item == item) {
            if ((*it)->mediaId >= 0 && timeline_) {
                VeldesRemoveWatermark(timeline_, (*it)->mediaId);
                VeldesRemoveMedia(timeline_, (*it)->mediaId);
            }
            entries_.erase(it);
            return 1;
        }
    }
    return 0;
}

void CVelConvert::removeAll() {
    EntriesChange change(gate_);
    while (!entries_.empty()) {
        const Entry& entry = *entries_.back();
        if (entry.mediaId >= 0 && timeline_) {
            VeldesRemoveWatermark(timeline_, entry.mediaId);
            VeldesRemoveMedia(timeline_, entry.mediaId);
        }
        entries_.pop_back();
    }
}

int CVelConvert::mediaInfo(const MediaItem* item, tagVeldesStreamInfo** streams) {
    const Entry* entry = entryOf(item);
    if (entries_.empty() || !entry || !timeline_) {
        return 0;
    }
    return VeldesGetMediaInfo(timeline_, entry->mediaId, streams);
}

MediaItem CVelConvert::copyOf(const MediaItem& item) {
    EntriesChange quiet(gate_);
    return item;
}

bool CVelConvert::tracks(const MediaItem* item, std::vector<tagVeldesTrack>* out) const {
    out->clear();
    const Entry* entry = entryOf(item);
    if (!entry || !timeline_) {
        return false;
    }
    tagVeldesTrack* records = nullptr;
    const int count = VeldesGetMediaTracks(timeline_, entry->mediaId, &records);
    if (count < 0) {
        return false;
    }
    if (records && count > 0) {
        out->assign(records, records + count);
    }
    return true;
}

ChosenStreams CVelConvert::itemStreams(const MediaItem& item, int mediaId,
                                       const tagVeldesStreamInfo* streams, int count) const {
    ChosenStreams chosen = chooseStreams(streams, count);
    const int sounds = static_cast<int>(std::count_if(
        streams, streams + std::max(0, count),
        [](const tagVeldesStreamInfo& s) { return s.type == VELDES_STREAM_AUDIO; }));
    if (!streams || sounds < 2) {
        return chosen; // nothing to choose between
    }
    tagVeldesTrack* tracks = nullptr;
    const int trackCount = VeldesGetMediaTracks(timeline_, mediaId, &tracks);
    const tagVeldesTrack* wanted = nullptr;
    for (int pass = 0; pass < 3 && !wanted; ++pass) {
        for (int i = 0; tracks && i < trackCount && !wanted; ++i) {
            const tagVeldesTrack& t = tracks[i];
            const bool sound = t.type == VELDES_STREAM_AUDIO;
            if (sound && ((pass == 0 && t.number == item.audioTrack) ||
                          (pass == 1 && (t.flags & VELDES_TRACK_DEFAULT)) || pass == 2)) {
                wanted = &t;
            }
        }
    }
    for (int i = 0; wanted && i < count; ++i) {
        if (streams[i].type == VELDES_STREAM_AUDIO &&
            streams[i].audioValues[0] == wanted->values[0]) {
            chosen.audio = &streams[i];
        }
    }
    return chosen;
}

void CVelConvert::applySubtitles(const MediaItem& item, Entry* entry) {
    if (entry && timeline_ && entry->burnSent != item.burnSubtitles &&
        VeldesSetMediaSubtitles(timeline_, entry->mediaId, item.burnSubtitles) == 0) {
        entry->burnSent = item.burnSubtitles;
    }
}

void CVelConvert::updateDuration(MediaItem* item) {
    const Entry* entry = entryOf(item);
    if (entry && timeline_) {
        int64_t duration = item->duration;
        VeldesGetMediaDuration(timeline_, entry->mediaId, &duration);
        item->duration = duration;
    }
}

void CVelConvert::applyClip(const MediaItem& item, int mediaId) {
    if (item.clipBegin >= 0) {
        VeldesSetMediaBeginPos(timeline_, mediaId, item.clipBegin);
    }
    if (item.clipEnd >= 0) {
        VeldesSetMediaStopPos(timeline_, mediaId, item.clipEnd);
    }
}

int CVelConvert::computeEstimate(MediaItem* item, int mediaId) {
    tagVeldesStreamInfo* streams = nullptr;
    const int count = VeldesGetMediaInfo(timeline_, mediaId, &streams);
    if (count < 0) {
        return 0;
    }
    const ChosenStreams chosen = itemStreams(*item, mediaId, streams, count);
    if (chosen.any()) {
        const tagVeldesExportSetting setting = buildExportSetting(*item->profile, chosen);
        if (VeldesSetExportSetting(timeline_, mediaId, &setting) < 0) {
            return 0;
        }
    }
    applyClip(*item, mediaId);
    applySubtitles(*item, entryOfMediaId(mediaId));
    if (Entry* entry = entryOfMediaId(mediaId)) {
        attachEstimateEdits(item, entry);
    }
    int64_t size = item->outputEstimate;
    const int result = VeldesGetMediaEncodedSize(timeline_, mediaId, &size);
    item->outputEstimate = size;
    return result;
}

int CVelConvert::estimate(MediaItem* item, bool measure) {
    const Entry* entry = entryOf(item);
    if (!entry || !timeline_ || !item->profile) {
        return 0;
    }
    const int result = computeEstimate(item, entry->mediaId);
    if (measure && result == kComputedEstimate && notifyWindow_) {
        VeldesMeasureMediaEncodedSize(timeline_, entry->mediaId,
                                      &CVelConvert::measured<kMsgEstimateMeasured>, notifyWindow_);
    }
    return result;
}

MediaItem* CVelConvert::takeMeasuredEstimate(int mediaId) {
    const Entry* entry = entryOfMediaId(mediaId);
    int64_t size = 0;
    if (!entry || !timeline_) {
        return nullptr;
    }
    const int result = VeldesGetMediaEncodedSize(timeline_, mediaId, &size);
    if (result != kMeasuredEstimate && result >= 0) {
        return nullptr;
    }
    entry->item->outputEstimate = result < 0 ? -1 : size;
    return entry->item;
}

int CVelConvert::measureEstimate(MediaItem* item, std::string* failure) {
    const Entry* entry = entryOf(item);
    if (!entry || !timeline_ || !item->profile) {
        return 0;
    }
    const int result = computeEstimate(item, entry->mediaId);
    if (result != kComputedEstimate) {
        return result;
    }
    EngineWait wait;
    if (VeldesMeasureMediaEncodedSize(timeline_, entry->mediaId, &EngineWait::signal,
                                      wait.user()) != 0) {
        return result;
    }
    wait.wait();
    int64_t size = item->outputEstimate;
    const int measured = VeldesGetMediaEncodedSize(timeline_, entry->mediaId, &size);
    item->outputEstimate = measured < 0 ? -1 : size;
    if (measured < 0 && failure) {
        *failure = wait.failure();
    }
    return measured;
}

bool CVelConvert::planTargetSize(MediaItem* item, int64_t* videoBitRate, int64_t* predicted,
                                 std::string* why) {
    const Entry* entry = entryOf(item);
    if (!entry || !timeline_ || !item->profile || item->targetSize <= 0) {
        *why = "no size limit to plan";
        return false;
    }
    computeEstimate(item, entry->mediaId); // the export setting, clip and edits
    char reason[256] = {};
    const int r = VeldesPlanMediaTargetSize(timeline_, entry->mediaId, item->targetSize,
                                            videoBitRate, predicted, reason, sizeof reason);
    *why = reason[0] ? reason : "the size limit could not be planned";
    return r == 0;
}

// --- conversion control ------------------------------------------------------------------------

int CVelConvert::startConversion() {
    stopRuns();
    // The stopped conversion's last callback may still be on its way to the next item: it must
    // be out before the cursor and the run record are taken again.
    fenceOffEarlierRuns();
    state_.store(kStateConverting);
    // Before the first run: a conversion with nothing to run ends (and lets go) inside it.
    keepAwake(true);
    MediaItem* first = firstChecked();
    if (job_ && job_->option(kOptionMerge)) {
        if (first) {
            mergeRun(first);
        } else {
            endConversion();
        }
    } else {
        // Nothing to convert (no checked item, or no item the engine accepted) ends the
        // conversion at once, so the window does not stay locked waiting for an end.
        runFrom(entries_.empty() ? nullptr : first);
    }
    return 1;
}

void CVelConvert::forEachRun(int (*call)(VeldesTimeline, int)) {
    for (const auto& entry : entries_) {
        const int runId = entry->runId.load();
        if (runId >= 0) {
            call(timeline_, runId);
        }
    }
}

void CVelConvert::stop() {
    stopRuns();
    keepAwake(false);
}

void CVelConvert::stopRuns() {
    std::lock_guard lock(runControlMutex_);
    state_.store(kStateIdle);
    if (!timeline_) {
        return;
    }
    const int abort = closing_.load();
    for (const auto& entry : entries_) {
        const int runId = entry->runId.load();
        if (runId >= 0) {
            VeldesSkip(timeline_, runId, abort);
        }
        MediaItem* item = entry->item;
        if (item && runId >= 0 && IsDevicePath(item->sourcePath) &&
            item->hasState(kItemConverting)) {
            entry->windingUp.store(true);
        }
        resetUnfinished(item);
    }
}

void CVelConvert::resetUnfinished(MediaItem* item) {
    // An interrupted item was not converted, whatever share of it was done; the stopped run's
    // late progress is no longer taken (onProgress), so this stays true. A run that reaches its
    // end at this moment keeps its "Finish": the state is checked and set in one step.
    if (item &&
        item->setStateUnless(kItemNotConvert, kItemFinish | kItemConvertFailed | kItemNotExist)) {
        item->progress = 0;
    }
}

void CVelConvert::suspend() {
    {
        std::lock_guard lock(runControlMutex_);
        state_.store(kStateSuspended);
        if (timeline_) {
            forEachRun(&VeldesSuspend);
        }
    }
    keepAwake(false);
}

void CVelConvert::resume() {
    {
        std::lock_guard lock(runControlMutex_);
        state_.store(kStateConverting);
        if (timeline_) {
            forEachRun(&VeldesResume);
        }
    }
    keepAwake(true);
}

// The one place the sleep inhibitor follows the conversion: held while converting, let go when
// paused, stopped, ended or shut down. Outside the run control lock: the desktop may take a
// moment to answer, and an engine thread starting the next run must not wait for it.
void CVelConvert::keepAwake(bool on) {
    if (awake_.exchange(on) != on) {
        platformServices().holdSleepInhibitor(on, "Converting media");
    }
}

void CVelConvert::endConversion() {
    keepAwake(false);
    notify(kNotifyConversionOver, nullptr, true);
}

// --- preview -----------------------------------------------------------------------------------

int CVelConvert::startPreview(MediaItem* item) {
    const Entry* entry = entryOf(item);
    if (!entry || !timeline_) {
        return 0;
    }
    tagVeldesEditInfo edit;
    std::memset(&edit, 0, sizeof edit);
    edit.mediaId = entry->mediaId;
    edit.aspect = 4.0 / 3.0;
    edit.window = previewWindow_;
    edit.window2 = previewWindow_;
    edit.callback = &CVelConvert::previewCallback;
    edit.user = callbackUser();
    if (VeldesEditBegin(timeline_, &edit) != 0) {
        return 0;
    }
    state_.store(kStatePreviewing);
    attachEdits(item, entry->mediaId);
    applyLoudness(*item);
    if (VeldesPlay(timeline_) == 0) {
        return 1;
    }
    // Close the edit that could not play, so state and engine agree on "no preview".
    VeldesEditEnd(timeline_, 1);
    state_.store(kStateIdle);
    return 0;
}

void CVelConvert::pausePreview() {
    if (timeline_ && state_.load() == kStatePreviewing) {
        state_.store(kStatePreviewPaused);
        VeldesPause(timeline_);
    }
}

void CVelConvert::resumePreview() {
    if (timeline_ && state_.load() == kStatePreviewPaused) {
        state_.store(kStatePreviewing);
        VeldesPlay(timeline_);
    }
}

void CVelConvert::stopPreview() {
    if (timeline_ && previewEditOpen()) {
        state_.store(kStateIdle);
        VeldesEditEnd(timeline_, 1);
    }
}

void CVelConvert::setPosition(int64_t ms) {
    if (timeline_ && previewEditOpen()) {
        VeldesSetCurPos(timeline_, ms, -1);
    }
}

int CVelConvert::thumbnail(MediaItem* item, int width, int height) {
    const Entry* entry = entryOf(item);
    if (!entry || !timeline_) {
        return -1;
    }
    return VeldesGetThumbnail(timeline_, entry->mediaId, width, height, nullptr);
}

int CVelConvert::thumbnailOnPause(int width, int height) {
    if (!timeline_) {
        return -1;
    }
    return VeldesGetThumbnailOnPause(timeline_, width, height, &CVelConvert::previewCallback,
                                     callbackUser());
}

void CVelConvert::changeVolume(int volume) {
    if (timeline_) {
        VeldesChangeVolume(timeline_, std::clamp(volume, 0, 100));
    }
}

void CVelConvert::showVideoEffect(bool withEffects) {
    if (timeline_) {
        VeldesShowVideoEffect(timeline_, withEffects ? 1 : 0);
    }
}

void CVelConvert::refreshOutputWindow() {
    if (timeline_ && state_.load() == kStatePreviewPaused) {
        VeldesRefreshOutputWindow(timeline_);
    }
}

// --- shutdown ----------------------------------------------------------------------------------

void CVelConvert::shutdown() {
    if (!timeline_) {
        return;
    }
    closing_.store(1);
    const int state = state_.load();
    if (state == kStateConverting || state == kStateSuspended) {
        stop();
    } else if (state == kStatePreviewing || state == kStatePreviewPaused) {
        state_.store(kStateIdle);
        VeldesEditEnd(timeline_, 1);
    }
    closeGate();
    removeAll();
    DestroyTimeline(timeline_);
    timeline_ = nullptr;
}
