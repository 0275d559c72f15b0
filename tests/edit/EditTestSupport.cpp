#include "EditTestSupport.h"

#include "Profile.h"

#include <gtest/gtest.h>

StreamList streamsOf(int width, int height, bool audio) {
    StreamList streams;
    if (width > 0 && height > 0) {
        tagVeldesStreamInfo video{};
        video.type = VELDES_STREAM_VIDEO;
        video.width = width;
        video.height = height;
        video.frameRate = 25.0;
        streams.push_back(video);
    }
    if (audio) {
        tagVeldesStreamInfo sound{};
        sound.type = VELDES_STREAM_AUDIO;
        sound.sampleRate = 44100;
        sound.channels = 2;
        streams.push_back(sound);
    }
    return streams;
}

std::unique_ptr<MediaItem> editItem(bool audioOnlyProfile) {
    auto item = std::make_unique<MediaItem>();
    auto profile = std::make_shared<Profile>();
    profile->name = audioOnlyProfile ? "MP3" : "MP4";
    profile->flag = audioOnlyProfile ? kProfileAudioOnly : 0;
    item->profile = profile;
    item->sourcePath = "/in/clip.mp4";
    return item;
}
