#pragma once

// movara-convert's picture edits: the options that set brightness, contrast, saturation, flips,
// a crop rectangle and a text or image watermark on every item, the way the edit dialog's pages
// set them.

#include "CliOption.h"
#include "MediaItem.h"
#include "velcodecapi.h"

#include <optional>
#include <string>
#include <vector>

struct Profile;

struct ConvertEdits {
    std::optional<int32_t> brightness, contrast, saturation; // -100..100
    std::optional<int32_t> flip;                             // bit 0 horizontal, bit 1 vertical
    std::optional<MediaCrop> crop;                           // free aspect, source pixels
    std::optional<std::string> text;                         // --text-watermark
    std::optional<std::string> image;                        // --image-watermark
    std::optional<std::string> font;
    std::optional<int32_t> fontSize;
    std::optional<uint32_t> colour; // red in the lowest byte
    std::vector<int32_t> position;  // X,Y or X,Y,W,H
    std::optional<int32_t> alpha;

    bool watermark() const { return text || image; }
    bool any() const { return brightness || contrast || saturation || flip || crop || watermark(); }
};

// Parses `value` of `option` (its long name with "--") into `edits`. False, with *error naming the
// option, when the value is malformed or out of range.
bool parseEditOption(const std::string& option, const std::string& value, ConvertEdits& edits,
                     std::string* error);
// After all options: combinations that make no sense. Empty when fine.
std::string checkEdits(const ConvertEdits& edits);
// Empty when the profile can carry the edits; else why not (an audio-only target has no
// picture to edit).
std::string editsRefusal(const ConvertEdits& edits, const Profile& profile);

// Sets the edits on a new item, as the pages' "Confirm" sets them.
void applyEdits(const ConvertEdits& edits, MediaItem& item);
// Once the source's streams are known: the crop held inside the picture and to the minimum size.
// A source without a picture gets no crop. False when the crop was dropped for that reason.
bool fitCropToSource(const ConvertEdits& edits, MediaItem& item,
                     const std::vector<tagVeldesStreamInfo>& streams);

// The edit options (each takes one value), as --help groups them.
CliGroup editOptionGroup();
