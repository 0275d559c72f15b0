#pragma once

// Before a recording is handed to the engine: the reasons it cannot start, in a person's words
// ("no X display", "the region ... is off the 1400x900 screen", "no audio device named ..."),
// rather than the engine's device path.

#include "CaptureOptions.h"

#include <string>

class PlatformServices;

// Empty when the screen region and the sound source are there; else why not.
std::string captureRefusal(const CaptureOptions& options, PlatformServices& services);

// How a recording is named in messages: "screen region X,Y,W,H" and/or "audio device NAME".
std::string captureDescription(const CaptureOptions& options);
