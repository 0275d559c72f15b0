// The C entry points of the timeline interface. Handles are checked against the live timelines,
// so a stale or foreign handle is refused instead of dereferenced.
#include "velcodecapi.h"
#include "CTimeline.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace {

struct Registry {
    std::mutex mutex;
    std::map<void*, std::shared_ptr<vel::CTimeline>> timelines;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

std::shared_ptr<vel::CTimeline> lookup(VeldesTimeline handle) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.timelines.find(handle);
    return it == r.timelines.end() ? nullptr : it->second;
}

} // namespace

extern "C" {

VeldesTimeline CreateTimeline(int option) {
    (void)option;
    auto timeline = std::make_shared<vel::CTimeline>();
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.timelines[timeline.get()] = timeline;
    return timeline.get();
}

int DestroyTimeline(VeldesTimeline handle) {
    std::shared_ptr<vel::CTimeline> timeline;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        auto it = r.timelines.find(handle);
        if (it == r.timelines.end())
            return -1;
        timeline = std::move(it->second);
        r.timelines.erase(it);
    }
    timeline->shutdown();
    return 0;
}

int VeldesAddMedia2(VeldesTimeline handle, const tagVeldesTrackInfo* track, void*, int) {
    auto t = lookup(handle);
    return t ? t->addMedia(track) : -1;
}

int VeldesRemoveMedia(VeldesTimeline handle, int mediaId) {
    auto t = lookup(handle);
    return t ? t->removeMedia(mediaId) : -1;
}

int VeldesGetMediaInfo(VeldesTimeline handle, int mediaId, tagVeldesStreamInfo** streams) {
    auto t = lookup(handle);
    return t ? t->mediaInfo(mediaId, streams) : -1;
}

int VeldesGetMediaDuration(VeldesTimeline handle, int mediaId, int64_t* durationMs) {
    auto t = lookup(handle);
    return t ? t->duration(mediaId, durationMs) : -1;
}

int VeldesGetMediaTracks(VeldesTimeline handle, int mediaId, tagVeldesTrack** tracks) {
    auto t = lookup(handle);
    return t ? t->mediaTracks(mediaId, tracks) : -1;
}

int VeldesSetMediaSubtitles(VeldesTimeline handle, int mediaId, int burn) {
    auto t = lookup(handle);
    return t ? t->setSubtitles(mediaId, burn) : -1;
}

int VeldesSetExportSetting(VeldesTimeline handle, int mediaId,
                           const tagVeldesExportSetting* setting) {
    auto t = lookup(handle);
    return t ? t->setExportSetting(mediaId, setting) : -1;
}

int VeldesSetMediaBeginPos(VeldesTimeline handle, int mediaId, int64_t positionMs) {
    auto t = lookup(handle);
    return t ? t->setBegin(mediaId, positionMs) : -1;
}

int VeldesSetMediaStopPos(VeldesTimeline handle, int mediaId, int64_t positionMs) {
    auto t = lookup(handle);
    return t ? t->setStop(mediaId, positionMs) : -1;
}

int VeldesGetMediaEncodedSize(VeldesTimeline handle, int mediaId, int64_t* bytes) {
    auto t = lookup(handle);
    return t ? t->encodedSize(mediaId, bytes) : -1;
}

int VeldesMeasureMediaEncodedSize(VeldesTimeline handle, int mediaId, VeldesEventCallback callback,
                                  void* user) {
    auto t = lookup(handle);
    return t ? t->measureSize(mediaId, callback, user) : -1;
}

int VeldesMeasureMediaLoudness(VeldesTimeline handle, int mediaId, VeldesEventCallback callback,
                               void* user, int cancel) {
    auto t = lookup(handle);
    return t ? t->measureLoudness(mediaId, callback, user, cancel != 0) : -1;
}

int VeldesGetMediaLoudness(VeldesTimeline handle, int mediaId, tagVeldesLoudness* measured) {
    auto t = lookup(handle);
    vel::LoudnessFigures figures;
    const int r = t && measured ? t->loudness(mediaId, &figures) : -1;
    if (r == 2)
        *measured = {figures.integrated, figures.truePeak, figures.range, figures.sampleRate,
                     figures.channels};
    return r;
}

int VeldesSetMediaLoudness(VeldesTimeline handle, int mediaId, double targetLufs,
                           double ceilingDbtp, const tagVeldesLoudness* measured) {
    auto t = lookup(handle);
    if (!t || !std::isfinite(targetLufs) || !std::isfinite(ceilingDbtp) || targetLufs > 0.0 ||
        ceilingDbtp > 0.0)
        return -1;
    vel::LoudnessTarget target;
    target.on = targetLufs < 0.0;
    target.lufs = target.on ? targetLufs : target.lufs;
    target.ceiling = ceilingDbtp;
    vel::LoudnessFigures known;
    if (measured)
        known = {measured->integrated, measured->truePeak, measured->range, measured->sampleRate,
                 measured->channels};
    return t->setLoudness(mediaId, target, measured ? &known : nullptr);
}

int VeldesRun(VeldesTimeline handle, const int* mediaIds, int count,
              const tagVeldesExportInfo* info) {
    auto t = lookup(handle);
    return t ? t->run(mediaIds, count, info) : -1;
}

int VeldesSetMediaTargetSize(VeldesTimeline handle, int mediaId, int64_t bytes) {
    auto t = lookup(handle);
    return t ? t->setTargetSize(mediaId, bytes) : -1;
}

