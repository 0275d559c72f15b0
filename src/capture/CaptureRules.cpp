#include "CaptureRules.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdlib>

namespace capture {

namespace {

// Rounds down to an even number, also below zero (-3 -> -4).
int evenDown(int value) {
    return value & ~1;
}

} // namespace

VEL_DEVICE_INFO defaultDeviceRecord() {
    VEL_DEVICE_INFO record;
    record.videoDevice = kNoVideoInput;
    record.audioDevice = kNoAudioInput;
    record.frameRate = 30.0;
    record.timeLimit = kDefaultTimeLimit;
    record.preview = 1;
    record.left = 0;
    record.top = 0;
    record.right = 640;
    record.bottom = 480;
    record.captureCursor = 0;
    return record;
}

int editNumber(const std::string& text) {
    size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    long long value = 0;
    bool digits = false;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        digits = true;
        value = std::min<long long>(value * 10 + (text[at] - '0'), 1LL << 40);
    }
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    if (!digits || at != text.size())
        return 0;
    if (negative)
        value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int clampTimeLimit(long long minutes) {
    return static_cast<int>(std::clamp<long long>(minutes, kMinTimeLimit, kMaxTimeLimit));
}

double frameRateFromText(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !(value > 0))
        return 0;
    return value;
}

bool outputSizeFromText(const std::string& text, int* width, int* height) {
    const size_t x = text.find('x');
    if (x == std::string::npos)
        return false;
    int w = 0, h = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    const auto first = std::from_chars(begin, begin + x, w);
    const auto second = std::from_chars(begin + x + 1, end, h);
    if (first.ec != std::errc() || first.ptr != begin + x || second.ec != std::errc() ||
        second.ptr != end || w <= 0 || h <= 0)
        return false;
    *width = w;
    *height = h;
    return true;
}

std::optional<ScreenRect> typedRegion(int left, int top, int right, int bottom, int displayWidth,
                                      int displayHeight) {
    ScreenRect r;
    r.left = left < 0 ? 0 : evenDown(left);
    r.top = top < 0 ? 0 : evenDown(top);
    r.right = std::min(evenDown(right), displayWidth);
    r.bottom = std::min(evenDown(bottom), displayHeight);
    // 64-bit differences: typed values near the int range must not wrap into a valid size.
    if (static_cast<long long>(r.right) - r.left < kMinRegion ||
        static_cast<long long>(r.bottom) - r.top < kMinRegion)
        return std::nullopt;
    return r;
}

ScreenRect workAreaRegion(const ScreenRect& workArea) {
    return {workArea.left < 0 ? 0 : evenDown(workArea.left),
            workArea.top < 0 ? 0 : evenDown(workArea.top), evenDown(workArea.right),
            evenDown(workArea.bottom)};
}

std::optional<ScreenRect> dragRegion(int x1, int y1, int x2, int y2) {
    if (std::abs(x2 - x1) < kMinRegion || std::abs(y2 - y1) < kMinRegion)
        return std::nullopt;
    return ScreenRect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

void setRecordRect(VEL_DEVICE_INFO& record, const ScreenRect& rect) {
    auto field = [](int value) {
        return static_cast<int16_t>(std::clamp(value, int(INT16_MIN), int(INT16_MAX)));
    };
    record.left = field(rect.left);
    record.top = field(rect.top);
    record.right = field(rect.right);
    record.bottom = field(rect.bottom);
}

} // namespace capture
