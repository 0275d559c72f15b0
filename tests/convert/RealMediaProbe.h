// Reading media back with ffprobe, ffmpeg and plain arithmetic, for the real-media corpus test:
// the picture a player honouring the display matrix shows, where the packets lie, the sound's
// peak, the picture inside black bars, and small thumbnails to tell turns and mirrors apart.
#pragma once

#include "JsonValue.h"
#include "ToolRunner.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace realmedia {

using testmedia::JsonValue;

// The filters that turn a stored picture into the one a player honouring the display matrix
// shows: rotation by quarter turns and mirroring, worked out from the matrix the way the ffmpeg
// command line of 7.x does (the 5.1 installed here ignores the mirroring).
struct Orientation {
    std::string filters; // "" or "transpose=clock," ...
    bool quarterTurn = false;
};

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> grey;
    bool empty() const { return grey.empty(); }
    uint8_t at(int x, int y) const { return grey[size_t(y) * size_t(width) + size_t(x)]; }
};

// Where each stream's packets lie, as a full read finds them, by stream index; and the file's
// start time, which ffmpeg's -ss counts from.
struct Span {
    double first = 0, lastPts = 0, end = 0;
    int packets = 0;
};

struct Spans {
    std::map<int, Span> streams;
    double fileStart = 0.0;

    // From the first packet to the end of the last, over `indices`.
    double length(const std::set<int>& indices) const {
        double first = std::numeric_limits<double>::max(), last = -first;
        for (const auto& [index, span] : streams)
            if (indices.count(index)) {
                first = std::min(first, span.first);
                last = std::max(last, span.end);
            }
        return last > first ? last - first : 0.0;
    }
    // The time from the file's start `fraction` of the way through the stream's packets.
    double at(int index, double fraction) const {
        const auto it = streams.find(index);
        if (it == streams.end())
            return 0.0;
        const Span& span = it->second;
        return std::max(0.0, span.first + fraction * (span.end - span.first) - fileStart);
    }
    // `seconds` from the file's start, held within the stream's packets.
    double within(int index, double seconds) const {
        const auto it = streams.find(index);
        if (it == streams.end())
            return seconds;
        return std::clamp(seconds, std::max(0.0, it->second.first - fileStart),
                          std::max(0.0, it->second.lastPts - fileStart));
    }
    int packets(int index) const {
        const auto it = streams.find(index);
        return it == streams.end() ? 0 : it->second.packets;
    }
};

struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0; // [x0, x1) x [y0, y1)
    int width() const { return x1 - x0; }
    int height() const { return y1 - y0; }
};

constexpr int kThumb = 24;
using Thumb = std::vector<double>;

// A tool run that cannot hang the suite: killed after `seconds`.
testmedia::ToolResult runBounded(std::vector<std::string> args, int seconds = 60);

// ffprobe's JSON for `what` (its -show_* options) of the file.
JsonValue probeJson(const std::vector<std::string>& what, const std::string& path);

// "16:9" or "30000/1001" as a number; `fallback` for "N/A", "0:1" and the like.
double ratio(const std::string& text, double fallback);

// The display matrix of a stream as ffprobe prints it ("\n00000000: a b u\n00000001: c d v..."),
// or all zero when there is none.
std::array<int64_t, 9> displayMatrix(const JsonValue& stream);

// The orientation a display matrix asks for.
Orientation orientationOf(const std::array<int64_t, 9>& m);

// One grey picture of stream `map` at `seconds` from the file's start, through `filters`
// (which end in a scale to width x height when given), without the automatic rotation.
Picture pictureOf(const std::string& path, const std::string& map, double seconds,
                  const std::string& filters, int width, int height);

// Every packet's time, read through once.
Spans readSpans(const std::string& path);

// The loudest sample of the first sound stream in dBFS (-inf for digital silence or none).
double soundPeak(const std::string& path);

// Whether the ffmpeg command line gets any picture or sound out of the file.
bool ffmpegDecodesSomething(const std::string& path);

// The picture inside black bars: rows and columns from each edge that are all near black.
Box contentBox(const Picture& p);

// `box` of the picture averaged down to kThumb x kThumb.
Thumb thumbOf(const Picture& p, const Box& box);

// The standard deviation of a thumbnail's values: near 0 for a flat picture.
double spread(const Thumb& t);

// Pearson's correlation of two thumbnails, -1 to 1.
double correlation(const Thumb& a, const Thumb& b);

// The eight ways a square thumbnail can be turned and mirrored; the first is as it is.
std::vector<std::pair<const char*, Thumb>> turnsOf(const Thumb& t);

} // namespace realmedia