int VeldesPlanMediaTargetSize(VeldesTimeline handle, int mediaId, int64_t bytes,
                              int64_t* videoBitRate, int64_t* predictedBytes, char* why,
                              int whySize) {
    auto t = lookup(handle);
    if (!t || !videoBitRate || !predictedBytes)
        return -1;
    std::string reason;
    const int r = t->planTargetSize(mediaId, bytes, videoBitRate, predictedBytes, &reason);
    if (why && whySize > 0) {
        const size_t n = std::min(reason.size(), size_t(whySize - 1));
        std::memcpy(why, reason.data(), n);
        why[n] = '\0';
    }
    return r;
}

int VeldesGetRunRefusal(VeldesTimeline handle, char* text, int size) {
    auto t = lookup(handle);
    if (!t || !text || size <= 0)
        return -1;
    const std::string why = t->lastRefusal();
    const size_t n = std::min(why.size(), size_t(size - 1));
    std::memcpy(text, why.data(), n);
    text[n] = '\0';
    return 0;
}

int VeldesSuspend(VeldesTimeline handle, int runId) {
    auto t = lookup(handle);
    return t ? t->suspend(runId) : -1;
}

int VeldesResume(VeldesTimeline handle, int runId) {
    auto t = lookup(handle);
    return t ? t->resume(runId) : -1;
}

int VeldesSkip(VeldesTimeline handle, int runId, int abort) {
    (void)abort; // skipping never waits, so shutting down needs nothing different
    auto t = lookup(handle);
    return t ? t->skip(runId) : -1;
}

int VeldesEditBegin(VeldesTimeline handle, const tagVeldesEditInfo* edit) {
    auto t = lookup(handle);
    return t ? t->editBegin(edit) : -1;
}

int VeldesEditEnd(VeldesTimeline handle, int) {
    auto t = lookup(handle);
    return t ? t->editEnd() : -1;
}

int VeldesAddFilter(VeldesTimeline handle, int filterId, const tagVeldesFilterInfo* filter) {
    auto t = lookup(handle);
    return t ? t->addFilter(filterId, filter) : -1;
}

int VeldesAddWatermark(VeldesTimeline handle, int filterId, const tagVeldesFilterInfo* filter) {
    auto t = lookup(handle);
    return t ? t->addWatermark(filterId, filter) : -1;
}

int VeldesRemoveWatermark(VeldesTimeline handle, int mediaId) {
    auto t = lookup(handle);
    return t ? t->removeWatermark(mediaId) : -1;
}

int VeldesPlay(VeldesTimeline handle) {
    auto t = lookup(handle);
    return t ? t->play() : -1;
}

int VeldesPause(VeldesTimeline handle) {
    auto t = lookup(handle);
    return t ? t->pause() : -1;
}

int VeldesSetCurPos(VeldesTimeline handle, int64_t positionMs, int) {
    auto t = lookup(handle);
    return t ? t->setPosition(positionMs) : -1;
}

int VeldesGetThumbnail(VeldesTimeline handle, int mediaId, int width, int height, const char*) {
    auto t = lookup(handle);
    return t ? t->thumbnail(mediaId, width, height) : -1;
}

int VeldesGetThumbnailOnPause(VeldesTimeline handle, int width, int height,
                              VeldesEventCallback callback, void* user) {
    auto t = lookup(handle);
    return t ? t->thumbnailOnPause(width, height, callback, user) : -1;
}

void VeldesRefreshOutputWindow(VeldesTimeline handle) {
    if (auto t = lookup(handle))
        t->refresh();
}

void VeldesChangeVolume(VeldesTimeline handle, int volume) {
    if (auto t = lookup(handle))
        t->setVolume(volume);
}

void VeldesShowVideoEffect(VeldesTimeline handle, int withEffects) {
    if (auto t = lookup(handle))
        t->showEffects(withEffects != 0);
}

} // extern "C"

#if defined(__SANITIZE_THREAD__)
// FFmpeg (and the PulseAudio client the sound capture uses) is not built for ThreadSanitizer:
// the hand-offs between its codec and filter threads use atomics the sanitizer cannot see, so
// frames and buffers passed on by them look unsynchronised, and their allocations and frees look
// racy. Those reports are about those libraries' insides, not about this engine; everything our own code does stays checked. Weak, so a program that brings its
// own list replaces this one; every program linking the engine (tests, movara-convert) gets it.
extern "C" __attribute__((weak)) const char* __tsan_default_suppressions() {
    return "race:libavcodec.so\n"
           "race:libavutil.so\n"
           "race:libavfilter.so\n"
           "race:libswscale.so\n"
           "race:libx264.so\n"
           "race:libxvidcore.so\n"
           "race:libpulsecommon\n" // the sound capture's PulseAudio client: its own threads
           "race:libpulse.so\n"
           "mutex:libpulsecommon\n"
           "mutex:libavcodec.so\n"
           "called_from_lib:libavcodec.so\n"
           "called_from_lib:libavutil.so\n"
           "called_from_lib:libavformat.so\n"
           "called_from_lib:libavfilter.so\n"
           "called_from_lib:libswscale.so\n"
           "called_from_lib:libswresample.so\n"
           "called_from_lib:libavdevice.so\n";
}
#endif

#if defined(__SANITIZE_ADDRESS__)
// SDL's sound start-up opens a D-Bus connection for its threads' priorities, which libdbus keeps
// for the life of the process; its buffers are not ours to free. Weak, as above.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
#endif
