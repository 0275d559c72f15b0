// CVelConvert: the single and merge runs, the engine's callbacks, the next item and the
// notifications to the window.
//
// The first item starts on the user-interface thread; every following one starts on the engine's
// thread inside the previous item's last callback. The runs are driven by a loop (runFrom), not
// by recursion, so a long list of missing or skipped items does not deepen the engine's stack.
#include "CVelConvert.h"

#include "ExportDerivation.h"
#include "MessageTarget.h"
#include "OutputNaming.h"
#include "ProfileCatalogue.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include <sys/stat.h>

namespace {

// How often a thread waiting for the user-interface thread looks whether it should give up.
constexpr int kWithdrawPollMs = 20;

bool isFileSource(const MediaItem& item) {
    return !IsDevicePath(item.sourcePath);
}

} // namespace

// --- notifications -----------------------------------------------------------------------------

intptr_t CVelConvert::notify(int code, void* subject, bool blocking) {
    if (!notifyWindow_ || closing_.load()) {
        return 0;
    }
    // Each notification carries its own slot on the sender's stack: a notification from the
    // user-interface thread and one from an engine thread never overwrite each other, and the
    // message layer guarantees the slot is only read while the sender waits.
    VelNotification slot{code, subject};
    const auto lParam = reinterpret_cast<intptr_t>(&slot);
    if (blocking) {
        return sendUnlessWithdrawn(kMsgConvertNotify, lParam);
    }
    intptr_t result = 0;
    sendMessageTimeout(notifyWindow_, kMsgConvertNotify, 0, lParam, kNotifyTimeoutMs, &result);
    return result;
}

bool CVelConvert::requestWithdrawn() const {
    return closing_.load() != 0 || state_.load() == kStateIdle;
}

intptr_t CVelConvert::sendUnlessWithdrawn(unsigned msg, intptr_t lParam) {
    // From the user-interface thread this is a direct call. From an engine thread it waits for
    // the window without limit, but is withdrawn while not yet handled once the conversion was
    // stopped or shutdown began: the user-interface thread may be the one waiting for this
    // thread then, and the answer no longer matters.
    for (;;) {
        const auto start = std::chrono::steady_clock::now();
        intptr_t result = 0;
        if (sendMessageTimeout(notifyWindow_, msg, 0, lParam, kWithdrawPollMs, &result)) {
            return result;
        }
        if (requestWithdrawn() ||
            std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kWithdrawPollMs)) {
            return 0; // withdrawn, or the window no longer takes messages
        }
    }
}

void CVelConvert::recordOutput(Entry* entry, const char* path) {
    if (entry && path) {
        std::lock_guard lock(pathsMutex_);
        entry->output = path;
    }
}

std::unordered_map<const MediaItem*, std::string> CVelConvert::finishedOutputs() const {
    std::unordered_map<const MediaItem*, std::string> outputs;
    std::lock_guard lock(pathsMutex_);
    for (const auto& entry : entries_) {
        if (!entry->output.empty()) {
            outputs.emplace(entry->item, entry->output);
        }
    }
    return outputs;
}

void CVelConvert::setFinishedOutput(const MediaItem* item, const std::string& path) {
    recordOutput(entryOf(item), path.c_str());
}

void CVelConvert::postFinished(const char* path) {
    const char* text = nullptr;
    {
        std::lock_guard lock(pathsMutex_);
        finishedPaths_.emplace_back(path);
        text = finishedPaths_.back().c_str();
    }
    postMessage(notifyWindow_, kMsgOutputFinished, 0, reinterpret_cast<intptr_t>(text));
}

// --- export info -------------------------------------------------------------------------------

