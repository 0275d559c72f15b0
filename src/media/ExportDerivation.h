#pragma once

// How a profile and a source's streams become the records the codec engine encodes with: the
// export setting of one source (used by every run and by the size estimate) and the stream part
// of a run's export info. Plain functions of their inputs; ComputeBitrateByQuality is the only
// engine call.

#include "Profile.h"
#include "velcodecapi.h"

#include <string_view>

// The streams an export is derived from: the last video and the last audio stream of the
// engine's array (either may be absent).
struct ChosenStreams {
    const tagVeldesStreamInfo* video = nullptr;
    const tagVeldesStreamInfo* audio = nullptr;

    bool any() const { return video || audio; }
};
ChosenStreams chooseStreams(const tagVeldesStreamInfo* streams, int count);

inline int evenUp(int value) {
    return (value + 1) & ~1;
}
inline int evenDown(int value) {
    return value & ~1;
}

// The export setting of one source: all bytes 0xFF first, then every field from the profile and
// the streams.
tagVeldesExportSetting buildExportSetting(const Profile& profile, const ChosenStreams& streams);

// The codec fields of a run's export info (audio, then video) from the profile and the streams.
// The caller zero-fills the record and writes the format, path, callback and window.
void fillExportInfoStreams(tagVeldesExportInfo& info, const Profile& profile,
                           const ChosenStreams& streams);

// The frame rate both records use: the profile's, or for "auto" (0) and "original" (1) the
// source's when it reports one, else 25.
double exportFrameRate(const Profile& profile, const tagVeldesStreamInfo* video);
// 16:9 for aspect ratio 2, else 4:3.
double exportAspect(const Profile& profile);

// Copies `text` into a fixed field with its terminating zero. False (and the field untouched)
// when it does not fit.
bool copyField(char* field, size_t size, std::string_view text);
