#include "OutputNaming.h"

#include "velcodecutil.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

std::string folderOfPath(std::string_view path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return std::string();
    }
    if (slash == 0) {
        return "/";
    }
    return std::string(path.substr(0, slash));
}

std::string fileNameOfPath(std::string_view path) {
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

size_t extensionDot(std::string_view path) {
    const size_t slash = path.rfind('/');
    const size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot <= start) {
        return std::string_view::npos;
    }
    return dot;
}

std::string outputBaseName(const MediaItem& item) {
    if (IsDevicePath(item.sourcePath)) {
        // A device's name is no file name: a "/" in it would name a folder.
        std::string name = item.displayName;
        std::replace(name.begin(), name.end(), '/', '_');
        return name;
    }
    const size_t dot = extensionDot(item.displayName);
    return dot == std::string::npos ? item.displayName : item.displayName.substr(0, dot);
}

std::string outputFileName(const MediaItem& item) {
    return outputBaseName(item) + "." + item.outputExtension();
}

std::string outputPathOf(const MediaItem& item, const VelSettings& settings) {
    const std::string fileName = outputFileName(item);
    if (settings.option(kOptionSameAsInput) && !IsDevicePath(item.sourcePath)) {
        const size_t slash = item.sourcePath.rfind('/');
        if (slash == std::string::npos) {
            return fileName;
        }
        return item.sourcePath.substr(0, slash + 1) + fileName;
    }
    std::string path = settings.outputFolder;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    return path + fileName;
}

std::string outputFolderOf(const MediaItem& item, const VelSettings& settings) {
    if (settings.option(kOptionSameAsInput) && !IsDevicePath(item.sourcePath)) {
        return folderOfPath(item.sourcePath);
    }
    return settings.outputFolder;
}

bool pathExists(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0) {
        return true;
    }
    return errno == EACCES;
}

std::string timeStampedName(std::string_view path, const SystemTime& now) {
    const size_t dot = extensionDot(path);
    const std::string_view rest = dot == std::string_view::npos ? path : path.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : path.substr(dot);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "_%04d_%02d_%02d_%02d_%02d_%02d", now.year, now.month,
                  now.day, now.hour, now.minute, now.second);
    return std::string(rest) + stamp + std::string(extension);
}

std::string uniqueOutputName(std::string_view path, const SystemTime& now,
                             const std::function<bool(const std::string&)>& exists) {
    const std::string stamped = timeStampedName(path, now);
    if (!exists(stamped)) {
        return stamped;
    }
    const size_t dot = extensionDot(stamped);
    const std::string rest = dot == std::string::npos ? stamped : stamped.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : stamped.substr(dot);
    // Bounded so that a file system answering "exists" to everything cannot hang a conversion.
    std::string candidate;
    for (int n = 2; n < 100000; ++n) {
        candidate = rest + "_" + std::to_string(n) + extension;
        if (!exists(candidate)) {
            break;
        }
    }
    return candidate;
}
