// Helpers of the codec engine that do not need a timeline.
#ifndef VELCODECUTIL_H
#define VELCODECUTIL_H

#include <cstdint>
#include <string>

// A capture source (devices or a screen region), as the capture dialogs fill it and a media item
// stores it. GenDevicePath turns it into the path the engine opens like a file.
struct VEL_DEVICE_INFO {
    std::string videoDevice; // friendly name, or "No Video Input"
    std::string audioDevice; // friendly name, or "No Audio Input"
    double frameRate = 30.0; // 0 auto, 1 original
    int32_t timeLimit = 0; // minutes
    int32_t preview = 1; // show the picture while converting
    int16_t left = 0, top = 0, right = 640, bottom = 480; // frame rectangle
    int32_t captureCursor = 0; // screen recordings: draw the mouse cursor
};

// A video bit rate in bits per second for the size, rate, engine codec id and quality 0..100.
// `reserved` is always 0.
int ComputeBitrateByQuality(int width, int height, double frameRate, int codecId, int reserved,
                            int quality);

// Whether a media path names a capture source rather than a file. Everything that would touch
// the file system asks this first.
bool IsDevicePath(const std::string& path);

// The device path of a capture record.
std::string GenDevicePath(const VEL_DEVICE_INFO* device);

// Converts one planar 4:2:0 frame into a locked display surface: 32-bit RGB pixels, or YV12
// planes (Y, then V, then U) laid out one after another with `pitch` bytes per luma row.
void Yuv420ToRgb32(const uint8_t* const planes[3], const int strides[3], uint8_t* destination,
                   int pitch, int width, int height);
void Yuv420ToYv12(const uint8_t* const planes[3], const int strides[3], uint8_t* destination,
                  int pitch, int width, int height);

#endif
