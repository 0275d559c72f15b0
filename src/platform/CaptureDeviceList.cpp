#include "CaptureDeviceList.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
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
            // A camera's metadata node carries the camera's name again; the first node of a
            // name is the one a friendly name opens.
            const bool repeated =
                std::any_of(devices.begin(), devices.end(), [&](const CaptureDevice& known) {
                    return known.description == device.description;
                });
            if (!repeated)
                devices.push_back(std::move(device));
        }
    }
    avdevice_free_list_devices(&list);
    return devices;
}

// ALSA lists its software plugins (null, rate converters, JACK, OSS, the PulseAudio bridge...)
// beside the sound cards, each card several times over. A card's plughw entry is the one that
// records in any format; its description spans lines, so the name stands for it, which is also
// what the capture layer opens.
std::vector<CaptureDevice> alsaCards() {
    std::vector<CaptureDevice> cards;
    for (CaptureDevice& device : listWith("alsa")) {
        if (device.name.rfind("plughw:CARD=", 0) != 0)
            continue;
        device.description = device.name;
        cards.push_back(std::move(device));
    }
    return cards;
}

} // namespace

std::vector<CaptureDevice> listCaptureDevices(CaptureKind kind) {
    static std::once_flag registered;
    std::call_once(registered, [] { avdevice_register_all(); });
    if (kind == CaptureKind::Video)
        return listWith("v4l2");
    std::vector<CaptureDevice> devices = listWith("pulse");
    if (devices.empty())
        devices = alsaCards();
    return devices;
}

} // namespace platform