int CVelConvert::prepareExportInfo(MediaItem* item, bool merged) {
    std::memset(&exportInfo_, 0, sizeof exportInfo_);
    item->failureReason.clear();
    exportInfo_.callback = &CVelConvert::progressCallback;
    const Entry* entry = entryOf(item);
    if (!entry || !item->profile) {
        return 0;
    }
    const Profile& profile = *item->profile;

    tagVeldesStreamInfo* streams = nullptr;
    const int count = VeldesGetMediaInfo(timeline_, entry->mediaId, &streams);
    if (count < 0) {
        return 0;
    }
    const ChosenStreams chosen = itemStreams(*item, entry->mediaId, streams, count);
    applySubtitles(*item, entryOf(item));
    // Sound made of nothing but silence is not what an audio profile promises; a merge may
    // still take its sound from its other sources.
    if (!merged && !profile.hasVideo() && !chosen.audio) {
        item->failureReason = "the source has no sound";
        return 0;
    }
    if (chosen.any()) {
        const tagVeldesExportSetting setting = buildExportSetting(profile, chosen);
        VeldesSetExportSetting(timeline_, entry->mediaId, &setting);
    }

    copyField(exportInfo_.format, sizeof exportInfo_.format,
              std::string(ProfileCatalogue::engineFormatOf(profile)).substr(0, 15));
    // A path this platform cannot open is a failure of this item, never a truncated name.
    if (!copyField(exportInfo_.outputPath, sizeof exportInfo_.outputPath,
                   outputPathOf(*item, *job_))) {
        item->failureReason = std::strerror(ENAMETOOLONG);
        return 0;
    }
    // Only the overwrite mode lets the output replace a file; in every other mode a name taken
    // while the item converted (by another program, or another run) is never replaced.
    const uint32_t flags = job_->optionFlags.load();
    exportInfo_.replaceExisting = !(flags & (kOptionSkip | kOptionRename)) ? 1 : 0;
    fillExportInfoStreams(exportInfo_, profile, chosen);
    VeldesSetMediaTargetSize(timeline_, entry->mediaId, std::max<int64_t>(0, item->targetSize));
    applyLoudness(*item);
    exportInfo_.user = callbackUser();
    return 1;
}

std::string CVelConvert::runRefusal() const {
    char why[256] = {};
    if (VeldesGetRunRefusal(timeline_, why, sizeof why) < 0 || !why[0]) {
        return "the conversion could not start";
    }
    return std::string("the conversion could not start: ") + why;
}

// --- runs --------------------------------------------------------------------------------------

void CVelConvert::runFrom(MediaItem* item) {
    while (item) {
        if (closing_.load()) {
            return;
        }
        if (singleRun(item) != RunOutcome::MoveOn) {
            return;
        }
        if (state_.load() == kStateIdle) {
            return;
        }
        item = nextChecked();
    }
    endConversion();
}

CVelConvert::RunOutcome CVelConvert::singleRun(MediaItem* item) {
    Entry* entry = entryOf(item);
    if (entry && entry->windingUp.load()) {
        return RunOutcome::MoveOn; // a stopped recording still writing its file
    }
    if (!entry) {
        // The engine never accepted this source: nothing can run for it.
        item->failureReason = "the source could not be opened";
        item->setState(kItemConvertFailed);
        notify(kNotifyItemState, item, false);
        return RunOutcome::MoveOn;
    }
    if (isFileSource(*item) && !pathExists(item->sourcePath)) {
        item->setState(kItemNotExist, kItemChecked);
        notify(kNotifyItemState, item, false);
        return RunOutcome::MoveOn;
    }
    const int room = checkDiskSpace(item, false);
    if (room == kDiskCheckCancelled) {
        return RunOutcome::Ended;
    }
    if (room == kDiskCheckItemSkipped) {
        return RunOutcome::MoveOn;
    }
    if (!prepareExportInfo(item, false)) {
        if (item->failureReason.empty()) {
            item->failureReason = "the source's streams could not be read";
        }
        item->setState(kItemConvertFailed);
        notify(kNotifyItemState, item, false);
        return RunOutcome::MoveOn;
    }
    if (checkExistingOutput() == kOutputSkipped) {
        markSkipped(item);
        return RunOutcome::MoveOn;
    }
    item->progress = 0;
    applyClip(*item, entry->mediaId);
    exportInfo_.previewWindow = previewWindow_;
    attachEdits(item, entry->mediaId);

    if (closing_.load()) {
        return RunOutcome::Ended;
    }
    // "Converting" is set before the run starts: a short run may finish (and set "Finish") on
    // the engine's thread before VeldesRun returns here.
    item->setState(kItemConverting);
    const int mediaId = entry->mediaId;
    const int runId = VeldesRun(timeline_, &mediaId, 1, &exportInfo_);
    if (runId < 0) {
        item->failureReason = runRefusal();
        item->setState(kItemConvertFailed);
        notify(kNotifyItemState, item, false);
        return RunOutcome::MoveOn;
    }
    bindRun(entry, runId);
    notify(kNotifyItemState, item, false);
    return RunOutcome::Started;
}

