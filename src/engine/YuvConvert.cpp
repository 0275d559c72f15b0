// Display conversions of one planar 4:2:0 frame (BT.601 limited range) for the preview surface.
#include "velcodecutil.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstring>

namespace {

// One scaler per thread, rebuilt only when the frame size changes.
struct ScalerCache {
    SwsContext* context = nullptr;
    ~ScalerCache() { sws_freeContext(context); }
};

bool validFrame(const uint8_t* const planes[3], const int strides[3], const uint8_t* destination,
                int pitch, int width, int height, int bytesPerPixel) {
    return planes && strides && destination && planes[0] && planes[1] && planes[2] && width > 0 &&
           height > 0 && pitch >= width * bytesPerPixel;
}

} // namespace

void Yuv420ToRgb32(const uint8_t* const planes[3], const int strides[3], uint8_t* destination,
                   int pitch, int width, int height) {
    if (!validFrame(planes, strides, destination, pitch, width, height, 4))
        return;
    thread_local ScalerCache cache;
    // Bytes B, G, R, 255: the 32-bit RGB layout of display surfaces on little-endian machines.
    cache.context =
        sws_getCachedContext(cache.context, width, height, AV_PIX_FMT_YUV420P, width, height,
                             AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!cache.context)
        return;
    uint8_t* dst[4] = {destination, nullptr, nullptr, nullptr};
    int dstStride[4] = {pitch, 0, 0, 0};
    sws_scale(cache.context, planes, strides, 0, height, dst, dstStride);
}

void Yuv420ToYv12(const uint8_t* const planes[3], const int strides[3], uint8_t* destination,
                  int pitch, int width, int height) {
    if (!validFrame(planes, strides, destination, pitch, width, height, 1))
        return;
    // Luma rows of `pitch` bytes, then V and U with half the pitch (rounded up for odd pitches)
    // and half the rows (rounded up for odd heights).
    const int chromaWidth = (width + 1) / 2, chromaHeight = (height + 1) / 2;
    const int chromaPitch = (pitch + 1) / 2;
    uint8_t* out = destination;
    for (int y = 0; y < height; ++y)
        std::memcpy(out + size_t(y) * pitch, planes[0] + size_t(y) * strides[0], size_t(width));
    out += size_t(pitch) * height;
    for (int plane : {2, 1}) {
        for (int y = 0; y < chromaHeight; ++y)
            std::memcpy(out + size_t(y) * chromaPitch, planes[plane] + size_t(y) * strides[plane],
                        size_t(chromaWidth));
        out += size_t(chromaPitch) * chromaHeight;
    }
}
