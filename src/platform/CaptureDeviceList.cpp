#include "CaptureDeviceList.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
}

#include <mutex>

namespace platform {

namespace {

std::vector<CaptureDevice> listWith(const char* formatName) {
    std::vector<CaptureDevice> devices;
    const AVInputFormat* format = av_find_input_format(formatName);
    if (!format)
        return devices;
    AVDeviceInfoList* list = nullptr;
    if (avdevice_list_input_sources(format, nullptr, nullptr, &list) >= 0 && list) {
        for (int i = 0; i < list->nb_devices; ++i) {
            const AVDeviceInfo* info = list->devices[i];
            if (!info || !info->device_name)
                continue;
            CaptureDevice device;
            device.name = info->device_name;
            device.description = info->device_description && *info->device_description
                                     ? info->device_description
                                     : info->device_name;
            devices.push_back(std::move(device));
        }
    }
    avdevice_free_list_devices(&list);
    return devices;
}

} // namespace

std::vector<CaptureDevice> listCaptureDevices(CaptureKind kind) {
    static std::once_flag registered;
    std::call_once(registered, [] { avdevice_register_all(); });
    if (kind == CaptureKind::Video)
        return listWith("v4l2");
    std::vector<CaptureDevice> devices = listWith("pulse");
    if (devices.empty())
        devices = listWith("alsa");
    return devices;
}

} // namespace platform
