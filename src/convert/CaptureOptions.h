#pragma once

// movara-convert's recording options: a screen region and/or a sound source recorded for a time
// limit, converted like a file.

#include "CliOption.h"
#include "PlatformTypes.h"
#include "velcodecutil.h"

#include <optional>
#include <string>
#include <vector>

struct CaptureOptions {
    bool listDevices = false;
    std::optional<ScreenRect> screen; // --screen X,Y,W,H as left, top, right, bottom
    bool cursor = false;
    std::string audioDevice;        // --audio-device NAME (a friendly name)
    std::optional<int> timeLimit;   // --time-limit MINUTES
    std::optional<int64_t> seconds; // --seconds N

    // Whether anything is to be recorded.
    bool records() const { return screen.has_value() || !audioDevice.empty(); }
};

// Reads the value of the recording option `option` (its long name with "--") into *options.
// False, with *error naming the option, when the value is wrong.
bool parseCaptureValue(const std::string& option, const std::string& value, CaptureOptions* options,
                       std::string* error);

// The checks that need the whole command line: a recording needs exactly one of --time-limit
// and --seconds, and those two mean nothing without a recording. Empty when all is well.
std::string checkCaptureOptions(const CaptureOptions& options);

// The device record of a recording: the screen region (even, at the screen's fixed frame rate)
// and/or the sound source, the time limit in minutes (--seconds rounded up), preview off.
VEL_DEVICE_INFO captureRecord(const CaptureOptions& options);

// How many milliseconds to record: the limit, or the seconds given.
int64_t captureMilliseconds(const CaptureOptions& options);

// The recording options, as --help groups them.
CliGroup captureOptionGroup();
