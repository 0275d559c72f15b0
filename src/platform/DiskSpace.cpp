#include "DiskSpace.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace platform {

namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes in paths as \ooo.
std::string unescapeMountPath(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const std::string digits = text.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out.push_back(static_cast<char>(std::strtol(digits.c_str(), nullptr, 8)));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

bool containsPath(const std::string& mountPoint, const std::string& path) {
    if (mountPoint == "/")
        return true;
    if (path.compare(0, mountPoint.size(), mountPoint) != 0)
        return false;
    return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

// The real path of `folder`, or of its nearest existing parent.
std::string realPathOf(const std::string& folder) {
    std::string path = folder;
    while (!path.empty()) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            std::string result(resolved);
            std::free(resolved);
            return result;
        }
        const size_t slash = path.find_last_of('/');
        if (slash == std::string::npos)
            return {};
        path = slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    return {};
}

// Without mountinfo: walk up while the parent is on the same device.
std::string mountPointByDevice(const std::string& realPath) {
    struct stat st {};
    if (::stat(realPath.c_str(), &st) != 0)
        return {};
    std::string current = realPath;
    while (current != "/") {
        const size_t slash = current.find_last_of('/');
        const std::string parent = slash == 0 ? std::string("/") : current.substr(0, slash);
        struct stat parentSt {};
        if (::stat(parent.c_str(), &parentSt) != 0 || parentSt.st_dev != st.st_dev)
            break;
        current = parent;
    }
    return current;
}

} // namespace

std::optional<uint64_t> freeDiskSpace(const std::string& folder) {
    if (folder.empty())
        return std::nullopt;
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize);
}

std::string longestMountPrefix(const std::string& realPath, const std::string& mountinfoText) {
    std::istringstream lines(mountinfoText);
    std::string line;
    std::string best;
    while (std::getline(lines, line)) {
        // mount-id parent-id major:minor root mount-point options ...
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        if (!(fields >> id >> parent >> device >> root >> mountPoint))
            continue;
        mountPoint = unescapeMountPath(mountPoint);
        if (containsPath(mountPoint, realPath) && mountPoint.size() > best.size())
            best = mountPoint;
    }
    return best;
}

std::string mountPointOf(const std::string& folder) {
    if (folder.empty())
        return {};
    const std::string real = realPathOf(folder);
    if (real.empty())
        return {};
    std::ifstream file("/proc/self/mountinfo");
    if (file) {
        std::ostringstream text;
        text << file.rdbuf();
        const std::string best = longestMountPrefix(real, text.str());
        if (!best.empty())
            return best;
    }
    return mountPointByDevice(real);
}

} // namespace platform
