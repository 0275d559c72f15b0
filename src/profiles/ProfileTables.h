#pragma once

// The fixed tables behind the profile catalogue: category names, codec names with the codec
// engine's identifiers, container formats, frame sizes, and the option lists the built-in
// profiles offer. Lookups outside a table give an empty text or 0.

#include "Profile.h"

#include <array>
#include <cstdint>
#include <string_view>

inline constexpr int kProfileCategoryCount = 18;
inline constexpr int kCustomCategory = 16;
inline constexpr int kRecentCategory = 17;

inline constexpr int kVideoCodecCount = 20;
inline constexpr int kAudioCodecCount = 12;
inline constexpr int kFormatCount = 37;
inline constexpr int kFrameSizeCount = 41;
inline constexpr int kAspectRatioCount = 3;
inline constexpr int kChannelCount = 3;

extern const std::array<std::string_view, kProfileCategoryCount> kProfileCategoryNames;

struct CodecEntry {
    std::string_view name;
    int32_t engineId;
};
extern const std::array<CodecEntry, kVideoCodecCount> kVideoCodecs;
extern const std::array<CodecEntry, kAudioCodecCount> kAudioCodecs;

struct FormatEntry {
    std::string_view extension;
    std::string_view engineName;
};
extern const std::array<FormatEntry, kFormatCount> kFormats;

// Frame size entries; "original" (0) and "[custom]" (40) carry width and height 0.
struct FrameSizeEntry {
    std::string_view text;
    int32_t width;
    int32_t height;
};
inline constexpr int kFrameSizeOriginal = 0;
inline constexpr int kFrameSizeCustom = 40;
extern const std::array<FrameSizeEntry, kFrameSizeCount> kFrameSizes;

// The frame size masks the catalogue uses, (high word << 32) | low word.
inline constexpr uint64_t frameSizeMaskOf(uint32_t low, uint32_t high) {
    return (static_cast<uint64_t>(high) << 32) | low;
}
inline constexpr uint64_t kFrameSizeMaskDefault =
    frameSizeMaskOf(kDefaultFrameSizeMaskLow, kDefaultFrameSizeMaskHigh);
inline constexpr uint64_t kFrameSizeMask3GP = frameSizeMaskOf(0x0063F0B9, 0x100);
inline constexpr uint64_t kFrameSizeMaskMp4Small = frameSizeMaskOf(0x08C310B1, 0x110);
inline constexpr uint64_t kFrameSizeMaskH263 = frameSizeMaskOf(0x08002012, 0x20);
inline constexpr uint64_t kFrameSizeMaskBlackBerryMp4 = frameSizeMaskOf(0x0C433051, 0x110);

extern const std::array<std::string_view, kAspectRatioCount> kAspectRatioNames;
extern const std::array<std::string_view, kChannelCount> kChannelNames;

// Option lists offered by the built-in profiles.
inline constexpr std::string_view kOptionFR1 = "auto,original,12,15,20,23.976,24,25,29.970,30";
inline constexpr std::string_view kOptionFR2 = "auto,original,2,3,5,10,12,15";
inline constexpr std::string_view kOptionFR3 = "auto,original,11,15,20,24,25,29.970,30";
inline constexpr std::string_view kOptionVB1 = "auto,120,200,256,300,512,768,1000,1500,1800,2000";
inline constexpr std::string_view kOptionVB2 = "auto,256,384,512,640,768,1000,1500,1800,2000,2500";
inline constexpr std::string_view kOptionVB3 = "auto,100,200,300,400";
inline constexpr std::string_view kOptionSR1 = "24000,32000,44100,48000";
inline constexpr std::string_view kOptionSR2 = "22050,32000,44100,48000";
inline constexpr std::string_view kOptionSR3 = "11025,22050,24000,32000,44100,48000";
inline constexpr std::string_view kOptionSR4 = "11025,22050,44100";
inline constexpr std::string_view kOptionSR5 = "8000";
inline constexpr std::string_view kOptionSR6 = "22050,44100";
inline constexpr std::string_view kOptionAB1 =
    "16000,32000,64000,96000,128000,160000,192000,256000";
inline constexpr std::string_view kOptionAB2 = "64000,96000,128000,160000,192000";
inline constexpr std::string_view kOptionAB3 = "64000,96000,128000,160000";
inline constexpr std::string_view kOptionAB4 = "64000,96000,128000,192000,320000,384000";
inline constexpr std::string_view kOptionAB5 =
    "16000,32000,48000,64000,96000,128000,160000,192000,320000,384000";
inline constexpr std::string_view kOptionAB6 =
    "16000,32000,48000,64000,96000,128000,160000,192000,320000";
inline constexpr std::string_view kOptionAB7 = "0";
inline constexpr std::string_view kOptionAB8 = "5150,6700,7400,10200,12200";
inline constexpr std::string_view kOptionAB9 = "16000,32000,64000,96000,128000";
inline constexpr std::string_view kOptionAB10 = "16000,32000,48000,64000,96000,128000";

// Lookups; an index outside its table gives an empty text or engine id 0.
ProfileCategory profileCategory(int number);
std::string_view profileCategoryName(int number);
std::string_view videoCodecName(int codec);
std::string_view audioCodecName(int codec);
int32_t videoCodecEngineId(int codec);
int32_t audioCodecEngineId(int codec);
std::string_view formatExtension(int format);
std::string_view formatEngineName(int format);
std::string_view frameSizeText(int entry);
std::string_view aspectRatioName(int aspectRatio);
std::string_view channelName(int channel);
