// The texts of the media information dialog: the resolution, and the stream sections of the
// source ("original", mode 1) or of what the item's profile will produce ("encoder", mode 2).
// Lines end in "\r\n", as the text box receives them.
#pragma once

#include "MediaItem.h"
#include "velcodecapi.h"

#include <string>

inline constexpr int kInfoModeOriginal = 1;
inline constexpr int kInfoModeEncoder = 2;

// The first stream of each type, either may be absent.
struct FirstStreams {
    const tagVeldesStreamInfo* video = nullptr;
    const tagVeldesStreamInfo* audio = nullptr;
};
FirstStreams firstStreams(const tagVeldesStreamInfo* streams, int count);

// "File Type : " follows with this: the file name's extension, or "Device".
std::string mediaTypeText(const MediaItem& item);
// "%d x %d" of a device's capture rectangle or the first video stream; empty without video.
std::string mediaResolutionText(const MediaItem& item, const FirstStreams& streams);

std::string videoSectionText(int mode, const Profile& profile, const tagVeldesStreamInfo* video);
std::string audioSectionText(int mode, const Profile& profile, const tagVeldesStreamInfo* audio);
// Video section, "\r\n" when it is not empty, audio section.
std::string streamInfoText(int mode, const Profile& profile, const FirstStreams& streams);
