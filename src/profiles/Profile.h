#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Bits of Profile::flag.
inline constexpr int32_t kProfileVideoDisabled = 0x02; // the user switched video off
inline constexpr int32_t kProfileAudioDisabled = 0x04; // the user switched audio off
inline constexpr int32_t kProfileAudioOnly = 0x08;     // no video stream can ever be produced
inline constexpr int32_t kProfileFixedFrameSizes =
    0x10; // only the listed sizes, no free width/height

// Frame size mask a freshly constructed profile offers (entries 0..31 low, 32..40 high).
inline constexpr uint32_t kDefaultFrameSizeMaskLow = 0x4C4330B9;
inline constexpr uint32_t kDefaultFrameSizeMaskHigh = 0x104;

// One output profile: container, codecs, their settings and the alternatives the setting dialog
// may offer. A value type; the catalogue stores its own copies.
//
// The 41-bit frame size mask is kept as two 32-bit words, frameSizeMaskLow (entries 0..31) and
// frameSizeMaskHigh (entries 32..40); frameSizeMask()/setFrameSizeMask() view them as one uint64.
struct Profile {
    int32_t flag = 0;
    int32_t category = 0;
    int32_t format = 0;
    std::string name;
    std::string desc;
    int32_t index = 0; // (source category << 16) | source position; 0 for built-ins
    int32_t videoCodec = 0;
    uint32_t videoCodecMask = 0;
    int32_t width = 0;  // 0: width of the source
    int32_t height = 0; // 0: height of the source
    uint32_t frameSizeMaskLow = kDefaultFrameSizeMaskLow;
    uint32_t frameSizeMaskHigh = kDefaultFrameSizeMaskHigh;
    float frameRate = 0.0f; // 0 "auto", 1 "original"
    std::string frameRateOptions;
    int32_t videoBitrate = 0; // kbit/s, 0 "auto"
    std::string videoBitrateOptions;
    int32_t aspectRatio = 0;
    int32_t aspectRatioMask = 7;
    int32_t videoQuality = 60;
    int32_t audioCodec = 0;
    uint32_t audioCodecMask = 0;
    int32_t channel = 1;
    int32_t channelMask = 0;
    int32_t sampleRate = 0; // Hz, 0: rate of the source
    std::string sampleRateOptions;
    int32_t audioBitrate = 0; // bit/s (not kbit/s), 0: rate of the source
    std::string audioBitrateOptions;
    int32_t audioQuality = 60;

    uint64_t frameSizeMask() const {
        return (static_cast<uint64_t>(frameSizeMaskHigh) << 32) | frameSizeMaskLow;
    }
    void setFrameSizeMask(uint64_t mask) {
        frameSizeMaskLow = static_cast<uint32_t>(mask);
        frameSizeMaskHigh = static_cast<uint32_t>(mask >> 32);
    }
    // True when entry `entry` of the frame size table is offered.
    bool offersFrameSize(int entry) const {
        return entry >= 0 && entry < 64 && ((frameSizeMask() >> entry) & 1u) != 0;
    }

    bool hasVideo() const { return (flag & (kProfileVideoDisabled | kProfileAudioOnly)) == 0; }
    bool hasAudio() const { return (flag & kProfileAudioDisabled) == 0; }

    bool operator==(const Profile&) const = default;
};

// Records are shared so that a media item holding one keeps it readable after the catalogue
// drops it (a deleted custom profile, the oldest recent profile pushed out).
using ProfileRef = std::shared_ptr<Profile>;

// A catalogue category: its number 0..17 and its display name.
struct ProfileCategory {
    int number = 0;
    std::string_view name;
};
