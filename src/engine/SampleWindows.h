// Where a size measurement's windows go in a clip, and how much of the clip each stands for.
// The clip is first cut into parts of like content, from the source's own bytes per second
// (ContentScan): every part gets a window, longer parts more, and each window then stands for
// its part's length shared among its part's windows. Without a scan the clip is one part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vel {

struct ContentPart {
    double begin = 0.0, end = 0.0; // source seconds
};

struct SampleWindow {
    int64_t beginMs = 0, stopMs = 0; // source milliseconds
    double represents = 0.0;         // seconds of the clip the window stands for
};

// The parts of [from, to) source seconds whose source rate (`secondBytes`, per source second)
// stays within a factor of kContentChange, at most `most` of them (the closest neighbours are
// joined first). One part where the bytes are unknown.
std::vector<ContentPart> contentParts(const std::vector<double>& secondBytes, double from,
                                      double to, size_t most);

// `count` windows of `lengthMs` over the parts (each part gets one before any gets two; the rest
// go by length). A window starts just past the keyframe before its place (source seconds,
// ascending) where that keyframe is near and within its part, so little is decoded only to be
// dropped; windows never overlap.
std::vector<SampleWindow> placeWindows(const std::vector<ContentPart>& parts, int count,
                                       int64_t lengthMs, const std::vector<double>& keyframes);

} // namespace vel
