#include "CaptureCommand.h"

#include "CVelConvert.h"
#include "CaptureCheck.h"
#include "DeviceItem.h"
#include "PlatformServices.h"

void printCaptureDevices(PlatformServices& services, std::FILE* out) {
    for (const auto& [kind, label] :
         {std::pair{CaptureKind::Video, "video"}, std::pair{CaptureKind::Audio, "audio"}})
        for (const CaptureDevice& device : services.captureDevices(kind))
            std::fprintf(out, "%s\t%s\n", label, device.description.c_str());
    std::fflush(out);
}

std::string addRecording(CVelConvert& convert, MediaList& items, const ProfileRef& profile,
                         const CaptureOptions& options, const ConvertEdits& edits) {
    if (std::string refusal = captureRefusal(options, platformServices()); !refusal.empty())
        return refusal;
    auto item =
        std::make_unique<MediaItem>(capture::makeDeviceItem(captureRecord(options), profile));
    if (options.seconds) {
        // The record counts whole minutes; the clip ends the recording at the second.
        item->clipBegin = 0;
        item->clipEnd = captureMilliseconds(options);
        item->duration = item->clipEnd;
    }
    applyEdits(edits, *item);
    if (!convert.addItem(item.get()))
        return "the devices could not be opened";
    tagVeldesStreamInfo* streams = nullptr;
    const int count = convert.mediaInfo(item.get(), &streams);
    if (!fitCropToSource(edits, *item,
                         streams && count > 0
                             ? std::vector<tagVeldesStreamInfo>(streams, streams + count)
                             : std::vector<tagVeldesStreamInfo>{}))
        std::fprintf(stderr, "movara-convert: a sound recording has no picture to crop\n");
    convert.estimate(item.get());
    items.push_back(std::move(item));
    return {};
}
