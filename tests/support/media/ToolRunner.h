// Runs a command-line tool (no shell, so no quoting) and captures what it prints.
#pragma once

#include <string>
#include <vector>

namespace testmedia {

// The exit code a tool is given when it printed a sanitizer's report: whatever status it
// ended with (some end with _exit, past the sanitizer's own exit code), the run is a failure.
inline constexpr int kSanitizerReported = -66;

struct ToolResult {
    int exitCode = -1; // -1 when the tool could not be started or was killed
    std::string out;
    std::string err;
    double cpuSeconds = 0.0; // user + system time the tool used
    long peakRssKiB = 0;     // its largest resident set, as read while it ran
};

ToolResult runTool(const std::vector<std::string>& argv);

// True when `err` (what a process wrote to stderr) holds a report of AddressSanitizer,
// LeakSanitizer, ThreadSanitizer or UndefinedBehaviorSanitizer.
bool hasSanitizerReport(const std::string& err);

} // namespace testmedia
