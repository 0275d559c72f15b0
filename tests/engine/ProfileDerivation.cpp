#include "ProfileDerivation.h"

#include "velcodecutil.h"

#include <cstring>
#include <stdexcept>

namespace enginetest {

namespace {

const int kVideoIds[20] = {0x200001, 0x200002, 0x200003, 0x200004, 0x200000, 18, 19, 74, 63, 13,
                           5,        28,       8,        16,       17,       25, 2,  20, 1,  72};
const int kAudioIds[12] = {0x15000, 0x15001, 0x10000, 0x15008, 0x15003, 0x15002,
                           0x13001, 0x10001, 0x12000, 0x15005, 0x15005, 0x1500E};
const char* const kFormatNames[37] = {
    "mp4",      "asf",  "avi",      "ac3",      "dv",  "mpeg2vob", "flv",  "mov",
    "mpeg",     "rmvb", "mpegts",   "vcd",      "wmv", "matroska", "aac",  "aiff",
    "amr",      "m4a",  "mp2",      "mp3",      "ogg", "ra",       "au",   "wav",
    "wma",      "mka",  "mpegts",   "dpg",      "3gp", "3g2",      "flac", "svcd",
    "mpeg2vob", "mpeg", "mpeg2vob", "mpeg2vob", "m4v"};

const tagVeldesStreamInfo* lastOfType(const std::vector<tagVeldesStreamInfo>& streams, int type) {
    const tagVeldesStreamInfo* found = nullptr;
    for (const tagVeldesStreamInfo& s : streams)
        if (s.type == type)
            found = &s;
    return found;
}

double aspectOf(const TestProfile& p) {
    return p.aspectRatio == 2 ? 16.0 / 9.0 : p.aspectRatio == 1 ? 4.0 / 3.0 : 0.0;
}

double frameRateOf(const TestProfile& p, const tagVeldesStreamInfo* v) {
    if (p.frameRate != 0.0 && p.frameRate != 1.0)
        return p.frameRate;
    return v && v->frameRate > 0.0 ? v->frameRate : 25.0;
}

} // namespace

const std::vector<TestProfile>& builtInProfiles() {
    // name, flag, format, video codec, size, audio codec, channel, rate, audio bit rate, quality
    static const std::vector<TestProfile> profiles = {
        {"MPEG-4 Video(*.mp4)", 0, 0, 8, 480, 320, 5, 1, 44100, 128000, 60},
        {"H.264 Video(*.mp4)", 0, 0, 11, 480, 320, 5, 1, 44100, 128000, 60},
        {"MOV Video(*.mov)", 0, 7, 8, 480, 320, 5, 1, 44100, 128000, 60},
        {"M4V Video(*.m4v)", 0, 36, 8, 640, 480, 5, 1, 44100, 96000, 60},
        {"M4A-MPEG4 Audio(*.m4a)", 0x08, 17, 0, 0, 0, 5, 1, 44100, 128000, 60},
        {"AAC-Advanced Audio Coding(*.aac)", 0x08, 14, 0, 0, 0, 5, 1, 44100, 128000, 60},
        {"MP3-MPEG Layer 3 Audio(*.mp3)", 0x08, 19, 0, 0, 0, 1, 1, 44100, 128000, 60},
        {"WAV-Waveform Audio(*.wav)", 0x08, 23, 0, 0, 0, 2, 1, 44100, 0, 60},
        {"3GPP-3rd Generation Partnership Project(176x144)(*.3gp)", 0, 28, 8, 176, 144, 8, 0, 8000,
         5150, 40},
        {"3GPP-3rd Generation Partnership Project(original size)(*.3gp)", 0, 28, 8, 0, 0, 8, 0,
         8000, 5150, 40},
        {"3GPP-3rd Generation Partnership Project2(176x144)(*.3g2)", 0, 29, 8, 176, 144, 5, 0,
         24000, 32000, 40},
        {"3GPP-3rd Generation Partnership Project2(original size)(*.3g2)", 0, 29, 8, 0, 0, 5, 0,
         24000, 32000, 40},
        {"MP4-MPEG-4 Video (176x144)(*.mp4)", 0, 0, 8, 176, 144, 5, 0, 24000, 32000, 40},
        {"MP4-MPEG-4 Video (original size)(*.mp4)", 0, 0, 8, 0, 0, 5, 0, 24000, 32000, 40},
        {"BlackBerry H.263 3GP Video(176x144)(*.3gp)", 0x10, 28, 10, 176, 144, 8, 0, 8000, 5150,
         40},
        {"BlackBerry 3GP Video(176x144)(*.3gp)", 0, 28, 8, 176, 144, 8, 0, 8000, 5150, 40},
        {"BlackBerry H.263 3G2 Video(176x144)(*.3g2)", 0x10, 29, 10, 176, 144, 8, 0, 8000, 5150,
         40},
        {"BlackBerry 3G2 Video(176x144)(*.3g2)", 0, 29, 8, 176, 144, 8, 0, 8000, 5150, 40},
        {"BlackBerry H.263 AVI Video(176x144)(*.avi)", 0x10, 2, 10, 176, 144, 1, 0, 22050, 32000,
         40},
        {"BlackBerry AMR Audio(*.amr)", 0x08, 16, 0, 0, 0, 8, 0, 8000, 7400, 60},
        {"BlackBerry MPEG-4 Video(176x144)(*.mp4)", 0, 0, 8, 176, 144, 5, 0, 24000, 32000, 40},
    };
    return profiles;
}

const TestProfile& builtInProfile(const std::string& name) {
    for (const TestProfile& p : builtInProfiles())
        if (name == p.name)
            return p;
    throw std::out_of_range("no built-in profile " + name);
}

const char* engineFormatName(int format) {
    return format >= 0 && format < 37 ? kFormatNames[format] : "";
}

int videoEngineId(const TestProfile& p) {
    if (p.flag & (0x02 | 0x08))
        return 0;
    return p.videoCodec >= 0 && p.videoCodec < 20 ? kVideoIds[p.videoCodec] : 0;
}

int audioEngineId(const TestProfile& p) {
    if (p.flag & 0x04)
        return 0;
    return p.audioCodec >= 0 && p.audioCodec < 12 ? kAudioIds[p.audioCodec] : 0;
}

tagVeldesExportSetting deriveExportSetting(const TestProfile& p,
                                           const std::vector<tagVeldesStreamInfo>& streams) {
    const tagVeldesStreamInfo* v = lastOfType(streams, VELDES_STREAM_VIDEO);
    const tagVeldesStreamInfo* a = lastOfType(streams, VELDES_STREAM_AUDIO);
    tagVeldesExportSetting s;
    std::memset(&s, 0xFF, sizeof s);
    std::memset(s.format, 0, sizeof s.format);
    std::strncpy(s.format, engineFormatName(p.format), sizeof s.format - 1);
    std::memset(s.extension, 0, sizeof s.extension);
    s.videoQuality = p.videoQuality;
    s.audioQuality = p.audioQuality;
    s.videoCodec = videoEngineId(p);
    s.aspect = aspectOf(p);
    s.frameRate = frameRateOf(p, v);
    s.videoValues[0] = v ? v->videoValues[0] : 0;
    s.videoValues[1] = v ? v->videoValues[1] : 0;
    int height = p.height > 1 ? p.height : v ? v->height : p.height;
    int width = p.width > 1 ? p.width : v ? v->width : p.width;
    s.height = (height + 1) & ~1;
    s.width = (width + 1) & ~1;
    if (s.videoCodec == 0)
        s.videoBitrate = 0;
    else if (p.videoBitrate != 0)
        s.videoBitrate = p.videoBitrate * 1000;
    else
        s.videoBitrate = ComputeBitrateByQuality(s.width, s.height, s.frameRate, s.videoCodec, 0,
                                                 p.videoQuality);
    if (!v && s.videoCodec != 0) {
        s.width = 320;
        s.height = 240;
        s.frameRate = 25.0;
        s.aspect = 1.3333;
        s.videoBitrate = 76800;
    }
    s.audioCodec = audioEngineId(p);
    s.channels = p.channel == 0 ? 1 : 2;
    s.bitsPerSample = 16;
    s.sampleRate = p.sampleRate > 0 ? p.sampleRate : a ? a->sampleRate : p.sampleRate;
    if (s.audioCodec == 0)
        s.audioBitrate = 0;
    else if (p.audioBitrate > 0)
        s.audioBitrate = p.audioBitrate;
    else if (a)
        s.audioBitrate = a->bitRate != 0 ? a->bitRate : s.sampleRate * s.channels * 16;
    else
        s.audioBitrate = p.audioBitrate;
    s.audioValues[0] = a ? a->audioValues[0] : 0;
    s.audioValues[1] = a ? a->audioValues[1] : 0;
    if (!a && s.audioCodec != 0) {
        s.audioBitrate = 128000;
        s.channels = 2;
        s.bitsPerSample = 16;
        s.sampleRate = 44100;
    }
    return s;
}

tagVeldesExportInfo deriveExportInfo(const TestProfile& p,
                                     const std::vector<tagVeldesStreamInfo>& streams,
                                     const std::string& outputPath) {
    const tagVeldesStreamInfo* v = lastOfType(streams, VELDES_STREAM_VIDEO);
    const tagVeldesStreamInfo* a = lastOfType(streams, VELDES_STREAM_AUDIO);
    tagVeldesExportInfo info;
    std::memset(&info, 0, sizeof info);
    std::strncpy(info.format, engineFormatName(p.format), 15);
    std::strncpy(info.outputPath, outputPath.c_str(), 259);
    if (!(p.flag & 0x04)) {
        info.audioCodec = audioEngineId(p);
        if (a) {
            info.sampleRate = p.sampleRate != 0 ? p.sampleRate : a->sampleRate;
            info.channels = p.channel == 0 ? 1 : 2;
            info.audioBitrate = p.audioBitrate != 0 ? p.audioBitrate
                                : a->bitRate != 0   ? a->bitRate
                                                    : info.sampleRate * info.channels * 16;
        } else {
            info.audioBitrate = 128000;
            info.sampleRate = 44100;
            info.channels = 2;
        }
        info.bitsPerSample = 16;
    }
    if (!(p.flag & (0x02 | 0x08))) {
        info.videoCodec = videoEngineId(p);
        if (!v) {
            info.frameRate = 25.0;
            info.aspect = 1.3333;
            info.width = 320;
            info.height = 240;
            info.videoBitrate = 76800;
        } else {
            info.width = p.width != 0 ? (p.width + 1) & ~1 : v->width & ~1;
            info.height = p.height != 0 ? (p.height + 1) & ~1 : v->height & ~1;
            info.frameRate = frameRateOf(p, v);
            info.aspect = aspectOf(p);
            info.videoBitrate =
                p.videoBitrate != 0
                    ? p.videoBitrate * 1000
                    : ComputeBitrateByQuality(info.width, info.height, info.frameRate,
                                              info.videoCodec, 0, p.videoQuality);
        }
    }
    return info;
}

int addWithProfile(VeldesTimeline timeline, const std::string& source, const TestProfile& p,
                   std::vector<tagVeldesStreamInfo>* streams) {
    tagVeldesTrackInfo track{};
    track.option = 1;
    track.path = source.c_str();
    const int id = VeldesAddMedia2(timeline, &track, nullptr, 0);
    tagVeldesStreamInfo* array = nullptr;
    const int count = id >= 0 ? VeldesGetMediaInfo(timeline, id, &array) : -1;
    if (count <= 0)
        return -1;
    streams->assign(array, array + count);
    tagVeldesExportSetting setting = deriveExportSetting(p, *streams);
    VeldesSetExportSetting(timeline, id, &setting);
    return id;
}

} // namespace enginetest
