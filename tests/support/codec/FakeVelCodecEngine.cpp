// The engine functions of the fake: record the call, answer from the script, keep the state a
// test inspects (media, runs, open edits) and queue automatic events.
#include "FakeVelCodec.h"

#include <algorithm>

namespace {

std::string copyOf(const char* text) {
    return text ? std::string(text) : std::string();
}

} // namespace

// --- the engine functions ----------------------------------------------------------------------

FakeCall& FakeVelCodec::record(const char* function, VeldesTimeline timeline) {
    FakeCall call;
    call.function = function;
    call.thread = std::this_thread::get_id();
    call.timeline = timeline;
    calls_.push_back(std::move(call));
    return calls_.back();
}

FakeSource FakeVelCodec::scriptFor(int mediaId) const {
    auto media = media_.find(mediaId);
    if (media == media_.end()) {
        return FakeSource::movie();
    }
    auto it = sources_.find(media->second.path);
    return it != sources_.end() ? it->second : FakeSource::movie();
}

VeldesTimeline FakeVelCodec::createTimeline(int option) {
    std::lock_guard lock(mutex_);
    // A distinct, never dereferenced address per timeline.
    auto* tag = new int(option);
    timelines_.push_back(tag);
    FakeCall& call = record("CreateTimeline", tag);
    call.value = option;
    return tag;
}

int FakeVelCodec::destroyTimeline(VeldesTimeline timeline) {
    std::unique_lock lock(mutex_);
    record("DestroyTimeline", timeline);
    std::erase_if(queue_, [&](const PendingEvent& e) { return e.timeline == timeline; });
    if (editTimeline_ == timeline) {
        editCallback_ = nullptr;
        editUser_ = nullptr;
        editTimeline_ = nullptr;
    }
    if (std::this_thread::get_id() != eventThread_.get_id()) {
        idle_.wait_for(lock, std::chrono::seconds(5),
                       [&] { return !delivering_ || deliveringTimeline_ != timeline; });
    }
    idle_.notify_all();
    auto it = std::find(timelines_.begin(), timelines_.end(), timeline);
    if (it != timelines_.end()) {
        delete static_cast<int*>(*it);
        timelines_.erase(it);
    }
    return 0;
}

int FakeVelCodec::addMedia(VeldesTimeline timeline, const tagVeldesTrackInfo* track) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record("VeldesAddMedia2", timeline);
    if (!track) {
        call.result = -1;
        return -1;
    }
    call.track = *track;
    call.track->path = nullptr;
    call.text = copyOf(track->path);
    auto script = sources_.find(call.text);
    const int scripted = script != sources_.end() ? script->second.addResult : 0;
    if (scripted < 0) {
        call.result = scripted;
        return scripted;
    }
    FakeMedia media;
    media.id = nextMediaId_++;
    media.path = call.text;
    media_[media.id] = media;
    call.mediaId = media.id;
    call.result = media.id;
    return media.id;
}

int FakeVelCodec::removeMedia(VeldesTimeline timeline, int mediaId) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record("VeldesRemoveMedia", timeline);
    call.mediaId = mediaId;
    auto it = media_.find(mediaId);
    if (it == media_.end() || it->second.removed) {
        call.result = -1;
        return -1;
    }
    it->second.removed = true;
    streamArrays_.erase(mediaId);
    return 0;
}

int FakeVelCodec::getMediaInfo(VeldesTimeline timeline, int mediaId,
                               tagVeldesStreamInfo** streams) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record("VeldesGetMediaInfo", timeline);
    call.mediaId = mediaId;
    if (media_.count(mediaId) == 0 || !streams) {
        call.result = -1;
        return -1;
    }
    const FakeSource script = scriptFor(mediaId);
    if (script.mediaInfoResult < 0) {
        call.result = script.mediaInfoResult;
        return script.mediaInfoResult;
    }
    auto& array = streamArrays_[mediaId];
    array = script.streams;
    *streams = array.empty() ? nullptr : array.data();
    call.result = static_cast<int>(array.size());
    return static_cast<int>(array.size());
}

int FakeVelCodec::getDuration(VeldesTimeline timeline, int mediaId, int64_t* duration) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record("VeldesGetMediaDuration", timeline);
    call.mediaId = mediaId;
    if (media_.count(mediaId) == 0 || !duration) {
        call.result = -1;
        return -1;
    }
    *duration = scriptFor(mediaId).durationMs;
    call.value = *duration;
    return 0;
}

int FakeVelCodec::setExportSetting(VeldesTimeline timeline, int mediaId,
                                   const tagVeldesExportSetting* setting) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record("VeldesSetExportSetting", timeline);
    call.mediaId = mediaId;
    if (setting) {
        call.setting = *setting;
    }
    auto it = media_.find(mediaId);
    if (it == media_.end() || !setting) {
        call.result = -1;
        return -1;
    }
    it->second.setting = *setting;
    call.result = scriptFor(mediaId).setExportResult;
    return static_cast<int>(call.result);
}

