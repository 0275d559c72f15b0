// The rules of the capture dialogs that need no window: the device record's defaults, reading
// the typed values (time limit, frame rate, output size), and the screen rectangles a recording
// may use. movara-convert applies the same rules to its options.
#pragma once

#include "PlatformTypes.h"
#include "velcodecutil.h"

#include <optional>
#include <string>

namespace capture {

constexpr const char* kNoVideoInput = "No Video Input";
constexpr const char* kNoAudioInput = "No Audio Input";
constexpr const char* kScreenRecorderName = "Vel Screen Recorder";

constexpr int kMinTimeLimit = 1;    // minutes
constexpr int kMaxTimeLimit = 1440; // one day
constexpr int kDefaultTimeLimit = 3;
constexpr int kMinRegion = 60;            // pixels, both ways
constexpr double kScreenFrameRate = 25.0; // the screen is always recorded at this rate

// A record as the dialogs start it: no devices, 30 frames per second, 3 minutes, preview on,
// 0, 0, 640, 480, no cursor.
VEL_DEVICE_INFO defaultDeviceRecord();

// An edit box's number the way a dialog reads it: optional sign, then digits; anything else
// (or nothing) reads as 0. Values beyond the int range saturate.
int editNumber(const std::string& text);
int clampTimeLimit(long long minutes);
// "29.970" -> 29.97, read without regard to the locale; 0 when it is no number.
double frameRateFromText(const std::string& text);
// "640x480" -> 640, 480; false when the text has no "x" between two numbers.
bool outputSizeFromText(const std::string& text, int* width, int* height);

// A region typed as left, top, right, bottom: left and top below 0 become 0, the others are
// rounded down to even numbers, right and bottom are then cut to the display. Null when what is
// left is smaller than kMinRegion either way.
std::optional<ScreenRect> typedRegion(int left, int top, int right, int bottom, int displayWidth,
                                      int displayHeight);
// The working area made even: right and bottom rounded down, left and top rounded down and never
// below 0.
ScreenRect workAreaRegion(const ScreenRect& workArea);
// The region between a drag's two corners, normalised; null when the drag spans less than
// kMinRegion either way.
std::optional<ScreenRect> dragRegion(int x1, int y1, int x2, int y2);

// Writes a rectangle into the record's 16-bit fields.
void setRecordRect(VEL_DEVICE_INFO& record, const ScreenRect& rect);

} // namespace capture
