// The contract's entry points, each handed to the process-wide fake.
#include "FakeVelCodec.h"

#include <cstdio>

#include <algorithm>

namespace {
FakeVelCodec& fake() {
    return FakeVelCodec::instance();
}
} // namespace

extern "C" {

VeldesTimeline CreateTimeline(int option) {
    return fake().createTimeline(option);
}
int DestroyTimeline(VeldesTimeline timeline) {
    return fake().destroyTimeline(timeline);
}

int VeldesAddMedia2(VeldesTimeline timeline, const tagVeldesTrackInfo* track, void*, int) {
    return fake().addMedia(timeline, track);
}
int VeldesRemoveMedia(VeldesTimeline timeline, int mediaId) {
    return fake().removeMedia(timeline, mediaId);
}
int VeldesGetMediaInfo(VeldesTimeline timeline, int mediaId, tagVeldesStreamInfo** streams) {
    return fake().getMediaInfo(timeline, mediaId, streams);
}
int VeldesGetMediaDuration(VeldesTimeline timeline, int mediaId, int64_t* durationMs) {
    return fake().getDuration(timeline, mediaId, durationMs);
}
int VeldesGetMediaTracks(VeldesTimeline timeline, int mediaId, tagVeldesTrack** tracks) {
    return fake().getTracks(timeline, mediaId, tracks);
}
int VeldesSetMediaSubtitles(VeldesTimeline timeline, int mediaId, int burn) {
    return fake().setSubtitles(timeline, mediaId, burn);
}
int VeldesSetExportSetting(VeldesTimeline timeline, int mediaId,
                           const tagVeldesExportSetting* setting) {
    return fake().setExportSetting(timeline, mediaId, setting);
}
int VeldesSetMediaBeginPos(VeldesTimeline timeline, int mediaId, int64_t positionMs) {
    return fake().setPosition("VeldesSetMediaBeginPos", timeline, mediaId, positionMs);
}
int VeldesSetMediaStopPos(VeldesTimeline timeline, int mediaId, int64_t positionMs) {
    return fake().setPosition("VeldesSetMediaStopPos", timeline, mediaId, positionMs);
}
int VeldesGetMediaEncodedSize(VeldesTimeline timeline, int mediaId, int64_t* bytes) {
    return fake().getEncodedSize(timeline, mediaId, bytes);
}

int VeldesMeasureMediaEncodedSize(VeldesTimeline timeline, int mediaId, VeldesEventCallback,
                                  void*) {
    return fake().simple("VeldesMeasureMediaEncodedSize", timeline, mediaId);
}

// Loudness is kept per media (see FakeMedia), not recorded as calls.
int VeldesMeasureMediaLoudness(VeldesTimeline timeline, int mediaId, VeldesEventCallback, void*,
                               int cancel) {
    return cancel ? 0 : fake().measureLoudness(timeline, mediaId);
}
int VeldesGetMediaLoudness(VeldesTimeline timeline, int mediaId, tagVeldesLoudness* measured) {
    return fake().getLoudness(timeline, mediaId, measured);
}
int VeldesSetMediaLoudness(VeldesTimeline timeline, int mediaId, double targetLufs,
                           double ceilingDbtp, const tagVeldesLoudness* measured) {
    return fake().setLoudness(timeline, mediaId, targetLufs, ceilingDbtp, measured);
}

int VeldesRun(VeldesTimeline timeline, const int* mediaIds, int count,
              const tagVeldesExportInfo* info) {
    return fake().startRun(timeline, mediaIds, count, info);
}
// Size limits are the real engine's; the fake takes them without recording.
int VeldesSetMediaTargetSize(VeldesTimeline, int, int64_t bytes) {
    return bytes < 0 ? -1 : 0;
}
int VeldesPlanMediaTargetSize(VeldesTimeline, int, int64_t, int64_t*, int64_t*, char*, int) {
    return -1;
}
// Not recorded: it only explains a refusal the test scripted itself.
int VeldesGetRunRefusal(VeldesTimeline, char* text, int size) {
    if (!text || size <= 0)
        return -1;
    std::snprintf(text, size_t(size), "%s", "the test engine refused the run");
    return 0;
}
int VeldesSuspend(VeldesTimeline timeline, int runId) {
    return fake().runControl("VeldesSuspend", timeline, runId, 0);
}
int VeldesResume(VeldesTimeline timeline, int runId) {
    return fake().runControl("VeldesResume", timeline, runId, 0);
}
int VeldesSkip(VeldesTimeline timeline, int runId, int abort) {
    return fake().runControl("VeldesSkip", timeline, runId, abort);
}

int VeldesEditBegin(VeldesTimeline timeline, const tagVeldesEditInfo* edit) {
    return fake().editBegin(timeline, edit);
}
int VeldesEditEnd(VeldesTimeline timeline, int flag) {
    return fake().editEnd(timeline, flag);
}
int VeldesPlay(VeldesTimeline timeline) {
    return fake().simple("VeldesPlay", timeline, 0);
}
int VeldesPause(VeldesTimeline timeline) {
    return fake().simple("VeldesPause", timeline, 0);
}
int VeldesSetCurPos(VeldesTimeline timeline, int64_t positionMs, int flag) {
    return fake().simple("VeldesSetCurPos", timeline, positionMs, flag);
}
int VeldesAddFilter(VeldesTimeline timeline, int filterId, const tagVeldesFilterInfo* filter) {
    return fake().addFilter("VeldesAddFilter", timeline, filterId, filter);
}
int VeldesAddWatermark(VeldesTimeline timeline, int filterId, const tagVeldesFilterInfo* filter) {
    return fake().addFilter("VeldesAddWatermark", timeline, filterId, filter);
}
int VeldesRemoveWatermark(VeldesTimeline timeline, int mediaId) {
    return fake().removeWatermark(timeline, mediaId);
}
int VeldesGetThumbnail(VeldesTimeline timeline, int mediaId, int width, int height,
                       const char* fileName) {
    return fake().thumbnail(timeline, mediaId, width, height, fileName);
}
int VeldesGetThumbnailOnPause(VeldesTimeline timeline, int width, int height,
                              VeldesEventCallback callback, void* user) {
    return fake().thumbnailOnPause(timeline, width, height, callback, user);
}
void VeldesRefreshOutputWindow(VeldesTimeline timeline) {
    fake().simple("VeldesRefreshOutputWindow", timeline, 0);
}
void VeldesChangeVolume(VeldesTimeline timeline, int volume) {
    fake().simple("VeldesChangeVolume", timeline, volume);
}
void VeldesShowVideoEffect(VeldesTimeline timeline, int withEffects) {
    fake().simple("VeldesShowVideoEffect", timeline, withEffects);
}

} // extern "C"

