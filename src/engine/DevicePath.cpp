#include "DevicePath.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vel {

namespace {

std::string encode(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '_' || c == '.' || c == '(' || c == ')';
        if (plain) {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool decode(const std::string& text, std::string* out) {
    out->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out->push_back(text[i]);
            continue;
        }
        int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
        int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0)
            return false;
        out->push_back(char(high * 16 + low));
        i += 2;
    }
    return true;
}

bool parseLong(const std::string& text, long* value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    *value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0';
}

} // namespace

bool parseDevicePath(const std::string& path, VEL_DEVICE_INFO* device) {
    const size_t prefix = std::strlen(kDevicePathPrefix);
    if (path.compare(0, prefix, kDevicePathPrefix) != 0)
        return false;
    VEL_DEVICE_INFO result;
    size_t at = prefix;
    while (at < path.size()) {
        size_t end = path.find(';', at);
        if (end == std::string::npos)
            end = path.size();
        std::string field = path.substr(at, end - at);
        at = end + 1;
        size_t equals = field.find('=');
        if (equals == std::string::npos)
            return false;
        std::string key = field.substr(0, equals), value = field.substr(equals + 1);
        long number = 0;
        if (key == "video") {
            if (!decode(value, &result.videoDevice))
                return false;
        } else if (key == "audio") {
            if (!decode(value, &result.audioDevice))
                return false;
        } else if (key == "rate") {
            char* stop = nullptr;
            result.frameRate = std::strtod(value.c_str(), &stop);
            if (value.empty() || *stop)
                return false;
        } else if (key == "limit" && parseLong(value, &number)) {
            result.timeLimit = int32_t(number);
        } else if (key == "preview" && parseLong(value, &number)) {
            result.preview = int32_t(number);
        } else if (key == "cursor" && parseLong(value, &number)) {
            result.captureCursor = int32_t(number);
        } else if (key == "rect") {
            int l, t, r, b;
            char extra;
            if (std::sscanf(value.c_str(), "%d,%d,%d,%d%c", &l, &t, &r, &b, &extra) != 4)
                return false;
            result.left = int16_t(l);
            result.top = int16_t(t);
            result.right = int16_t(r);
            result.bottom = int16_t(b);
        } else {
            return false;
        }
    }
    *device = result;
    return true;
}

} // namespace vel

bool IsDevicePath(const std::string& path) {
    return path.compare(0, std::strlen(vel::kDevicePathPrefix), vel::kDevicePathPrefix) == 0;
}

std::string GenDevicePath(const VEL_DEVICE_INFO* device) {
    if (!device)
        return {};
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.10g", device->frameRate);
    std::string path = vel::kDevicePathPrefix;
    path += "video=" + vel::encode(device->videoDevice);
    path += ";audio=" + vel::encode(device->audioDevice);
    path += std::string(";rate=") + rate;
    path += ";limit=" + std::to_string(device->timeLimit);
    path += ";preview=" + std::to_string(device->preview);
    path += ";rect=" + std::to_string(device->left) + "," + std::to_string(device->top) + "," +
            std::to_string(device->right) + "," + std::to_string(device->bottom);
    path += ";cursor=" + std::to_string(device->captureCursor);
    return path;
}
