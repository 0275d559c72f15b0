#include "FileNameText.h"

#include <cstdio>

size_t extensionDot(std::string_view path) {
    const size_t slash = path.rfind('/');
    const size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot <= start) {
        return std::string_view::npos;
    }
    return dot;
}

std::string timeStampText(int year, int month, int day, int hour, int minute, int second) {
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "_%04d_%02d_%02d_%02d_%02d_%02d", year, month, day, hour,
                  minute, second);
    return stamp;
}

std::string stampedName(std::string_view path, std::string_view stamp) {
    const size_t dot = extensionDot(path);
    const std::string_view rest = dot == std::string_view::npos ? path : path.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : path.substr(dot);
    return std::string(rest) + std::string(stamp) + std::string(extension);
}

std::string freeNameCandidate(std::string_view path, std::string_view stamp, int attempt) {
    const size_t dot = extensionDot(path);
    const std::string_view rest = dot == std::string_view::npos ? path : path.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : path.substr(dot);
    const bool stamped = rest.size() >= stamp.size() && rest.ends_with(stamp);
    if (stamped) {
        ++attempt; // the stamped name itself was attempt 1
    } else if (attempt <= 1) {
        return stampedName(path, stamp);
    }
    return std::string(rest) + (stamped ? "" : std::string(stamp)) + "_" + std::to_string(attempt) +
           std::string(extension);
}