// --- velcodecutil ------------------------------------------------------------------------------

int ComputeBitrateByQuality(int width, int height, double frameRate, int codecId, int reserved,
                            int quality) {
    return fake().bitrateByQuality(width, height, frameRate, codecId, reserved, quality);
}

bool IsDevicePath(const std::string& path) {
    return path.starts_with(kFakeDevicePrefix);
}

std::string GenDevicePath(const VEL_DEVICE_INFO* device) {
    if (!device) {
        return std::string();
    }
    return std::string(kFakeDevicePrefix) + device->videoDevice + "|" + device->audioDevice;
}

namespace {

uint8_t clampByte(int value) {
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

} // namespace

void Yuv420ToRgb32(const uint8_t* const planes[3], const int strides[3], uint8_t* destination,
                   int pitch, int width, int height) {
    // BT.601 limited range, integer arithmetic; good enough for pictures in tests.
    for (int y = 0; y < height; ++y) {
        uint8_t* row = destination + static_cast<ptrdiff_t>(y) * pitch;
        for (int x = 0; x < width; ++x) {
            const int c = planes[0][y * strides[0] + x] - 16;
            const int d = planes[1][(y / 2) * strides[1] + x / 2] - 128;
            const int e = planes[2][(y / 2) * strides[2] + x / 2] - 128;
            row[4 * x + 0] = clampByte((298 * c + 516 * d + 128) >> 8);           // blue
            row[4 * x + 1] = clampByte((298 * c - 100 * d - 208 * e + 128) >> 8); // green
            row[4 * x + 2] = clampByte((298 * c + 409 * e + 128) >> 8);           // red
            row[4 * x + 3] = 0xFF;
        }
    }
}

void Yuv420ToYv12(const uint8_t* const planes[3], const int strides[3], uint8_t* destination,
                  int pitch, int width, int height) {
    uint8_t* out = destination;
    for (int y = 0; y < height; ++y, out += pitch) {
        std::copy_n(planes[0] + static_cast<ptrdiff_t>(y) * strides[0], width, out);
    }
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    const int chromaPitch = pitch / 2;
    for (int plane : {2, 1}) { // V, then U
        for (int y = 0; y < chromaHeight; ++y, out += chromaPitch) {
            std::copy_n(planes[plane] + static_cast<ptrdiff_t>(y) * strides[plane], chromaWidth,
                        out);
        }
    }
}
