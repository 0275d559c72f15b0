#include "CaptureOptions.h"

#include "CaptureRules.h"

#include <charconv>

namespace {

std::optional<long long> wholeNumber(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

// "X,Y,W,H" or "X,Y,W,H,cursor".
bool parseScreen(const std::string& text, ScreenRect* rect, bool* cursor) {
    std::vector<std::string_view> parts;
    std::string_view rest(text);
    for (;;) {
        const size_t comma = rest.find(',');
        parts.push_back(rest.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    if (parts.size() != 4 && !(parts.size() == 5 && parts[4] == "cursor"))
        return false;
    long long values[4];
    for (int i = 0; i < 4; ++i) {
        const auto value = wholeNumber(parts[i]);
        // Screen coordinates fit the record's 16-bit fields.
        if (!value || *value < 0 || *value > 16384)
            return false;
        values[i] = *value;
    }
    *rect = {int(values[0]), int(values[1]), int(values[0] + values[2]),
             int(values[1] + values[3])};
    *cursor = parts.size() == 5;
    return true;
}

} // namespace

bool parseCaptureValue(const std::string& arg, const std::string& value, CaptureOptions* options,
                       std::string* error) {
    if (arg == "--screen") {
        ScreenRect rect;
        if (!parseScreen(value, &rect, &options->cursor)) {
            *error = "--screen takes X,Y,WIDTH,HEIGHT[,cursor], not \"" + value + "\"";
            return false;
        }
        const auto region = capture::typedRegion(rect.left, rect.top, rect.right, rect.bottom,
                                                 INT16_MAX, INT16_MAX);
        if (!region) {
            *error = "--screen needs a region of at least 60 x 60 pixels";
            return false;
        }
        options->screen = region;
    } else if (arg == "--audio-device") {
        if (value.empty()) {
            *error = "--audio-device needs a device name (see --list-devices)";
            return false;
        }
        options->audioDevice = value;
    } else if (arg == "--time-limit") {
        const auto minutes = wholeNumber(value);
        if (!minutes || *minutes < capture::kMinTimeLimit || *minutes > capture::kMaxTimeLimit) {
            *error = "--time-limit takes 1 to 1440 minutes, not \"" + value + "\"";
            return false;
        }
        options->timeLimit = int(*minutes);
    } else {
        const auto seconds = wholeNumber(value);
        if (!seconds || *seconds < 1 || *seconds > capture::kMaxTimeLimit * 60LL) {
            *error = "--seconds takes 1 to 86400 seconds, not \"" + value + "\"";
            return false;
        }
        options->seconds = *seconds;
    }
    return true;
}

std::string checkCaptureOptions(const CaptureOptions& options) {
    const bool limited = options.timeLimit || options.seconds;
    if (options.timeLimit && options.seconds)
        return "--time-limit and --seconds exclude each other";
    if (options.records() && !limited)
        return "a recording needs --time-limit or --seconds";
    if (!options.records() && limited)
        return std::string(options.timeLimit ? "--time-limit" : "--seconds") +
               " needs --screen or --audio-device";
    return {};
}

VEL_DEVICE_INFO captureRecord(const CaptureOptions& options) {
    VEL_DEVICE_INFO record = capture::defaultDeviceRecord();
    record.preview = 0; // nothing to show it in
    if (options.screen) {
        record.videoDevice = capture::kScreenRecorderName;
        record.frameRate = capture::kScreenFrameRate;
        capture::setRecordRect(record, *options.screen);
        record.captureCursor = options.cursor ? 1 : 0;
    }
    if (!options.audioDevice.empty())
        record.audioDevice = options.audioDevice;
    const int64_t ms = captureMilliseconds(options);
    record.timeLimit = capture::clampTimeLimit((ms + 59999) / 60000);
    return record;
}

int64_t captureMilliseconds(const CaptureOptions& options) {
    if (options.seconds)
        return *options.seconds * 1000;
    return int64_t(options.timeLimit.value_or(capture::kDefaultTimeLimit)) * 60000;
}

CliGroup captureOptionGroup() {
    return {"Recording, instead of or besides FILEs (a screen region, a sound source or both)",
            {{{"screen"},
              "X,Y,W,H[,cursor]",
              "A region of the X display: left, top, width, height, at least 60 x 60 (made "
              "even), at 25 frames per second; \",cursor\" draws the mouse pointer."},
             {{"audio-device"}, "NAME", "A sound source, by the name --list-devices prints."},
             {{"time-limit"}, "MINUTES", "How long to record, 1 to 1440 minutes, or"},
             {{"seconds"}, "N", "1 to 86400 seconds."},
             {{"list-devices"}, "", "Print the video and audio inputs, one a line."}}};
}
