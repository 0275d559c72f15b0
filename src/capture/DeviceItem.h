// A capture record turned into a media item: the record copied in, the device path as the
// source, named after the video device (or the audio device when there is no video), as long as
// the time limit. The program's list and movara-convert build their device items here.
#pragma once

#include "MediaItem.h"
#include "velcodecutil.h"

#include <string>

namespace capture {

std::string deviceItemName(const VEL_DEVICE_INFO& record);
MediaItem makeDeviceItem(const VEL_DEVICE_INFO& record, const ProfileRef& profile);

} // namespace capture
