// Free space and the file system a folder lives on.
#ifndef DISKSPACE_H
#define DISKSPACE_H

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Bytes available to this user on the file system that holds `folder` (statvfs of the folder
// itself); empty when the folder cannot be asked.
std::optional<uint64_t> freeDiskSpace(const std::string& folder);

// The mount point of the file system `folder` is on: the longest mount point in
// /proc/self/mountinfo containing the folder's real path (a missing folder is judged by its
// nearest existing parent). Empty for an empty or relative path that cannot be resolved.
std::string mountPointOf(const std::string& folder);

// The mountinfo rule on its own: the longest of `mountPoints` that contains `realPath`
// (whole path components only).
std::string longestMountPrefix(const std::string& realPath, const std::string& mountinfoText);

} // namespace platform

#endif
