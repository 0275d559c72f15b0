#include "DeviceInput.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavutil/dict.h>
}

#include <cstdlib>
#include <mutex>
#include <string>

namespace vel {

namespace {

void registerDevices() {
    static std::once_flag once;
    std::call_once(once, [] { avdevice_register_all(); });
}

// The device name behind a friendly name (the description), or the name itself when it is one.
std::string findSource(const char* formatName, const std::string& friendly) {
    const AVInputFormat* format = av_find_input_format(formatName);
    if (!format)
        return {};
    AVDeviceInfoList* list = nullptr;
    std::string found;
    if (avdevice_list_input_sources(format, nullptr, nullptr, &list) >= 0 && list) {
        for (int i = 0; i < list->nb_devices && found.empty(); ++i) {
            const AVDeviceInfo* d = list->devices[i];
            if ((d->device_description && friendly == d->device_description) ||
                (d->device_name && friendly == d->device_name))
                found = d->device_name ? d->device_name : "";
        }
    }
    avdevice_free_list_devices(&list);
    return found;
}

int openInput(const char* formatName, const std::string& url, AVDictionary** options,
              const AVIOInterruptCB& interrupt, InputContextPtr* out) {
    const AVInputFormat* format = av_find_input_format(formatName);
    if (!format)
        return AVERROR_DEMUXER_NOT_FOUND;
    AVFormatContext* ctx = avformat_alloc_context();
    if (!ctx)
        return AVERROR(ENOMEM);
    ctx->interrupt_callback = interrupt;
    int r = avformat_open_input(&ctx, url.c_str(), format, options);
    av_dict_free(options);
    if (r < 0)
        return r; // the context is freed on failure
    out->reset(ctx);
    return 0;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

} // namespace

double deviceFrameRate(const VEL_DEVICE_INFO& device) {
    return device.frameRate > 1.0 && device.frameRate <= 120.0 ? device.frameRate : 25.0;
}

int openDeviceInputs(const VEL_DEVICE_INFO& device, const AVIOInterruptCB& interrupt,
                     InputContextPtr* video, InputContextPtr* audio) {
    registerDevices();
    quietFfmpegLog();
    const int width = (device.right - device.left) & ~1;
    const int height = (device.bottom - device.top) & ~1;
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    int r;
    if (device.videoDevice == kScreenRecorder) {
        if (width < 2 || height < 2)
            return AVERROR(EINVAL);
        const char* display = std::getenv("DISPLAY");
        std::string url = std::string(display && *display ? display : ":0") + "+" +
                          std::to_string(device.left) + "," + std::to_string(device.top);
        AVDictionary* options = nullptr;
        av_dict_set(&options, "video_size", size.c_str(), 0);
        av_dict_set(&options, "framerate", number(deviceFrameRate(device)).c_str(), 0);
        av_dict_set(&options, "draw_mouse", device.captureCursor ? "1" : "0", 0);
        if ((r = openInput("x11grab", url, &options, interrupt, video)) < 0)
            return r;
    } else if (!device.videoDevice.empty() && device.videoDevice != kNoVideoInput) {
        std::string url = findSource("video4linux2", device.videoDevice);
        if (url.empty())
            return AVERROR(ENODEV);
        AVDictionary* options = nullptr;
        if (width >= 2 && height >= 2)
            av_dict_set(&options, "video_size", size.c_str(), 0);
        av_dict_set(&options, "framerate", number(deviceFrameRate(device)).c_str(), 0);
        if ((r = openInput("video4linux2", url, &options, interrupt, video)) < 0)
            return r;
    }
    if (!device.audioDevice.empty() && device.audioDevice != kNoAudioInput) {
        r = AVERROR(ENODEV);
        for (const char* system : {"pulse", "alsa"}) {
            std::string url = findSource(system, device.audioDevice);
            if (url.empty())
                continue;
            AVDictionary* options = nullptr;
            if ((r = openInput(system, url, &options, interrupt, audio)) >= 0)
                break;
        }
        if (r < 0) {
            video->reset();
            return r;
        }
    }
    return *video || *audio ? 0 : AVERROR(EINVAL);
}

} // namespace vel
