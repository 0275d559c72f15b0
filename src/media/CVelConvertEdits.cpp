// CVelConvert: attaching the edits of one source (watermark, colour, flip, crop) to the engine.
//
// Outside a preview every step that reaches the engine opens its own edit for the source and
// closes it again on every path out of the step; inside a preview (states 3 and 4) the preview's
// open edit receives the filters.
#include "CVelConvert.h"

#include <array>
#include <cstring>

namespace {

// Style index of the watermark page ("Regular" ... "Bold Italic Underline") to the engine's
// style bits.
constexpr std::array<int32_t, 8> kStyleBits = {
    0,
    VELDES_TEXT_BOLD,
    VELDES_TEXT_ITALIC,
    VELDES_TEXT_UNDERLINE,
    VELDES_TEXT_BOLD | VELDES_TEXT_ITALIC,
    VELDES_TEXT_BOLD | VELDES_TEXT_UNDERLINE,
    VELDES_TEXT_ITALIC | VELDES_TEXT_UNDERLINE,
    VELDES_TEXT_BOLD | VELDES_TEXT_ITALIC | VELDES_TEXT_UNDERLINE,
};

// An edit of one source opened for the length of one step, unless a preview edit is open. The
// destructor closes it, so every early return of a step closes its bracket.
class EditBracket {
public:
    EditBracket(VeldesTimeline timeline, int mediaId, void* window, bool previewOpen)
        : timeline_(timeline) {
        if (previewOpen) {
            usable_ = true;
            return;
        }
        tagVeldesEditInfo edit;
        std::memset(&edit, 0, sizeof edit);
        edit.mediaId = mediaId;
        edit.aspect = 4.0 / 3.0;
        edit.window = window;
        edit.window2 = window;
        open_ = VeldesEditBegin(timeline_, &edit) == 0;
        usable_ = open_;
    }
    ~EditBracket() {
        if (open_) {
            VeldesEditEnd(timeline_, 1);
        }
    }
    EditBracket(const EditBracket&) = delete;
    EditBracket& operator=(const EditBracket&) = delete;

    // False when the edit could not be opened: the step then adds nothing.
    bool usable() const { return usable_; }

private:
    VeldesTimeline timeline_;
    bool open_ = false;
    bool usable_ = false;
};

tagVeldesFilterInfo zeroFilter(int filterId) {
    tagVeldesFilterInfo filter;
    std::memset(&filter, 0, sizeof filter);
    filter.id = filterId;
    return filter;
}

} // namespace

bool CVelConvert::previewEditOpen() const {
    const int state = state_.load();
    return state == kStatePreviewing || state == kStatePreviewPaused;
}

int CVelConvert::attachEdits(MediaItem* item, int mediaId) {
    if (!timeline_ || !item) {
        return 0;
    }
    // Edits an estimate attached stay on the engine's media until replaced, so neutral values
    // must then be sent too.
    const Entry* entry = entryOfMediaId(mediaId);
    const bool replace = entry && entry->estimateEdits;
    int result = watermarkStep(*item, mediaId);
    colourStep(*item, mediaId, replace);
    flipStep(*item, mediaId, replace);
    if (replace && !item->crop.applies()) {
        removeCrop(mediaId);
    } else if (cropStep(*item, mediaId) <= 0) {
        result = 0;
    }
    return result;
}

void CVelConvert::removeCrop(int mediaId) {
    EditBracket bracket(timeline_, mediaId, previewWindow_, previewEditOpen());
    if (bracket.usable()) {
        const tagVeldesFilterInfo none = zeroFilter(VELDES_FILTER_CROP);
        VeldesAddFilter(timeline_, VELDES_FILTER_CROP, &none);
    }
}

namespace {

bool hasPictureEdits(const MediaItem& item) {
    return item.brightness || item.contrast || item.saturation || item.flip ||
           item.crop.applies() || item.watermark.mode == kWatermarkText ||
           item.watermark.mode == kWatermarkImage;
}

} // namespace

void CVelConvert::attachEstimateEdits(MediaItem* item, Entry* entry) {
    // Only between conversions and previews: both attach through the one open edit of the
    // timeline, and a run or a preview already carries the item's edits.
    if (state_.load() != kStateIdle) {
        return;
    }
    const bool edited = hasPictureEdits(*item);
    if (!edited && !entry->estimateEdits) {
        return; // nothing attached before, nothing to attach now
    }
    entry->estimateEdits = edited;
    watermarkStep(*item, entry->mediaId);
    colourStep(*item, entry->mediaId, true);
    flipStep(*item, entry->mediaId, true);
    if (item->crop.applies()) {
        cropStep(*item, entry->mediaId);
    } else {
        removeCrop(entry->mediaId);
    }
}

