#include "ExportDerivation.h"

#include "ProfileCatalogue.h"
#include "velcodecutil.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr double kAspect4x3 = 4.0 / 3.0;
constexpr double kAspect16x9 = 16.0 / 9.0;
constexpr double kDefaultFrameRate = 25.0;

// The stand-ins for a missing stream when the profile still asks for that kind of stream.
constexpr int kNoVideoWidth = 320;
constexpr int kNoVideoHeight = 240;
constexpr int kNoVideoBitrate = 76800;
constexpr int kNoAudioBitrate = 128000;
constexpr int kNoAudioSampleRate = 44100;
constexpr int kNoAudioChannels = 2;
constexpr int kBitsPerSample = 16;

int channelsOf(const Profile& profile) {
    return profile.channel == 0 ? 1 : 2;
}

// "%.15s"-style: a name longer than the field keeps its first size-1 characters, as the engine's
// format names are short by design.
void copyTruncated(char* field, size_t size, std::string_view text) {
    const size_t n = std::min(text.size(), size - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

// The picture made for a source without one (black, or the cover art it carries): the frame
// the profile sets, else 320x240 at 4:3, at the profile's rate; cheap, as it hardly changes.
struct StandInPicture {
    int width = kNoVideoWidth, height = kNoVideoHeight;
    double aspect = kAspect4x3;
    double frameRate = kDefaultFrameRate;
};

StandInPicture standInPicture(const Profile& p) {
    StandInPicture picture;
    if (p.width > 1 && p.height > 1) {
        picture.width = evenUp(p.width);
        picture.height = evenUp(p.height);
        const double aspect = exportAspect(p);
        picture.aspect = aspect > 0.0 ? aspect : double(picture.width) / picture.height;
    }
    picture.frameRate = exportFrameRate(p, nullptr);
    return picture;
}

} // namespace

ChosenStreams chooseStreams(const tagVeldesStreamInfo* streams, int count) {
    ChosenStreams chosen;
    for (int i = 0; streams && i < count; ++i) {
        if (streams[i].type == VELDES_STREAM_VIDEO) {
            chosen.video = &streams[i];
        } else if (streams[i].type == VELDES_STREAM_AUDIO) {
            chosen.audio = &streams[i];
        }
    }
    return chosen;
}

double exportFrameRate(const Profile& profile, const tagVeldesStreamInfo* video) {
    const double rate = profile.frameRate;
    if (rate != 0.0 && rate != 1.0) {
        return rate;
    }
    if (video && video->frameRate > 0.0) {
        return video->frameRate;
    }
    return kDefaultFrameRate;
}

// 0 asks the engine to keep the source's own shape ("original").
double exportAspect(const Profile& profile) {
    switch (profile.aspectRatio) {
    case 1:
        return kAspect4x3;
    case 2:
        return kAspect16x9;
    default:
        return 0.0;
    }
}

bool copyField(char* field, size_t size, std::string_view text) {
    if (text.size() >= size) {
        return false;
    }
    std::memcpy(field, text.data(), text.size());
    field[text.size()] = '\0';
    return true;
}

tagVeldesExportSetting buildExportSetting(const Profile& p, const ChosenStreams& streams) {
    tagVeldesExportSetting s;
    std::memset(&s, 0xFF, sizeof s);
    const tagVeldesStreamInfo* v = streams.video;
    const tagVeldesStreamInfo* a = streams.audio;

    copyTruncated(s.format, sizeof s.format, ProfileCatalogue::engineFormatOf(p));
    copyTruncated(s.extension, sizeof s.extension, ProfileCatalogue::extensionOf(p));
    s.videoQuality = p.videoQuality;
    s.audioQuality = p.audioQuality;

    // Video.
    s.videoCodec = ProfileCatalogue::videoEngineId(p);
    s.aspect = exportAspect(p);
    s.frameRate = exportFrameRate(p, v);
    s.videoValues[0] = v ? v->videoValues[0] : 0;
    s.videoValues[1] = v ? v->videoValues[1] : 0;
    s.height = evenUp(p.height > 1 ? p.height : (v ? v->height : p.height));
    s.width = evenUp(p.width > 1 ? p.width : (v ? v->width : p.width));
    if (s.videoCodec != 0 && !v) {
        const StandInPicture picture = standInPicture(p);
        s.width = picture.width;
        s.height = picture.height;
        s.frameRate = picture.frameRate;
        s.aspect = picture.aspect;
        s.videoBitrate = kNoVideoBitrate;
    } else if (s.videoCodec == 0) {
        s.videoBitrate = 0;
    } else if (p.videoBitrate != 0) {
        s.videoBitrate = p.videoBitrate * 1000;
    } else {
        s.videoBitrate = ComputeBitrateByQuality(s.width, s.height, s.frameRate, s.videoCodec, 0,
                                                 p.videoQuality);
    }

    // Audio.
    s.audioCodec = ProfileCatalogue::audioEngineId(p);
    s.channels = channelsOf(p);
    s.bitsPerSample = kBitsPerSample;
    s.sampleRate = p.sampleRate > 0 ? p.sampleRate : (a ? a->sampleRate : p.sampleRate);
    if (s.audioCodec == 0) {
        s.audioBitrate = 0;
    } else if (p.audioBitrate > 0) {
        s.audioBitrate = p.audioBitrate;
    } else if (a) {
        s.audioBitrate = a->bitRate != 0 ? a->bitRate : s.sampleRate * s.channels * 16;
    } else {
        s.audioBitrate = p.audioBitrate;
    }
    s.audioValues[0] = a ? a->audioValues[0] : 0;
    s.audioValues[1] = a ? a->audioValues[1] : 0;
    if (!a && s.audioCodec != 0) {
        s.audioBitrate = kNoAudioBitrate;
        s.channels = kNoAudioChannels;
        s.bitsPerSample = kBitsPerSample;
        s.sampleRate = kNoAudioSampleRate;
    }
    return s;
}

void fillExportInfoStreams(tagVeldesExportInfo& info, const Profile& p,
                           const ChosenStreams& streams) {
    const tagVeldesStreamInfo* v = streams.video;
    const tagVeldesStreamInfo* a = streams.audio;

    if (p.hasAudio()) {
        info.audioCodec = ProfileCatalogue::audioEngineId(p);
        if (a) {
            info.sampleRate = p.sampleRate != 0 ? p.sampleRate : a->sampleRate;
            info.channels = channelsOf(p);
            if (p.audioBitrate != 0) {
                info.audioBitrate = p.audioBitrate;
            } else if (a->bitRate != 0) {
                info.audioBitrate = a->bitRate;
            } else {
                info.audioBitrate = info.sampleRate * info.channels * 16;
            }
        } else {
            info.audioBitrate = kNoAudioBitrate;
            info.sampleRate = kNoAudioSampleRate;
            info.channels = kNoAudioChannels;
        }
        info.bitsPerSample = kBitsPerSample;
        info.reserved2[0] = 0;
        info.reserved2[1] = 0;
    }

    if (p.hasVideo()) {
        info.videoCodec = ProfileCatalogue::videoEngineId(p);
        if (!v) {
            const StandInPicture picture = standInPicture(p);
            info.frameRate = picture.frameRate;
            info.aspect = picture.aspect;
            info.width = picture.width;
            info.height = picture.height;
            info.videoBitrate = kNoVideoBitrate;
        } else {
            info.width = p.width != 0 ? evenUp(p.width) : std::max(2, evenDown(v->width));
            info.height = p.height != 0 ? evenUp(p.height) : std::max(2, evenDown(v->height));
            info.frameRate = exportFrameRate(p, v);
            info.aspect = exportAspect(p);
            info.videoBitrate =
                p.videoBitrate != 0
                    ? p.videoBitrate * 1000
                    : ComputeBitrateByQuality(info.width, info.height, info.frameRate,
                                              info.videoCodec, 0, p.videoQuality);
        }
        info.reserved1[0] = 0;
        info.reserved1[1] = 0;
    }
}
