// Capture devices as FFmpeg's device library lists them: V4L2 cameras, PulseAudio (else ALSA)
// sources.
#ifndef CAPTUREDEVICELIST_H
#define CAPTUREDEVICELIST_H

#include "PlatformTypes.h"

#include <vector>

namespace platform {

// In the order the device library reports them, each friendly name once; empty when none can be
// listed. A device without a description is shown by its name. Without a PulseAudio server the
// ALSA sound cards are listed by name (their software plugins are not devices).
std::vector<CaptureDevice> listCaptureDevices(CaptureKind kind);

} // namespace platform

#endif