int FakeVelCodec::setPosition(const char* function, VeldesTimeline timeline, int mediaId,
                              int64_t ms) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record(function, timeline);
    call.mediaId = mediaId;
    call.value = ms;
    auto it = media_.find(mediaId);
    if (it == media_.end()) {
        call.result = -1;
        return -1;
    }
    if (std::string_view(function) == "VeldesSetMediaBeginPos") {
        it->second.beginPos = ms;
    } else {
        it->second.stopPos = ms;
    }
    return 0;
}

int FakeVelCodec::getEncodedSize(VeldesTimeline timeline, int mediaId, int64_t* bytes) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record("VeldesGetMediaEncodedSize", timeline);
    call.mediaId = mediaId;
    if (media_.count(mediaId) == 0 || !bytes) {
        call.result = -1;
        return -1;
    }
    const FakeSource script = scriptFor(mediaId);
    *bytes = script.encodedSize;
    call.value = script.encodedSize;
    call.result = script.encodedSizeResult;
    return script.encodedSizeResult;
}

int FakeVelCodec::startRun(VeldesTimeline timeline, const int* ids, int count,
                           const tagVeldesExportInfo* info) {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        hook = beforeRun_;
    }
    if (hook) {
        hook();
    }
    std::lock_guard lock(mutex_);
    FakeCall& call = record("VeldesRun", timeline);
    call.ints = {count};
    for (int i = 0; ids && i < count; ++i) {
        call.mediaIds.push_back(ids[i]);
    }
    if (info) {
        call.exportInfo = *info;
    }
    if (!runResults_.empty()) {
        const int scripted = runResults_.front();
        runResults_.pop_front();
        if (scripted < 0) {
            call.result = scripted;
            return scripted;
        }
    }
    if (!info || count <= 0 || !ids) {
        call.result = -1;
        return -1;
    }
    FakeRun run;
    run.id = nextRunId_++;
    run.timeline = timeline;
    run.mediaIds = call.mediaIds;
    run.info = *info;
    runs_[run.id] = run;
    call.runId = run.id;
    call.result = run.id;

    if (autoRun_ == FakeAutoRun::Complete) {
        bool failed = false;
        for (int id : run.mediaIds) {
            failed = failed || scriptFor(id).failRun;
        }
        auto event = [&](int mediaId, int progress, int64_t elapsed, int64_t status) {
            PendingEvent pending;
            pending.callback = info->callback;
            pending.user = info->user;
            pending.runId = run.id;
            pending.timeline = timeline;
            pending.automatic = true;
            pending.event.mediaId = mediaId;
            pending.event.progress = progress;
            pending.event.elapsed = elapsed;
            pending.event.status = status;
            enqueue(std::move(pending));
        };
        if (failed) {
            // A failed run ends with one negative status carrying the last source's id.
            event(run.mediaIds.back(), 0, 0, -5);
        } else {
            for (int id : run.mediaIds) {
                event(id, 5000, 1, 0);
                event(id, 10000, 2, 0);
            }
        }
    }
    return run.id;
}

int FakeVelCodec::runControl(const char* function, VeldesTimeline timeline, int runId, int abort) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record(function, timeline);
    call.runId = runId;
    call.value = abort;
    auto it = runs_.find(runId);
    if (it == runs_.end()) {
        call.result = -1;
        return -1;
    }
    const std::string_view name(function);
    if (name == "VeldesSkip") {
        it->second.skipped = true;
    } else if (name == "VeldesSuspend") {
        it->second.suspended = true;
    } else {
        it->second.suspended = false;
    }
    return 0;
}

int FakeVelCodec::editBegin(VeldesTimeline timeline, const tagVeldesEditInfo* edit) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record("VeldesEditBegin", timeline);
    if (edit) {
        call.edit = *edit;
        call.mediaId = edit->mediaId;
    }
    call.result = edit ? editBeginResult_ : -1;
    if (call.result == 0) {
        ++openEdits_;
        if (edit->callback) {
            editCallback_ = edit->callback;
            editUser_ = edit->user;
            editTimeline_ = timeline;
        }
    }
    return static_cast<int>(call.result);
}

int FakeVelCodec::editEnd(VeldesTimeline timeline, int flag) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record("VeldesEditEnd", timeline);
    call.value = flag;
    if (openEdits_ > 0) {
        --openEdits_;
    }
    return 0;
}

int FakeVelCodec::measureLoudness(VeldesTimeline, int mediaId) {
    std::lock_guard lock(mutex_);
    auto media = media_.find(mediaId);
    if (media == media_.end() || !scriptFor(mediaId).loudness) {
        return -2;
    }
    media->second.loudnessMeasured = true;
    return 2;
}