int CVelConvert::watermarkStep(const MediaItem& item, int mediaId) {
    EditBracket bracket(timeline_, mediaId, previewWindow_, previewEditOpen());
    if (!bracket.usable()) {
        return 0;
    }
    VeldesRemoveWatermark(timeline_, mediaId);
    const MediaWatermark& mark = item.watermark;
    if (mark.mode != kWatermarkText && mark.mode != kWatermarkImage) {
        return 1;
    }
    const int filterId =
        mark.mode == kWatermarkText ? VELDES_FILTER_WATERMARK_TEXT : VELDES_FILTER_WATERMARK_IMAGE;
    tagVeldesFilterInfo filter = zeroFilter(filterId);
    filter.x = mark.left;
    filter.y = mark.top;
    filter.width = mark.width;
    filter.height = mark.height;
    filter.alpha = mark.alpha;
    if (mark.mode == kWatermarkText) {
        filter.text = mark.text.c_str();
        filter.fontName = mark.fontName.c_str();
        filter.fontSize = mark.fontSize;
        filter.style = mark.style >= 0 && mark.style < static_cast<int>(kStyleBits.size())
                           ? kStyleBits[static_cast<size_t>(mark.style)]
                           : 0;
        filter.red = static_cast<uint8_t>(mark.colour & 0xFF);
        filter.green = static_cast<uint8_t>((mark.colour >> 8) & 0xFF);
        filter.blue = static_cast<uint8_t>((mark.colour >> 16) & 0xFF);
        filter.zero = 0;
    } else {
        filter.imagePath = mark.imagePath.c_str();
    }
    return VeldesAddWatermark(timeline_, filterId, &filter) >= 0 ? 1 : 0;
}

int CVelConvert::colourStep(const MediaItem& item, int mediaId, bool always) {
    if (!always && item.brightness == 0 && item.contrast == 0 && item.saturation == 0) {
        return 1;
    }
    EditBracket bracket(timeline_, mediaId, previewWindow_, previewEditOpen());
    if (!bracket.usable()) {
        return 0;
    }
    tagVeldesFilterInfo filter = zeroFilter(VELDES_FILTER_COLOR);
    filter.brightness = item.brightness;
    filter.contrast = item.contrast;
    filter.saturation = item.saturation;
    return VeldesAddFilter(timeline_, VELDES_FILTER_COLOR, &filter);
}

int CVelConvert::flipStep(const MediaItem& item, int mediaId, bool always) {
    if (!always && item.flip == 0) {
        return 1;
    }
    EditBracket bracket(timeline_, mediaId, previewWindow_, previewEditOpen());
    if (!bracket.usable()) {
        return 0;
    }
    tagVeldesFilterInfo filter = zeroFilter(VELDES_FILTER_FLIP);
    filter.flip = item.flip;
    return VeldesAddFilter(timeline_, VELDES_FILTER_FLIP, &filter);
}

int CVelConvert::cropRectStep(const MediaItem& item, int mediaId) {
    tagVeldesFilterInfo filter = zeroFilter(VELDES_FILTER_CROP);
    filter.left = item.crop.left;
    filter.top = item.crop.top;
    filter.right = item.crop.right;
    filter.bottom = item.crop.bottom;
    return VeldesAddFilter(timeline_, VELDES_FILTER_CROP, &filter);
}

// 0 when the streams are unknown, -1 without a video stream (nothing added).
int CVelConvert::cropScaleStep(const MediaItem& item, int mediaId) {
    tagVeldesStreamInfo* streams = nullptr;
    const int count = VeldesGetMediaInfo(timeline_, mediaId, &streams);
    if (count < 0) {
        return 0;
    }
    const tagVeldesStreamInfo* video = nullptr;
    for (int i = 0; streams && i < count && !video; ++i) {
        if (streams[i].type == VELDES_STREAM_VIDEO) {
            video = &streams[i];
        }
    }
    if (!video) {
        return -1;
    }
    tagVeldesFilterInfo filter = zeroFilter(VELDES_FILTER_CROP_SCALE);
    filter.scaleEnabled = 1;
    filter.sourceWidth = video->width;
    filter.sourceHeight = video->height;
    filter.cropWidth = (item.crop.right - item.crop.left) & ~1;
    filter.cropHeight = (item.crop.bottom - item.crop.top) & ~1;
    return VeldesAddFilter(timeline_, VELDES_FILTER_CROP_SCALE, &filter);
}

int CVelConvert::cropStep(const MediaItem& item, int mediaId) {
    if (!item.crop.applies()) {
        return 1;
    }
    EditBracket bracket(timeline_, mediaId, previewWindow_, previewEditOpen());
    if (!bracket.usable()) {
        return 0;
    }
    cropRectStep(item, mediaId);
    const int scaled = cropScaleStep(item, mediaId);
    return scaled < 0 ? scaled : (scaled == 0 ? 0 : 1);
}

int CVelConvert::applyWatermark(MediaItem* item) {
    const Entry* entry = entryOf(item);
    if (!entry || !timeline_) {
        return 0;
    }
    return watermarkStep(*item, entry->mediaId);
}

int CVelConvert::applyFilter(MediaItem* item, int filterId) {
    const Entry* entry = entryOf(item);
    if (!entry || !timeline_) {
        return 0;
    }
    switch (filterId) {
    case VELDES_FILTER_COLOR:
        return colourStep(*item, entry->mediaId, true);
    case VELDES_FILTER_FLIP:
        return flipStep(*item, entry->mediaId, true);
    case VELDES_FILTER_CROP:
    case VELDES_FILTER_CROP_SCALE: {
        EditBracket bracket(timeline_, entry->mediaId, previewWindow_, previewEditOpen());
        if (!bracket.usable()) {
            return 0;
        }
        return filterId == VELDES_FILTER_CROP ? cropRectStep(*item, entry->mediaId)
                                              : cropScaleStep(*item, entry->mediaId);
    }
    case VELDES_FILTER_WATERMARK_IMAGE:
    case VELDES_FILTER_WATERMARK_TEXT:
        return watermarkStep(*item, entry->mediaId);
    default:
        return 0;
    }
}
