// CTimeline: size limits of media outputs and their plans.
#include "CTimeline.h"

#include "SizeFit.h"

namespace vel {

int CTimeline::setTargetSize(int mediaId, int64_t bytes) {
    std::lock_guard lock(m_mutex);
    Media* media = find(mediaId);
    if (!media || bytes < 0)
        return -1;
    media->targetBytes = bytes;
    return 0;
}

int CTimeline::planTargetSize(int mediaId, int64_t bytes, int64_t* videoBitRate,
                              int64_t* predicted, std::string* why) {
    PassSource clip;
    OutputPlan plan;
    {
        std::lock_guard lock(m_mutex);
        Media* media = find(mediaId);
        if (!media || !media->setting || bytes <= 0) {
            *why = "nothing to plan";
            return -1;
        }
        if (planOutput(targetFor(*media), &plan, why) < 0)
            return -2;
        clip = passSource(mediaId, *media);
        planCarried(&plan, media->probe, nullptr, clip.burnSubtitle, false);
    }
    // Measured outside the lock, as a run would; a shutdown does not wait for it.
    std::atomic<bool> abort{false};
    SizeFit fit;
    const int r = fitToSize({clip}, bytes, &plan, &abort, &fit, why);
    if (r < 0) {
        if (why->empty())
            *why = avErrorText(r);
        return r == kErrorTargetTooSmall ? -3 : -2;
    }
    *videoBitRate = fit.videoBitRate;
    *predicted = fit.predictedBytes;
    return 0;
}

} // namespace vel
