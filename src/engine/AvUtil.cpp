#include "AvUtil.h"

#include <cmath>
#include <mutex>

namespace vel {

std::string avErrorText(int error) {
    if (error == kErrorWatermarkUnreadable)
        return "the watermark image could not be read";
    if (error == kErrorOverSizeLimit)
        return "the output came out over its size limit";
    if (error == kErrorSoundChanged)
        return "the sound came out at another length than measured";
    if (error == kErrorPicturesUndecodable)
        return "the source's pictures cannot be decoded";
    if (error == kErrorSoundUndecodable)
        return "the source's sound cannot be decoded";
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

AVRational frameRateRational(double fps) {
    static const AVRational ntsc[] = {{24000, 1001}, {30000, 1001}, {60000, 1001}};
    for (AVRational r : ntsc)
        if (std::fabs(fps - av_q2d(r)) < 0.005)
            return r;
    if (!(fps > 0.0) || !std::isfinite(fps))
        return {25, 1};
    return av_d2q(fps, 1000);
}

void quietFfmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

} // namespace vel
