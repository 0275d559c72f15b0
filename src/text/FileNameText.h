#pragma once

// File-name text: the extension of a path's last component and the rule that makes an output
// name free, "rest_YYYY_MM_DD_hh_mm_ss.ext", then "_2", "_3", ... for names made free within the
// same second. The naming checks before a run and the engine's final link use the same rule.

#include <string>
#include <string_view>

// Position of the dot that starts the extension of the path's last component, or npos. A leading
// dot (".profile") names a hidden file on this platform and starts no extension.
size_t extensionDot(std::string_view path);

// "_YYYY_MM_DD_hh_mm_ss".
std::string timeStampText(int year, int month, int day, int hour, int minute, int second);

// rest + stamp + extension (the extension with its dot).
std::string stampedName(std::string_view path, std::string_view stamp);

// The attempt-th candidate for a free name near `path` (attempt >= 1): the stamped name, then the
// stamped name with "_2", "_3", ... before the extension. A path that already carries the stamp
// (made free a moment ago) goes straight on to "_2", "_3", ... instead of a second stamp.
std::string freeNameCandidate(std::string_view path, std::string_view stamp, int attempt);
