#pragma once

#include "Profile.h"
#include "SharedValue.h"
#include "velcodecapi.h"
#include "velcodecutil.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Bits of MediaItem::stateFlags. The five conversion-state bits are exclusive.
inline constexpr int32_t kItemFocused = 0x1;
inline constexpr int32_t kItemChecked = 0x4;
inline constexpr int32_t kItemNotConvert = 0x8;
inline constexpr int32_t kItemConverting = 0x10;
inline constexpr int32_t kItemFinish = 0x20;
inline constexpr int32_t kItemNotExist = 0x40;
inline constexpr int32_t kItemConvertFailed = 0x100;
inline constexpr int32_t kItemStateBits =
    kItemNotConvert | kItemConverting | kItemFinish | kItemNotExist | kItemConvertFailed;

// Watermark modes: anything else means no watermark.
inline constexpr int32_t kWatermarkText = 3;
inline constexpr int32_t kWatermarkImage = 5;

// An item's watermark as the watermark page edits it and a conversion applies it.
struct MediaWatermark {
    int32_t mode = 0;
    std::string imagePath;
    std::string text;
    std::string fontName = "Arial";
    uint32_t colour = 0xFFFFFF; // bytes red, green, blue, 0
    int32_t fontSize = 36;
    int32_t style = 0; // index into the style names, 0..7
    int32_t left = 10;
    int32_t top = 50;
    int32_t alpha = 255;
    int32_t width = 200;
    int32_t height = 40;

    bool operator==(const MediaWatermark&) const = default;
};

// The crop page's settings: aspect mode (-1 free, 0 the source's, 1 4:3, 2 16:9) and the
// rectangle in source pixels. A crop applies only when right > 0 and bottom > 0.
struct MediaCrop {
    int32_t aspectMode = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool applies() const { return right > 0 && bottom > 0; }
    bool operator==(const MediaCrop&) const = default;
};

// Loudness normalisation of the item's sound (the "Sound" edit page): one gain to the target
// integrated loudness, peaks held under the ceiling. Off by default.
struct MediaLoudness {
    bool on = false;
    double target = -16.0; // LUFS
    double ceiling = -1.0; // dBTP

    bool operator==(const MediaLoudness&) const = default;
};

// What the engine measured of the item's sound, and for what (see MediaItem::loudnessKey; the
// figures name the sound shape). An empty key: not measured.
struct MeasuredLoudness {
    std::string key;
    tagVeldesLoudness figures{};
};

// One entry of the media list: a source file or capture device, its output profile, clip, picture
// edits and conversion state. Copies are field by field; the profile is shared, not copied.
//
// Progress, elapsed time and the state flags are written by the codec engine's thread while the
// user-interface thread draws them, hence atomic; so is the estimate (see there).
struct MediaItem {
    std::string displayName;
    std::string sourcePath;
    int32_t sourceSize = 0; // KiB
    SharedValue<int32_t> stateFlags{kItemChecked | kItemNotConvert};
    SharedValue<int32_t> progress{0}; // hundredths of a percent
    ProfileRef profile;
    int64_t clipBegin = 0;           // ms; below 0: not set
    int64_t clipEnd = -1;            // ms; -1: to the end
    int64_t duration = 0;            // ms
    SharedValue<int64_t> elapsed{0}; // ms
    // Bytes. The measured figure arrives on the user-interface thread while the engine's thread
    // reads it for the disk check of the next item.
    SharedValue<int64_t> outputEstimate{0};
    int64_t targetSize = 0; // the output at most this many bytes; 0 = no limit
    // Bytes of the output the last conversion made (0: not known), written on the engine's
    // thread as the item finishes.
    SharedValue<int64_t> outputSize{0};
    MediaWatermark watermark;
    int32_t brightness = 0;
    int32_t contrast = 0;
    int32_t saturation = 0;
    int32_t flip = 0; // bit 0 horizontal, bit 1 vertical
    MediaCrop crop;
    MediaLoudness loudness;
    // The source's tracks the output takes (numbers as VeldesGetMediaTracks gives them, 1, 2...
    // per type): the sound, 0 = the one the file marks as default (else the first); the
    // subtitles drawn into the pictures, 0 = none (text subtitles are kept as soft subtitles
    // where the output's container carries them).
    int32_t audioTrack = 0;
    int32_t burnSubtitles = 0;
    // Written on the user-interface thread only while nothing converts.
    MeasuredLoudness measuredLoudness;
    VEL_DEVICE_INFO device;
    // Why the last conversion of the item failed, in words (empty when unknown). Written before
    // the "Convert Failed" notification is sent, read by its receiver.
    std::string failureReason;

    // Sets `flags`; clears `clearExtra` and the conversion-state bits that `flags` excludes.
    // Safe against a concurrent change of the other bits (focus, check) from another thread.
    void setState(int32_t flags, int32_t clearExtra = 0);
    // As setState, but only while none of `unless` is set, in one step with that check: false
    // (and nothing changed) when one is.
    bool setStateUnless(int32_t flags, int32_t unless);
    bool hasState(int32_t bits) const { return (stateFlags.load() & bits) != 0; }
    void setFlag(int32_t bits, bool on);

    std::string sourceSizeText() const;
    std::string estimateText() const;
    std::string stateText() const;
    std::string progressText() const;
    std::string usedRemainingText() const;

    // What a loudness measurement of the item is valid for: its source and clip.
    std::string loudnessKey() const;
    // The measured figures when they are valid for the source and clip, else null.
    const tagVeldesLoudness* validLoudness() const;

    // Of the profile's format; empty without a profile or with an unknown format.
    std::string outputExtension() const;
    std::string engineFormat() const;
};

// The file list pane owns the items; everything else reaches them through this list.
using MediaList = std::vector<std::unique_ptr<MediaItem>>;

// One sound or subtitle track in words, as the track choices list it: "1: eng, aac, stereo,
// 48 kHz, default - Director's commentary"; "2: fre, hdmv_pgs_subtitle, pictures".
std::string trackDescription(const tagVeldesTrack& track);
// The item's sound track as VeldesGetMediaTracks numbers them: its choice where the source has
// that track, else the one the file marks default, else the first; 0 without sound tracks.
int32_t effectiveAudioTrack(const MediaItem& item, const std::vector<tagVeldesTrack>& tracks);

// "%02d:%02d:%02d" of a millisecond count (low 32 bits, signed), hours modulo 24.
std::string mediaTimeText(int64_t milliseconds);
// A size in KiB: "%dKB", "%.<decimals>fMB" or "%.<decimals>fGB".
std::string mediaSizeText(uint32_t kib, int decimals);
