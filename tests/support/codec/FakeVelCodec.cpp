#include "FakeVelCodec.h"

#include <algorithm>
#include <cstdio>

tagVeldesStreamInfo FakeSource::videoStream(int width, int height, double frameRate, int bitRate) {
    tagVeldesStreamInfo s{};
    s.type = VELDES_STREAM_VIDEO;
    s.bitRate = bitRate;
    s.width = width;
    s.height = height;
    s.frameRate = frameRate;
    s.videoValues[0] = 11;
    s.videoValues[1] = 12;
    return s;
}

tagVeldesStreamInfo FakeSource::audioStream(int sampleRate, int channels, int bitRate) {
    tagVeldesStreamInfo s{};
    s.type = VELDES_STREAM_AUDIO;
    s.bitRate = bitRate;
    s.sampleRate = sampleRate;
    s.channels = channels;
    s.audioValues[0] = 21;
    s.audioValues[1] = 22;
    return s;
}

FakeSource FakeSource::movie(int width, int height, double frameRate) {
    FakeSource s;
    s.streams = {videoStream(width, height, frameRate), audioStream(44100, 2)};
    return s;
}

FakeSource FakeSource::video(int width, int height, double frameRate) {
    FakeSource s;
    s.streams = {videoStream(width, height, frameRate)};
    return s;
}

FakeSource FakeSource::audio(int sampleRate, int channels, int bitRate) {
    FakeSource s;
    s.streams = {audioStream(sampleRate, channels, bitRate)};
    return s;
}

tagVeldesTrack FakeSource::track(int type, int number, const char* language, const char* codec,
                                 int flags, int valueIndex) {
    tagVeldesTrack t{};
    t.type = type;
    t.number = number;
    t.flags = flags;
    t.values[0] = valueIndex;
    std::snprintf(t.language, sizeof t.language, "%s", language);
    std::snprintf(t.codec, sizeof t.codec, "%s", codec);
    if (type == VELDES_STREAM_AUDIO) {
        t.channels = 2;
        t.sampleRate = 48000;
    }
    return t;
}

FakeVelCodec& FakeVelCodec::instance() {
    static FakeVelCodec fake;
    return fake;
}

FakeVelCodec::~FakeVelCodec() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    if (eventThread_.joinable()) {
        eventThread_.join();
    }
}

void FakeVelCodec::reset() {
    waitIdle(std::chrono::seconds(5));
    std::lock_guard lock(mutex_);
    queue_.clear();
    calls_.clear();
    sources_.clear();
    media_.clear();
    streamArrays_.clear();
    trackArrays_.clear();
    runs_.clear();
    runResults_.clear();
    filterResults_.clear();
    editBeginResult_ = 0;
    playResult_ = 0;
    thumbnailResult_ = 0;
    openEdits_ = 0;
    autoRun_ = FakeAutoRun::Manual;
    autoSnapshot_ = false;
    autoDelay_ = std::chrono::milliseconds(0);
    beforeEvent_ = nullptr;
    beforeRun_ = nullptr;
    editCallback_ = nullptr;
    editUser_ = nullptr;
    editTimeline_ = nullptr;
    delivered_ = 0;
    // Ids keep counting across tests, as they never repeat within one engine.
}

// --- scripting ---------------------------------------------------------------------------------

void FakeVelCodec::setSource(const std::string& path, const FakeSource& source) {
    std::lock_guard lock(mutex_);
    sources_[path] = source;
}

FakeSource FakeVelCodec::source(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = sources_.find(path);
    return it != sources_.end() ? it->second : FakeSource::movie();
}

void FakeVelCodec::queueRunResult(int result) {
    std::lock_guard lock(mutex_);
    runResults_.push_back(result);
}

void FakeVelCodec::setEditBeginResult(int result) {
    std::lock_guard lock(mutex_);
    editBeginResult_ = result;
}

void FakeVelCodec::setPlayResult(int result) {
    std::lock_guard lock(mutex_);
    playResult_ = result;
}

void FakeVelCodec::setFilterResult(int filterId, int result) {
    std::lock_guard lock(mutex_);
    filterResults_[filterId] = result;
}

void FakeVelCodec::setThumbnailResult(int result) {
    std::lock_guard lock(mutex_);
    thumbnailResult_ = result;
}

void FakeVelCodec::setAutoRun(FakeAutoRun mode) {
    std::lock_guard lock(mutex_);
    autoRun_ = mode;
}

void FakeVelCodec::setAutoSnapshot(bool on) {
    std::lock_guard lock(mutex_);
    autoSnapshot_ = on;
}

void FakeVelCodec::setAutoEventDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    autoDelay_ = delay;
}

void FakeVelCodec::setBeforeRun(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    beforeRun_ = std::move(hook);
}

void FakeVelCodec::setBeforeEvent(std::function<void(const tagVeldesEvent&)> hook) {
    std::lock_guard lock(mutex_);
    beforeEvent_ = std::move(hook);
}

// --- events ------------------------------------------------------------------------------------

