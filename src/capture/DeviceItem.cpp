#include "DeviceItem.h"

#include "CaptureRules.h"

namespace capture {

std::string deviceItemName(const VEL_DEVICE_INFO& record) {
    return record.videoDevice == kNoVideoInput ? record.audioDevice : record.videoDevice;
}

MediaItem makeDeviceItem(const VEL_DEVICE_INFO& record, const ProfileRef& profile) {
    MediaItem item;
    item.device = record;
    item.sourcePath = GenDevicePath(&record);
    item.displayName = deviceItemName(record);
    item.duration = static_cast<int64_t>(record.timeLimit) * 60000;
    item.profile = profile;
    return item;
}

} // namespace capture
