// ComputeBitrateByQuality: bit rate = width x height x frame rate x the codec's bits per pixel at
// quality 60 x 2^((quality - 60) / 20).
//
// The bits per pixel come from the codec map. H.264's 0.12 is what x264 at its default constant
// quality (crf 23) spent on our test footage (0.134 at 480x320, 0.111 at 1920x1080, 25 fps), so
// quality 60 gives 460 kbit/s at 480x320 and 6.2 Mbit/s at 1080p; the older codecs need more
// for the same picture (MPEG-4 part 2 about twice, MPEG-2 a little more, MPEG-1 and MJPEG much
// more). Each 20 quality points double or halve the rate: quality 100 is four times, 0 an
// eighth. Raw codecs and DV have one possible rate.
#include "CodecMap.h"
#include "velcodecutil.h"

#include <algorithm>
#include <climits>
#include <cmath>

int ComputeBitrateByQuality(int width, int height, double frameRate, int codecId, int reserved,
                            int quality) {
    (void)reserved;
    if (width <= 0 || height <= 0)
        return 0;
    if (!(frameRate > 0.0) || !std::isfinite(frameRate))
        frameRate = 25.0;
    const vel::VideoCodecEntry* codec = vel::findVideoCodec(codecId);
    double pixelsPerSecond = double(width) * height * frameRate;
    if (codec && codec->raw)
        return int(std::min(pixelsPerSecond * codec->bitsPerPixel, double(INT_MAX)));
    if (codec && codec->rule == vel::FrameRule::DvSystem)
        return 25000000;
    double bitsPerPixel = codec && codec->bitsPerPixel > 0.0 ? codec->bitsPerPixel : 0.25;
    double curve = std::pow(2.0, (std::clamp(quality, 0, 100) - 60) / 20.0);
    double bitRate = pixelsPerSecond * bitsPerPixel * curve;
    bitRate = std::clamp(std::round(bitRate / 1000.0) * 1000.0, 8000.0, 100000000.0);
    return int(bitRate);
}
