#include "MediaInfoText.h"

#include "ExportDerivation.h"
#include "ProfileTables.h"
#include "velcodecutil.h"

#include <cstdarg>
#include <cstdio>

namespace {

constexpr int kFallbackWidth = 320;
constexpr int kFallbackHeight = 240;
constexpr double kFallbackAspect = 1.33;
constexpr double kShownFallbackFrameRate = 12.0;
constexpr int kFallbackSampleRate = 44100;
constexpr int kFallbackAudioKbps = 128;

std::string format(const char* pattern, ...) {
    char text[256];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

// The profile's size when it sets both, else the source's, else 320 x 240.
void encodedSize(const Profile& profile, const tagVeldesStreamInfo* video, int* width,
                 int* height) {
    if (profile.width >= 1 && profile.height >= 1) {
        *width = profile.width;
        *height = profile.height;
    } else if (video) {
        *width = video->width;
        *height = video->height;
    } else {
        *width = kFallbackWidth;
        *height = kFallbackHeight;
    }
}

// The engine reports no display aspect; square pixels are assumed.
double sourceAspect(const tagVeldesStreamInfo* video) {
    if (!video || video->width <= 0 || video->height <= 0)
        return kFallbackAspect;
    return static_cast<double>(video->width) / video->height;
}

std::string originalVideo(const tagVeldesStreamInfo* video) {
    if (!video)
        return "No Video Stream\r\n";
    return "Video Stream Information\r\n" +
           format("Bitrate\t\t: %d kbps\r\n", video->bitRate / 1000) +
           format("FrameRate\t: %0.3f\r\n", video->frameRate) +
           format("Resolution\t: %d x %d\r\n", video->width, video->height) +
           format("AspectRatio\t: %0.3f\r\n", sourceAspect(video));
}

std::string encodedVideo(const Profile& profile, const tagVeldesStreamInfo* video) {
    if (!profile.hasVideo())
        return "No Video Stream\r\n";
    int width = 0;
    int height = 0;
    encodedSize(profile, video, &width, &height);
    int kbps = profile.videoBitrate;
    if (kbps == 0) {
        // The rate the conversion encodes with ("original" is the source's rate, not 1 fps).
        kbps = ComputeBitrateByQuality(width, height, exportFrameRate(profile, video),
                                       videoCodecEngineId(profile.videoCodec), 0,
                                       profile.videoQuality) /
               1000;
    }
    double frameRate = profile.frameRate;
    if (frameRate == 0.0 || frameRate == 1.0)
        frameRate = video && video->frameRate > 0.0 ? video->frameRate : kShownFallbackFrameRate;
    // "original" keeps the picture's shape inside the frame (bars where they differ), so what is
    // shown is the frame's own shape in square pixels.
    double aspect = video ? static_cast<double>(width) / height : sourceAspect(video);
    if (profile.aspectRatio == 2)
        aspect = 16.0 / 9.0;
    else if (profile.aspectRatio != 0)
        aspect = 4.0 / 3.0;
    return "Video Stream Information\r\n" + format("Bitrate\t\t: %d kbps\r\n", kbps) +
           format("FrameRate\t: %0.3f\r\n", frameRate) +
           format("Resolution\t: %d x %d\r\n", width, height) +
           format("AspectRatio\t: %0.3f\r\n", aspect);
}

std::string originalAudio(const tagVeldesStreamInfo* audio) {
    if (!audio)
        return "No Audio Stream\r\n";
    return "Audio Stream Information\r\n" +
           format("Bitrate\t\t: %d kbps\r\n", audio->bitRate / 1000) +
           format("Channels\t\t: %d\r\n", audio->channels) +
           format("SampleRate\t: %d Hz\r\n", audio->sampleRate);
}

std::string encodedAudio(const Profile& profile, const tagVeldesStreamInfo* audio) {
    if (!profile.hasAudio())
        return "No Audio Stream\r\n";
    const int channels = profile.channel == 0 ? 1 : 2;
    // "Source's rate" (0) is shown as the rate the conversion will use.
    int sampleRate = profile.sampleRate;
    if (sampleRate == 0)
        sampleRate = audio && audio->sampleRate > 0 ? audio->sampleRate : kFallbackSampleRate;
    int kbps = 0;
    if (profile.audioBitrate != 0)
        kbps = profile.audioBitrate / 1000;
    else if (!audio)
        kbps = kFallbackAudioKbps;
    else if (audio->bitRate != 0)
        kbps = audio->bitRate / 1000;
    else
        kbps = channels * sampleRate * 16 / 1000;
    return "Audio Stream Information\r\n" + format("Bitrate\t\t: %d kbps\r\n", kbps) +
           format("Channels\t\t: %d\r\n", channels) + format("SampleRate\t: %d Hz\r\n", sampleRate);
}

} // namespace

FirstStreams firstStreams(const tagVeldesStreamInfo* streams, int count) {
    FirstStreams first;
    for (int i = 0; streams && i < count; ++i) {
        if (streams[i].type == VELDES_STREAM_VIDEO && !first.video)
            first.video = &streams[i];
        else if (streams[i].type == VELDES_STREAM_AUDIO && !first.audio)
            first.audio = &streams[i];
    }
    return first;
}

std::string mediaTypeText(const MediaItem& item) {
    if (IsDevicePath(item.sourcePath))
        return "Device";
    const std::string& path = item.sourcePath;
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return path.substr(dot + 1);
}

std::string mediaResolutionText(const MediaItem& item, const FirstStreams& streams) {
    if (IsDevicePath(item.sourcePath))
        return format("%d x %d", item.device.right - item.device.left,
                      item.device.bottom - item.device.top);
    if (!streams.video)
        return {};
    return format("%d x %d", streams.video->width, streams.video->height);
}

std::string videoSectionText(int mode, const Profile& profile, const tagVeldesStreamInfo* video) {
    return mode == kInfoModeEncoder ? encodedVideo(profile, video) : originalVideo(video);
}

std::string audioSectionText(int mode, const Profile& profile, const tagVeldesStreamInfo* audio) {
    return mode == kInfoModeEncoder ? encodedAudio(profile, audio) : originalAudio(audio);
}

std::string streamInfoText(int mode, const Profile& profile, const FirstStreams& streams) {
    const std::string video = videoSectionText(mode, profile, streams.video);
    return video + (video.empty() ? "" : "\r\n") + audioSectionText(mode, profile, streams.audio);
}
