#include "OutputNaming.h"

#include "velcodecutil.h"

#include <algorithm>
#include <cerrno>
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
    return stampedName(
        path, timeStampText(now.year, now.month, now.day, now.hour, now.minute, now.second));
}

std::string uniqueOutputName(std::string_view path, const SystemTime& now,
                             const std::function<bool(const std::string&)>& exists) {
    const std::string stamp =
        timeStampText(now.year, now.month, now.day, now.hour, now.minute, now.second);
    // Bounded so that a file system answering "exists" to everything cannot hang a conversion.
    std::string candidate;
    for (int attempt = 1; attempt < 100000; ++attempt) {
        candidate = freeNameCandidate(path, stamp, attempt);
        if (!exists(candidate)) {
            break;
        }
    }
    return candidate;
}
