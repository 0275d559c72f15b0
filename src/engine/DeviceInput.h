// Capture devices named by a device record, opened through libavdevice: the screen (x11grab of
// the record's rectangle), a camera (V4L2) and a sound source (PulseAudio, else ALSA), each
// found by the friendly name the capture dialogs show.
#pragma once

#include "AvUtil.h"
#include "velcodecutil.h"

namespace vel {

constexpr const char* kNoVideoInput = "No Video Input";
constexpr const char* kNoAudioInput = "No Audio Input";
constexpr const char* kScreenRecorder = "Vel Screen Recorder";

// Pictures per second a record asks for: its own rate, or 25 for "auto" (0) and "original" (1).
double deviceFrameRate(const VEL_DEVICE_INFO& device);

// Opens the record's picture and sound inputs; a side the record does not name stays null.
// `interrupt` ends blocking reads (a stopped run). Returns 0 or a negative error.
int openDeviceInputs(const VEL_DEVICE_INFO& device, const AVIOInterruptCB& interrupt,
                     InputContextPtr* video, InputContextPtr* audio);

} // namespace vel