void FakeVelCodec::fireProgress(int runId, int mediaId, int progress, int64_t elapsedSeconds,
                                int64_t status, const std::string& message) {
    std::lock_guard lock(mutex_);
    auto it = runs_.find(runId);
    if (it == runs_.end()) {
        return;
    }
    PendingEvent pending;
    pending.callback = it->second.info.callback;
    pending.user = it->second.info.user;
    pending.runId = runId;
    pending.timeline = it->second.timeline;
    pending.event.mediaId = mediaId;
    pending.event.progress = progress;
    pending.event.elapsed = elapsedSeconds;
    pending.event.status = status;
    pending.message = message;
    enqueue(std::move(pending));
}

bool FakeVelCodec::fireEditEvent(const tagVeldesEvent& event) {
    std::lock_guard lock(mutex_);
    if (!editCallback_) {
        return false;
    }
    PendingEvent pending;
    pending.callback = editCallback_;
    pending.user = editUser_;
    pending.timeline = editTimeline_;
    pending.event = event;
    enqueue(std::move(pending));
    return true;
}

bool FakeVelCodec::waitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, timeout, [this] { return queue_.empty() && !delivering_; });
}

int FakeVelCodec::deliveredEvents() const {
    std::lock_guard lock(mutex_);
    return delivered_;
}

void FakeVelCodec::enqueue(PendingEvent event) {
    if (!event.callback) {
        return;
    }
    // A run's end names its output, as the engine's does.
    const auto run = runs_.find(event.runId);
    if (run != runs_.end() && event.event.progress >= 10000 && event.event.status >= 0) {
        event.outputPath = run->second.info.outputPath;
    }
    queue_.push_back(std::move(event));
    if (!eventThread_.joinable()) {
        eventThread_ = std::thread([this] { eventLoop(); });
    }
    wake_.notify_all();
}

void FakeVelCodec::eventLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) {
            return;
        }
        PendingEvent pending = std::move(queue_.front());
        queue_.pop_front();
        if (pending.automatic) {
            auto run = runs_.find(pending.runId);
            if (run == runs_.end() || run->second.skipped) {
                idle_.notify_all();
                continue;
            }
        }
        if (pending.pixels.size() > 0) {
            pending.event.pixels = pending.pixels.data();
        }
        if (!pending.message.empty()) {
            pending.event.message = pending.message.c_str();
        }
        if (!pending.outputPath.empty()) {
            pending.event.outputPath = pending.outputPath.c_str();
        }
        delivering_ = true;
        deliveringTimeline_ = pending.timeline;
        const auto delay = pending.automatic ? autoDelay_ : std::chrono::milliseconds(0);
        auto hook = beforeEvent_;
        lock.unlock();
        if (delay.count() > 0) {
            std::this_thread::sleep_for(delay);
        }
        if (hook) {
            hook(pending.event);
        }
        pending.callback(&pending.event, pending.user);
        lock.lock();
        delivering_ = false;
        deliveringTimeline_ = nullptr;
        ++delivered_;
        idle_.notify_all();
    }
}

// --- inspection --------------------------------------------------------------------------------

std::vector<FakeCall> FakeVelCodec::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<FakeCall> FakeVelCodec::callsOf(std::string_view function) const {
    std::lock_guard lock(mutex_);
    std::vector<FakeCall> out;
    for (const auto& call : calls_) {
        if (call.function == function) {
            out.push_back(call);
        }
    }
    return out;
}

std::vector<std::string> FakeVelCodec::callNames() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& call : calls_) {
        if (call.function != "ComputeBitrateByQuality") {
            out.push_back(call.function);
        }
    }
    return out;
}

size_t FakeVelCodec::countOf(std::string_view function) const {
    std::lock_guard lock(mutex_);
    return std::count_if(calls_.begin(), calls_.end(),
                         [&](const FakeCall& c) { return c.function == function; });
}

void FakeVelCodec::clearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

std::vector<FakeRun> FakeVelCodec::runs() const {
    std::lock_guard lock(mutex_);
    std::vector<FakeRun> out;
    for (const auto& [id, run] : runs_) {
        out.push_back(run);
    }
    return out;
}

std::optional<FakeRun> FakeVelCodec::run(int runId) const {
    std::lock_guard lock(mutex_);
    auto it = runs_.find(runId);
    if (it == runs_.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<FakeMedia> FakeVelCodec::media(int mediaId) const {
    std::lock_guard lock(mutex_);
    auto it = media_.find(mediaId);
    if (it == media_.end()) {
        return std::nullopt;
    }
    return it->second;
}

int FakeVelCodec::mediaIdOf(const std::string& path) const {
    std::lock_guard lock(mutex_);
    int id = -1;
    for (const auto& [mediaId, media] : media_) {
        if (media.path == path && !media.removed) {
            id = mediaId;
        }
    }
    return id;
}

int FakeVelCodec::openEdits() const {
    std::lock_guard lock(mutex_);
    return openEdits_;
}

int FakeVelCodec::liveTimelines() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(timelines_.size());
}
