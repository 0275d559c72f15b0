#include "MediaItem.h"

#include "ProfileCatalogue.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>

namespace {

// Bits a new conversion state clears besides the caller's extra bits.
int32_t clearedBy(int32_t flags) {
    for (int32_t bit :
         {kItemNotConvert, kItemConverting, kItemFinish, kItemNotExist, kItemConvertFailed}) {
        if (flags & bit) {
            return kItemStateBits & ~bit;
        }
    }
    return 0;
}

// Fixed-point text that ignores the process locale (Qt sets it from the environment, and a
// decimal comma must not appear in the list).
std::string fixed(double value, int decimals) {
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

} // namespace

void MediaItem::setState(int32_t flags, int32_t clearExtra) {
    const int32_t clear = clearExtra | clearedBy(flags);
    auto& bits = stateFlags.raw();
    int32_t old = bits.load(std::memory_order_acquire);
    while (!bits.compare_exchange_weak(old, (old & ~clear) | flags, std::memory_order_acq_rel)) {
    }
}

bool MediaItem::setStateUnless(int32_t flags, int32_t unless) {
    const int32_t clear = clearedBy(flags);
    auto& bits = stateFlags.raw();
    int32_t old = bits.load(std::memory_order_acquire);
    do {
        if (old & unless) {
            return false;
        }
    } while (!bits.compare_exchange_weak(old, (old & ~clear) | flags, std::memory_order_acq_rel));
    return true;
}

void MediaItem::setFlag(int32_t bits, bool on) {
    if (on) {
        stateFlags.raw().fetch_or(bits, std::memory_order_acq_rel);
    } else {
        stateFlags.raw().fetch_and(~bits, std::memory_order_acq_rel);
    }
}

std::string mediaSizeText(uint32_t kib, int decimals) {
    if (kib < 1024) {
        return std::to_string(kib) + "KB";
    }
    if ((kib & ~1023u) > 0xFFFFF) {
        return fixed(kib / 1048576.0, decimals) + "GB";
    }
    return fixed(kib / 1024.0, decimals) + "MB";
}

std::string MediaItem::sourceSizeText() const {
    return mediaSizeText(static_cast<uint32_t>(sourceSize), 1);
}

std::string MediaItem::estimateText() const {
    auto text = [](int64_t bytes) { return mediaSizeText(static_cast<uint32_t>(bytes / 1024), 2); };
    // A limit is the promise until the output exists; then the output's own size is the figure,
    // as the estimate is of an output without the limit.
    if (targetSize > 0 && !hasState(kItemFinish)) {
        return "<= " + text(std::min<int64_t>(targetSize, int64_t(UINT32_MAX) * 1024));
    }
    const int64_t made = outputSize.load();
    if (targetSize > 0 && made > 0) {
        return text(made);
    }
    // -1: the clip was found not to decode, so there is no size to show.
    const int64_t estimate = outputEstimate.load();
    return estimate < 0 ? std::string() : text(estimate);
}

std::string MediaItem::stateText() const {
    const int32_t flags = stateFlags.load();
    if (flags & kItemConvertFailed) {
        return "Convert Failed";
    }
    if (flags & kItemFinish) {
        return "Finish";
    }
    if (flags & kItemConverting) {
        return "Converting";
    }
    if (flags & kItemNotExist) {
        return "Not Exist";
    }
    return "Not Convert";
}

std::string MediaItem::progressText() const {
    const int32_t p = progress.load();
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d.%02d%%", p / 100, p % 100);
    return buffer;
}

std::string mediaTimeText(int64_t milliseconds) {
    const int32_t ms = static_cast<int32_t>(static_cast<uint32_t>(milliseconds));
    const int32_t seconds = ms / 1000;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", seconds / 3600 % 24, seconds / 60 % 60,
                  seconds % 60);
    return buffer;
}

std::string MediaItem::usedRemainingText() const {
    const int32_t p = progress.load();
    const int64_t used = elapsed.load();
    const int64_t remaining = p >= 1 ? used * (10000 - p) / p : 0;
    return mediaTimeText(used) + " / " + mediaTimeText(remaining);
}

std::string MediaItem::loudnessKey() const {
    return sourcePath + "|" + std::to_string(clipBegin) + "|" + std::to_string(clipEnd);
}

const tagVeldesLoudness* MediaItem::validLoudness() const {
    return !measuredLoudness.key.empty() && measuredLoudness.key == loudnessKey()
               ? &measuredLoudness.figures
               : nullptr;
}

std::string MediaItem::outputExtension() const {
    return profile ? std::string(ProfileCatalogue::extensionOf(*profile)) : std::string();
}

std::string MediaItem::engineFormat() const {
    return profile ? std::string(ProfileCatalogue::engineFormatOf(*profile)) : std::string();
}

std::string trackDescription(const tagVeldesTrack& track) {
    std::string text = std::to_string(track.number) + ": ";
    text += track.language[0] ? track.language : "no language";
    text += ", ";
    text += track.codec[0] ? track.codec : "unknown coding";
    if (track.type == VELDES_STREAM_AUDIO) {
        switch (track.channels) {
        case 1:
            text += ", mono";
            break;
        case 2:
            text += ", stereo";
            break;
        case 6:
            text += ", 5.1";
            break;
        case 8:
            text += ", 7.1";
            break;
        default:
            if (track.channels > 0)
                text += ", " + std::to_string(track.channels) + " channels";
        }
        if (track.sampleRate > 0)
            text += ", " + fixed(track.sampleRate / 1000.0, track.sampleRate % 1000 ? 1 : 0) +
                    " kHz";
    } else {
        text += (track.flags & VELDES_TRACK_BITMAP) ? ", pictures" : ", text";
        if (track.flags & VELDES_TRACK_FORCED)
            text += ", forced";
    }
    if (track.flags & VELDES_TRACK_DEFAULT)
        text += ", default";
    if (track.title[0])
        text += std::string(" - ") + track.title;
    return text;
}

int32_t effectiveAudioTrack(const MediaItem& item, const std::vector<tagVeldesTrack>& tracks) {
    int32_t first = 0, marked = 0;
    for (const tagVeldesTrack& t : tracks) {
        if (t.type != VELDES_STREAM_AUDIO)
            continue;
        if (t.number == item.audioTrack)
            return t.number;
        if (!first)
            first = t.number;
        if (!marked && (t.flags & VELDES_TRACK_DEFAULT))
            marked = t.number;
    }
    return marked ? marked : first;
}