int FakeVelCodec::getLoudness(VeldesTimeline, int mediaId, tagVeldesLoudness* measured) {
    std::lock_guard lock(mutex_);
    auto media = media_.find(mediaId);
    if (media == media_.end() || !measured) {
        return -1;
    }
    const auto loudness = scriptFor(mediaId).loudness;
    if (!media->second.loudnessMeasured || !loudness) {
        return 0;
    }
    *measured = *loudness;
    return 2;
}

int FakeVelCodec::setLoudness(VeldesTimeline, int mediaId, double target, double ceiling,
                              const tagVeldesLoudness* measured) {
    std::lock_guard lock(mutex_);
    auto media = media_.find(mediaId);
    if (media == media_.end() || target > 0.0) {
        return -1;
    }
    media->second.loudnessTarget = target;
    media->second.loudnessCeiling = ceiling;
    media->second.loudnessMeasured = media->second.loudnessMeasured || measured;
    return 0;
}

int FakeVelCodec::getTracks(VeldesTimeline, int mediaId, tagVeldesTrack** tracks) {
    std::lock_guard lock(mutex_);
    if (media_.count(mediaId) == 0 || !tracks) {
        return -1;
    }
    auto& array = trackArrays_[mediaId];
    array = scriptFor(mediaId).tracks;
    *tracks = array.empty() ? nullptr : array.data();
    return static_cast<int>(array.size());
}

int FakeVelCodec::setSubtitles(VeldesTimeline, int mediaId, int burn) {
    std::lock_guard lock(mutex_);
    auto media = media_.find(mediaId);
    if (media == media_.end() || burn < 0) {
        return -1;
    }
    media->second.burnSubtitles = burn;
    return 0;
}

int FakeVelCodec::simple(const char* function, VeldesTimeline timeline, int64_t value,
                         std::optional<int> flag) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record(function, timeline);
    call.value = value;
    if (flag) {
        call.ints = {*flag};
    }
    const int result = std::string_view(function) == "VeldesPlay" ? playResult_ : 0;
    call.result = result;
    return result;
}

int FakeVelCodec::addFilter(const char* function, VeldesTimeline timeline, int filterId,
                            const tagVeldesFilterInfo* filter) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record(function, timeline);
    call.filterId = filterId;
    if (filter) {
        call.filter = *filter;
        call.imagePath = copyOf(filter->imagePath);
        call.watermarkText = copyOf(filter->text);
        call.fontName = copyOf(filter->fontName);
        call.filter->imagePath = nullptr;
        call.filter->text = nullptr;
        call.filter->fontName = nullptr;
    }
    auto it = filterResults_.find(filterId);
    call.result = it != filterResults_.end() ? it->second : 0;
    return static_cast<int>(call.result);
}

int FakeVelCodec::removeWatermark(VeldesTimeline timeline, int mediaId) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record("VeldesRemoveWatermark", timeline);
    call.mediaId = mediaId;
    return 0;
}

int FakeVelCodec::thumbnail(VeldesTimeline timeline, int mediaId, int width, int height,
                            const char* fileName) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record("VeldesGetThumbnail", timeline);
    call.mediaId = mediaId;
    call.ints = {width, height};
    call.text = copyOf(fileName);
    call.result = thumbnailResult_;
    return thumbnailResult_;
}

int FakeVelCodec::thumbnailOnPause(VeldesTimeline timeline, int width, int height,
                                   VeldesEventCallback callback, void* user) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record("VeldesGetThumbnailOnPause", timeline);
    call.ints = {width, height};
    call.result = thumbnailResult_;
    if (callback) {
        editCallback_ = callback;
        editUser_ = user;
        editTimeline_ = timeline;
    }
    if (autoSnapshot_ && callback && width > 0 && height > 0) {
        PendingEvent pending;
        pending.callback = callback;
        pending.user = user;
        pending.timeline = timeline;
        pending.event.kind = VELDES_EVENT_SNAPSHOT;
        pending.event.width = width;
        pending.event.height = height;
        pending.pixels.assign(static_cast<size_t>(width) * height * 4, 0x80);
        enqueue(std::move(pending));
    }
    return thumbnailResult_;
}

int FakeVelCodec::bitrateByQuality(int width, int height, double frameRate, int codecId,
                                   int reserved, int quality) {
    std::lock_guard lock(mutex_);
    FakeCall& call = record("ComputeBitrateByQuality", nullptr);
    call.ints = {width, height, codecId, reserved, quality};
    call.real = frameRate;
    // Any deterministic value will do; tests compare against the recorded result.
    const double value = static_cast<double>(width) * height * frameRate * quality / 400.0;
    call.result = static_cast<int>(std::min(value, 2.0e9));
    return static_cast<int>(call.result);
}
