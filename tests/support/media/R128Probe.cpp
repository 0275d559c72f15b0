#include "R128Probe.h"

#include "ToolRunner.h"

#include <cstdlib>

namespace testmedia {

namespace {

// The number after the last "<key>" of the meter's summary.
bool lastNumber(const std::string& text, const std::string& key, double* value) {
    const size_t at = text.rfind(key);
    if (at == std::string::npos)
        return false;
    const char* start = text.c_str() + at + key.size();
    char* end = nullptr;
    *value = std::strtod(start, &end);
    return end != start;
}

} // namespace

R128Probe r128(const std::string& path) {
    const ToolResult r = runTool({"ffmpeg", "-hide_banner", "-nostats", "-i", path, "-map", "0:a:0",
                                  "-af", "ebur128=peak=true:framelog=verbose", "-f", "null", "-"});
    R128Probe probe;
    probe.ok = r.exitCode == 0 && lastNumber(r.err, "I:", &probe.integrated) &&
               lastNumber(r.err, "LRA:", &probe.range) &&
               lastNumber(r.err, "Peak:", &probe.truePeak);
    return probe;
}

} // namespace testmedia
