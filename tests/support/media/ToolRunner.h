// Runs a command-line tool (no shell, so no quoting) and captures what it prints.
#pragma once

#include <string>
#include <vector>

namespace testmedia {

struct ToolResult {
    int exitCode = -1; // -1 when the tool could not be started or was killed
    std::string out;
    std::string err;
    double cpuSeconds = 0.0; // user + system time the tool used
};

ToolResult runTool(const std::vector<std::string>& argv);

} // namespace testmedia
