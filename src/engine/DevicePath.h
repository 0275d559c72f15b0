// The device path syntax: a capture record written as text that travels through the media
// list like a file path, e.g.
//   vel-capture:video=Integrated%20Camera;audio=No%20Audio%20Input;rate=30;limit=3;
//               preview=1;rect=0,0,640,480;cursor=0
// Names are percent-encoded, so any device name survives; the prefix cannot start a path the
// file dialogs produce (they give absolute paths).
#pragma once

#include "velcodecutil.h"

#include <string>

namespace vel {

constexpr const char* kDevicePathPrefix = "vel-capture:";

// Reads a device path back into a record; false when the text is not one.
bool parseDevicePath(const std::string& path, VEL_DEVICE_INFO* device);

} // namespace vel