void CVelConvert::bindRun(Entry* entry, int runId) {
    std::lock_guard lock(runControlMutex_);
    entry->runId.store(runId);
    // Stopped or paused while this run was being prepared on the engine's thread: Stop and
    // Pause did not see it, so it follows them here.
    const int state = state_.load();
    if (state == kStateIdle) {
        VeldesSkip(timeline_, runId, closing_.load());
        // Stop reset the states before this item was set "Converting".
        if (entry->item && IsDevicePath(entry->item->sourcePath)) {
            entry->windingUp.store(true);
        }
        resetUnfinished(entry->item);
    } else if (state == kStateSuspended) {
        VeldesSuspend(timeline_, runId);
    }
}

void CVelConvert::mergeRun(MediaItem* item) {
    Entry* entry = entryOf(item);
    if (!entry) {
        item->setState(kItemConvertFailed);
        endConversion();
        return;
    }
    if (checkDiskSpace(item, true) != 0) {
        return;
    }
    if (!prepareExportInfo(item, true)) {
        if (item->failureReason.empty()) {
            item->failureReason = "the source's streams could not be read";
        }
        item->setState(kItemConvertFailed);
        endConversion();
        return;
    }
    if (checkExistingOutput() == kOutputSkipped) {
        markSkipped(item, false); // the end of the conversion was told already
        return;
    }

    std::vector<int> ids;
    mergeRows_.clear();
    const MediaList* items = list();
    const int start = std::max(indexOf(item), 0);
    for (size_t i = static_cast<size_t>(start); i < items->size(); ++i) {
        MediaItem* source = (*items)[i].get();
        const Entry* sourceEntry = entryOf(source);
        if (!source->hasState(kItemChecked) || !sourceEntry) {
            continue;
        }
        ids.push_back(sourceEntry->mediaId);
        mergeRows_.push_back(source);
        source->progress = 0;
        applyClip(*source, sourceEntry->mediaId);
        attachEdits(source, sourceEntry->mediaId);
        applyLoudness(*source); // its figures; the head's target holds for every part
        applySubtitles(*source, entryOf(source));
    }
    exportInfo_.previewWindow = previewWindow_;

    if (closing_.load()) {
        return;
    }
    for (MediaItem* row : mergeRows_) {
        row->setState(kItemConverting);
    }
    const int runId = VeldesRun(timeline_, ids.data(), static_cast<int>(ids.size()), &exportInfo_);
    if (runId < 0) {
        failMergeRows(runRefusal());
        endConversion();
        return;
    }
    bindRun(entry, runId);
    notify(kNotifyItemState, item, false);
}

void CVelConvert::failMergeRows(const std::string& reason) {
    for (MediaItem* row : mergeRows_) {
        if (!row->hasState(kItemConvertFailed)) {
            row->failureReason = reason;
            row->setState(kItemConvertFailed);
            notify(kNotifyItemFailed, row, false);
        }
    }
}

void CVelConvert::markSkipped(MediaItem* item, bool tell) {
    // Its output was not written this time: an earlier run's "Finish" would be untrue now.
    item->setState(kItemNotConvert);
    item->progress = 0;
    if (tell) {
        notify(kNotifyItemState, item, false);
    }
}

void CVelConvert::nextItem() {
    if (state_.load() == kStateIdle) {
        return;
    }
    runFrom(nextChecked());
}

void CVelConvert::mergeEnd(const tagVeldesEvent& event) {
    if (state_.load() == kStateIdle) {
        return;
    }
    if (event.status >= 0 && job_->option(kOptionOpenOutputFolder) && notifyWindow_) {
        postFinished(event.outputPath ? event.outputPath : exportInfo_.outputPath);
    }
    endConversion();
}

// --- callbacks ---------------------------------------------------------------------------------

int CVelConvert::progressCallback(tagVeldesEvent* event, void* user) {
    bool earlier = false;
    CVelConvert* self = event ? enterCallback(user, true, &earlier) : nullptr;
    if (!self) {
        return 0;
    }
    if (earlier) {
        self->onEarlierRunEvent(*event);
    } else {
        self->onProgress(*event);
    }
    leaveCallback(user, true);
    return 0;
}

int CVelConvert::previewCallback(tagVeldesEvent* event, void* user) {
    // Preview events touch no entry: they pass while the entries change.
    CVelConvert* self = event ? enterCallback(user, false) : nullptr;
    if (!self) {
        return 0;
    }
    self->onPreviewEvent(event);
    leaveCallback(user, false);
    return 0;
}

