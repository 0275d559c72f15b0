#include "CodecMap.h"

#include "velcodecapi.h"

#include <cstring>

namespace vel {

namespace {

const VideoCodecEntry kVideo[] = {
    {VELDES_VCODEC_MPEG1, "mpeg1video", AV_PIX_FMT_YUV420P, FrameRule::Free, 0.45, false},
    {VELDES_VCODEC_MPEG2, "mpeg2video", AV_PIX_FMT_YUV420P, FrameRule::Free, 0.40, false},
    {VELDES_VCODEC_H263, "h263", AV_PIX_FMT_YUV420P, FrameRule::H263Sizes, 0.30, false},
    {VELDES_VCODEC_MJPEG, "mjpeg", AV_PIX_FMT_YUVJ420P, FrameRule::Free, 1.00, false},
    {VELDES_VCODEC_MPEG4, "mpeg4", AV_PIX_FMT_YUV420P, FrameRule::Free, 0.25, false},
    {VELDES_VCODEC_MSMPEG4V2, "msmpeg4v2", AV_PIX_FMT_YUV420P, FrameRule::Free, 0.30, false},
    {VELDES_VCODEC_MSMPEG4V3, "msmpeg4", AV_PIX_FMT_YUV420P, FrameRule::Free, 0.28, false},
    {VELDES_VCODEC_WMV1, "wmv1", AV_PIX_FMT_YUV420P, FrameRule::Free, 0.30, false},
    {VELDES_VCODEC_WMV2, "wmv2", AV_PIX_FMT_YUV420P, FrameRule::Free, 0.28, false},
    {VELDES_VCODEC_FLV1, "flv", AV_PIX_FMT_YUV420P, FrameRule::Free, 0.30, false},
    {VELDES_VCODEC_DVVIDEO, "dvvideo", AV_PIX_FMT_NONE, FrameRule::DvSystem, 0.0, false},
    {VELDES_VCODEC_H264, "libx264", AV_PIX_FMT_YUV420P, FrameRule::Free, 0.12, false},
    {VELDES_VCODEC_XVID, "libxvid", AV_PIX_FMT_YUV420P, FrameRule::Free, 0.25, false},
    // RealVideo 8/9/10 and Windows Media 9 have no encoder in FFmpeg.
    {VELDES_VCODEC_RMVB, nullptr, AV_PIX_FMT_NONE, FrameRule::Free, 0.0, false},
    {VELDES_VCODEC_WMV3, nullptr, AV_PIX_FMT_NONE, FrameRule::Free, 0.0, false},
    {VELDES_VCODEC_RAW_RGBA32, "rawvideo", AV_PIX_FMT_BGRA, FrameRule::Free, 32.0, true},
    {VELDES_VCODEC_RAW_BGR24, "rawvideo", AV_PIX_FMT_BGR24, FrameRule::Free, 24.0, true},
    {VELDES_VCODEC_RAW_RGB555, "rawvideo", AV_PIX_FMT_RGB555LE, FrameRule::Free, 16.0, true},
    {VELDES_VCODEC_RAW_YUY2, "rawvideo", AV_PIX_FMT_YUYV422, FrameRule::Free, 16.0, true},
    {VELDES_VCODEC_RAW_UYVY, "rawvideo", AV_PIX_FMT_UYVY422, FrameRule::Free, 16.0, true},
};

const int kAmrRates[] = {4750, 5150, 5900, 6700, 7400, 7950, 10200, 12200, 0};
const int kMp2Rates[] = {32000,  48000,  56000,  64000,  80000,  96000,  112000, 128000,
                         160000, 192000, 224000, 256000, 320000, 384000, 0};
const int kMp2LowRates[] = {8000,  16000, 24000,  32000,  40000,  48000,  56000, 64000,
                            80000, 96000, 112000, 128000, 144000, 160000, 0};
const int kAc3Rates[] = {32000,  40000,  48000,  56000,  64000,  80000,  96000,
                         112000, 128000, 160000, 192000, 224000, 256000, 320000,
                         384000, 448000, 512000, 576000, 640000, 0};
const int kRa144Rates[] = {8000, 0};

const AudioCodecEntry kAudio[] = {
    {VELDES_ACODEC_PCM_S16LE, "pcm_s16le", 0, 0, nullptr, nullptr, true},
    {VELDES_ACODEC_PCM_S16BE, "pcm_s16be", 0, 0, nullptr, nullptr, true},
    {VELDES_ACODEC_AMR_NB, "libopencore_amrnb", 8000, 1, kAmrRates, nullptr, false},
    {VELDES_ACODEC_RA, "real_144", 8000, 1, kRa144Rates, nullptr, false},
    {VELDES_ACODEC_MP2, "mp2", 0, 0, kMp2Rates, kMp2LowRates, false},
    {VELDES_ACODEC_MP3, "libmp3lame", 0, 0, nullptr, nullptr, false},
    {VELDES_ACODEC_AAC, "aac", 0, 0, nullptr, nullptr, false},
    {VELDES_ACODEC_AC3, "ac3", 0, 0, kAc3Rates, nullptr, false},
    {VELDES_ACODEC_VORBIS, "libvorbis", 0, 0, nullptr, nullptr, false},
    {VELDES_ACODEC_WMA, "wmav2", 0, 0, nullptr, nullptr, false},
    {VELDES_ACODEC_FLAC, "flac", 0, 0, nullptr, nullptr, true},
};

const char* const kDvVideo[] = {"dvvideo", nullptr};
const char* const kDvAudio[] = {"pcm_s16le", nullptr};
const char* const kMpegVideo[] = {"mpeg1video", "mpeg2video", nullptr};
const char* const kMpeg1Video[] = {"mpeg1video", nullptr};
const char* const kMpegAudio[] = {"mp2", "libmp3lame", "ac3", "pcm_s16be", nullptr};
const char* const kMp2Only[] = {"mp2", nullptr};
const char* const kTsVideo[] = {"mpeg1video", "mpeg2video", "libx264", "mpeg4", "libxvid", nullptr};
const char* const kTsAudio[] = {"mp2", "libmp3lame", "aac", "ac3", nullptr};
const char* const kAc3Only[] = {"ac3", nullptr};
const char* const kAacOnly[] = {"aac", nullptr};
const char* const kAmrOnly[] = {"libopencore_amrnb", nullptr};
const char* const kMp3Only[] = {"libmp3lame", nullptr};
const char* const kOggAudio[] = {"libvorbis", "flac", nullptr};
const char* const kFlacOnly[] = {"flac", nullptr};
const char* const kNone[] = {nullptr};

const int kFlvRates[] = {44100, 22050, 11025, 0};
const int kDvRates[] = {48000, 44100, 32000, 0};

const FormatEntry kFormats[] = {
    {"mp4", "mp4", false, nullptr, nullptr, nullptr},
    {"asf", "asf", false, nullptr, nullptr, nullptr},
    {"avi", "avi", false, nullptr, nullptr, nullptr},
    {"ac3", "ac3", true, kNone, kAc3Only, nullptr},
    {"dv", "dv", false, kDvVideo, kDvAudio, kDvRates},
    {"mpeg2vob", "vob", false, kMpegVideo, kMpegAudio, nullptr},
    {"flv", "flv", false, nullptr, nullptr, kFlvRates},
    {"mov", "mov", false, nullptr, nullptr, nullptr},
    {"mpeg", "mpeg", false, kMpegVideo, kMpegAudio, nullptr},
    {"rmvb", "rm", false, nullptr, nullptr, nullptr},
    {"mpegts", "mpegts", false, kTsVideo, kTsAudio, nullptr},
    {"vcd", "vcd", false, kMpeg1Video, kMp2Only, nullptr},
    {"svcd", "svcd", false, kMpegVideo, kMp2Only, nullptr},
    {"wmv", "asf", false, nullptr, nullptr, nullptr},
    {"matroska", "matroska", false, nullptr, nullptr, nullptr},
    {"aac", "adts", true, kNone, kAacOnly, nullptr},
    {"aiff", "aiff", true, nullptr, nullptr, nullptr},
    {"amr", "amr", true, kNone, kAmrOnly, nullptr},
    {"m4a", "ipod", true, nullptr, nullptr, nullptr},
    // The same muxer brands a file with pictures "M4V ".
    {"m4v", "ipod", false, nullptr, nullptr, nullptr},
    {"mp2", "mp2", true, kNone, kMp2Only, nullptr},
    {"mp3", "mp3", true, kNone, kMp3Only, nullptr},
    {"ogg", "ogg", true, kNone, kOggAudio, nullptr},
    {"ra", "rm", true, nullptr, nullptr, nullptr},
    {"au", "au", true, nullptr, nullptr, nullptr},
    {"wav", "wav", true, nullptr, nullptr, nullptr},
    {"wma", "asf", true, nullptr, nullptr, nullptr},
    {"mka", "matroska", true, nullptr, nullptr, nullptr},
    {"3gp", "3gp", false, nullptr, nullptr, nullptr},
    {"3g2", "3g2", false, nullptr, nullptr, nullptr},
    {"flac", "flac", true, kNone, kFlacOnly, nullptr},
    // Nintendo DS video needs a muxer FFmpeg does not have.
    {"dpg", nullptr, false, nullptr, nullptr, nullptr},
};

bool listHas(const char* const* list, const char* name) {
    for (; *list; ++list)
        if (std::strcmp(*list, name) == 0)
            return true;
    return false;
}

} // namespace

const VideoCodecEntry* findVideoCodec(int engineId) {
    for (const VideoCodecEntry& e : kVideo)
        if (e.engineId == engineId)
            return &e;
    return nullptr;
}

const AudioCodecEntry* findAudioCodec(int engineId) {
    for (const AudioCodecEntry& e : kAudio)
        if (e.engineId == engineId)
            return &e;
    return nullptr;
}

const FormatEntry* findFormat(const std::string& name) {
    for (const FormatEntry& e : kFormats)
        if (name == e.name)
            return &e;
    return nullptr;
}

bool formatCarries(const FormatEntry& format, const AVOutputFormat* muxer, const AVCodec* encoder) {
    bool video = encoder->type == AVMEDIA_TYPE_VIDEO;
    if (video && format.audioOnly)
        return false;
    const char* const* list = video ? format.videoEncoders : format.audioEncoders;
    if (list)
        return listHas(list, encoder->name);
    return avformat_query_codec(muxer, encoder->id, FF_COMPLIANCE_NORMAL) == 1;
}

} // namespace vel
