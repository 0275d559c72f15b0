// CVelConvert: the items' loudness targets and measurements.
#include "CVelConvert.h"

#include "EngineWait.h"
#include "MessageTarget.h"

void CVelConvert::applyLoudness(const MediaItem& item) {
    const Entry* entry = entryOf(&item);
    if (!entry || !timeline_) {
        return;
    }
    VeldesSetMediaLoudness(timeline_, entry->mediaId, item.loudness.on ? item.loudness.target : 0.0,
                           item.loudness.ceiling, item.validLoudness());
}

int CVelConvert::measureLoudness(MediaItem* item) {
    const Entry* entry = entryOf(item);
    if (!entry || !timeline_) {
        return -1;
    }
    // The export setting and clip the figures are for are the estimate's, kept up to date with
    // the item.
    applyLoudness(*item);
    const int r = VeldesMeasureMediaLoudness(
        timeline_, entry->mediaId,
        notifyWindow_ ? &CVelConvert::measured<kMsgLoudnessMeasured> : nullptr, notifyWindow_, 0);
    if (r == 2) {
        takeMeasuredLoudness(entry->mediaId);
    }
    return r;
}

MediaItem* CVelConvert::takeMeasuredLoudness(int mediaId) {
    const Entry* entry = entryOfMediaId(mediaId);
    tagVeldesLoudness figures{};
    // A running conversion reads the items: the engine keeps the figures meanwhile.
    if (!entry || !timeline_ ||
        (state() != kStateIdle && state() != kStatePreviewing && state() != kStatePreviewPaused) ||
        VeldesGetMediaLoudness(timeline_, mediaId, &figures) != 2) {
        return nullptr;
    }
    entry->item->measuredLoudness = {entry->item->loudnessKey(), figures};
    return entry->item;
}

bool CVelConvert::measureLoudnessNow(MediaItem* item, const std::atomic<bool>* stop,
                                     tagVeldesLoudness* figures) {
    const Entry* entry = entryOf(item);
    if (!entry || !timeline_) {
        return false;
    }
    if (item->profile) {
        computeEstimate(item, entry->mediaId);
    } else {
        applyClip(*item, entry->mediaId);
    }
    applyLoudness(*item);
    EngineWait wait;
    const int r =
        VeldesMeasureMediaLoudness(timeline_, entry->mediaId, &EngineWait::signal, wait.user(), 0);
    if (r < 0) {
        return false;
    }
    if (r == 0 && !wait.wait(stop)) {
        VeldesMeasureMediaLoudness(timeline_, entry->mediaId, nullptr, nullptr, 1);
        return false;
    }
    if (VeldesGetMediaLoudness(timeline_, entry->mediaId, figures) != 2) {
        return false;
    }
    item->measuredLoudness = {item->loudnessKey(), *figures};
    return true;
}