int CVelConvert::onProgress(const tagVeldesEvent& event) {
    Entry* entry = entryOfMediaId(event.mediaId);
    if (!entry || !job_) {
        return 0;
    }
    MediaItem* item = entry->item;
    const bool merge = job_->option(kOptionMerge);
    const bool final = event.status < 0 || event.progress >= 10000;
    if (final) {
        entry->windingUp.store(false);
    }
    // Progress of a stopped run is stale: stop() marked its item "Not Convert". Its end still
    // counts (a stopped recording is kept as a finished file).
    if (!final && state_.load() == kStateIdle) {
        return 0;
    }
    if (merge) {
        onMergeProgress(event, item);
        return 0;
    }
    bool done = false;
    int code = kNotifyProgress;
    if (event.status < 0) {
        item->failureReason = event.message ? event.message : "";
        item->setState(kItemConvertFailed);
        code = kNotifyItemFailed;
        done = true;
    } else {
        item->progress = event.progress;
        item->elapsed = event.elapsed * 1000;
        if (!final && state_.load() == kStateIdle) {
            item->progress = 0; // stopped while this was written: stop() may have reset it first
        }
        if (event.progress >= 10000) {
            finishItem(entry, event);
            code = kNotifyItemState;
            done = true;
        }
    }
    notify(code, item, false);
    if (done) {
        nextItem();
    }
    return 0;
}

void CVelConvert::finishItem(Entry* entry, const tagVeldesEvent& event) {
    // The engine names the path the output got: a name taken meanwhile moves it on.
    const char* output = event.outputPath ? event.outputPath : exportInfo_.outputPath;
    recordOutput(entry, output);
    struct stat written {};
    entry->item->outputSize = stat(output, &written) == 0 ? int64_t(written.st_size) : 0;
    entry->item->setState(kItemFinish);
    if (job_->option(kOptionOpenOutputFolder) && notifyWindow_) {
        postFinished(output);
    }
}

void CVelConvert::onEarlierRunEvent(const tagVeldesEvent& event) {
    // Of an earlier conversion only a stopped recording's end still counts: its file is there.
    Entry* entry = entryOfMediaId(event.mediaId);
    const bool final = event.status < 0 || event.progress >= 10000;
    if (!entry || !final || !entry->windingUp.exchange(false)) {
        return;
    }
    MediaItem* item = entry->item;
    if (event.status < 0) {
        item->failureReason = event.message ? event.message : "";
        item->setState(kItemConvertFailed);
        notify(kNotifyItemFailed, item, false);
        return;
    }
    if (!event.outputPath) {
        return; // the run record names another output by now
    }
    item->progress = 10000;
    finishItem(entry, event);
    notify(kNotifyItemState, item, false);
}

// A merged output exists only once the run's last source reports its end: until then a source
// that is through shows its progress, and a failure anywhere leaves no file for any row.
void CVelConvert::onMergeProgress(const tagVeldesEvent& event, MediaItem* item) {
    const bool runEnd = !mergeRows_.empty() && item == mergeRows_.back();
    const bool stopped = state_.load() == kStateIdle;
    if (event.status < 0) {
        item->failureReason = event.message ? event.message : "";
        item->setState(kItemConvertFailed);
        notify(kNotifyItemFailed, item, false);
        if (runEnd) {
            if (!stopped) {
                failMergeRows(item->failureReason);
            }
            mergeEnd(event);
        }
        return;
    }
    if (stopped && !(runEnd && event.progress >= 10000)) {
        return; // a stopped run's sources are "Not Convert" (stop())
    }
    item->progress = event.progress;
    item->elapsed = event.elapsed * 1000;
    if (!runEnd || event.progress < 10000) {
        notify(kNotifyProgress, item, false);
        return;
    }
    for (MediaItem* row : mergeRows_) {
        recordOutput(entryOf(row), event.outputPath ? event.outputPath : exportInfo_.outputPath);
        row->progress = 10000;
        row->setState(kItemFinish);
        notify(kNotifyItemState, row, false);
    }
    mergeEnd(event);
}

int CVelConvert::onPreviewEvent(tagVeldesEvent* event) {
    notify(kNotifyPreviewEvent, event, false);
    return 0;
}
