#include "MediaProbe.h"

#include "JsonValue.h"
#include "ToolRunner.h"

#include <cstdio>
#include <cstdlib>

namespace testmedia {

const StreamProbe* FileProbe::first(const std::string& type) const {
    for (const StreamProbe& s : streams)
        if (s.type == type)
            return &s;
    return nullptr;
}

int FileProbe::count(const std::string& type) const {
    int n = 0;
    for (const StreamProbe& s : streams)
        n += s.type == type;
    return n;
}

static double rationalValue(const std::string& text) {
    size_t slash = text.find('/');
    if (slash == std::string::npos)
        return std::atof(text.c_str());
    double num = std::atof(text.substr(0, slash).c_str());
    double den = std::atof(text.substr(slash + 1).c_str());
    return den != 0.0 ? num / den : 0.0;
}

FileProbe probe(const std::string& path, bool countFrames) {
    FileProbe result;
    std::vector<std::string> argv = {"ffprobe", "-v",           "error",        "-of",
                                     "json",    "-show_format", "-show_streams"};
    if (countFrames)
        argv.push_back("-count_frames");
    argv.push_back(path);
    ToolResult r = runTool(argv);
    if (r.exitCode != 0) {
        result.error = r.err;
        return result;
    }
    bool ok = false;
    JsonValue doc = JsonValue::parse(r.out, &ok);
    if (!ok) {
        result.error = "unreadable ffprobe output";
        return result;
    }
    const JsonValue& format = doc["format"];
    result.formatName = format["format_name"].string();
    result.duration = format["duration"].number();
    result.startTime = format["start_time"].number();
    result.size = int64_t(format["size"].number());
    result.bitRate = int64_t(format["bit_rate"].number());
    for (const auto& [key, value] : format["tags"].members())
        result.tags[key] = value.string();
    const JsonValue& streams = doc["streams"];
    for (size_t i = 0; i < streams.size(); ++i) {
        const JsonValue& s = streams[i];
        StreamProbe p;
        p.type = s["codec_type"].string();
        p.codec = s["codec_name"].string();
        p.codecTag = s["codec_tag_string"].string();
        p.pixFmt = s["pix_fmt"].string();
        p.sampleFmt = s["sample_fmt"].string();
        p.width = int(s["width"].number());
        p.height = int(s["height"].number());
        p.rFrameRate = rationalValue(s["r_frame_rate"].string());
        p.frameRate = rationalValue(s["avg_frame_rate"].string());
        if (p.frameRate <= 0.0)
            p.frameRate = p.rFrameRate;
        p.sampleAspect = s["sample_aspect_ratio"].string();
        p.displayAspect = s["display_aspect_ratio"].string();
        p.sampleRate = int(s["sample_rate"].number());
        p.channels = int(s["channels"].number());
        p.startTime = s["start_time"].number();
        p.duration = s["duration"].number();
        p.bitRate = int64_t(s["bit_rate"].number());
        p.frames = int64_t(countFrames ? s["nb_read_frames"].number() : s["nb_frames"].number());
        result.streams.push_back(p);
    }
    result.ok = true;
    return result;
}

static std::vector<std::pair<double, double>>
packetTimes(const std::string& path, const std::string& selector, const char* section) {
    std::string entries = std::string(section) + "=pts_time,duration_time";
    ToolResult r =
        runTool({"ffprobe", "-v", "error", "-of", "json", "-select_streams", selector + ":0",
                 std::string("-show_") + section + "s", "-show_entries", entries, path});
    std::vector<std::pair<double, double>> times;
    if (r.exitCode != 0)
        return times;
    JsonValue doc = JsonValue::parse(r.out);
    const JsonValue& list = doc[std::string(section) + "s"];
    for (size_t i = 0; i < list.size(); ++i) {
        const JsonValue& p = list[i];
        if (p["pts_time"].isNull())
            continue;
        times.emplace_back(p["pts_time"].number(), p["duration_time"].number());
    }
    return times;
}

double streamEndTime(const std::string& path, const std::string& selector) {
    double end = 0.0;
    for (const auto& [pts, duration] : packetTimes(path, selector, "packet"))
        end = std::max(end, pts + duration);
    return end;
}

std::vector<double> frameTimes(const std::string& path, const std::string& selector) {
    std::vector<double> times;
    for (const auto& [pts, duration] : packetTimes(path, selector, "frame"))
        times.push_back(pts);
    return times;
}

std::vector<uint8_t> grabFrame(const std::string& path, double seconds, const std::string& pixFmt,
                               int* width, int* height) {
    FileProbe info = probe(path);
    const StreamProbe* video = info.first("video");
    if (!video || video->width <= 0 || video->height <= 0)
        return {};
    std::vector<std::string> argv = {"ffmpeg", "-hide_banner", "-loglevel", "error"};
    if (seconds > 0.0) {
        char text[32];
        std::snprintf(text, sizeof text, "%.4f", seconds);
        argv.insert(argv.end(), {"-ss", text});
    }
    argv.insert(argv.end(), {"-i", path, "-map", "0:v:0", "-frames:v", "1", "-f", "rawvideo",
                             "-pix_fmt", pixFmt, "-"});
    ToolResult r = runTool(argv);
    int bytesPerPixel = pixFmt == "gray" ? 1 : pixFmt == "rgb24" ? 3 : 4;
    size_t expected = size_t(video->width) * size_t(video->height) * size_t(bytesPerPixel);
    if (r.exitCode != 0 || r.out.size() != expected)
        return {};
    *width = video->width;
    *height = video->height;
    return std::vector<uint8_t>(r.out.begin(), r.out.end());
}

double meanOf(const std::vector<uint8_t>& pixels, int width, int channels, int channel, int x0,
              int y0, int x1, int y1) {
    double sum = 0.0;
    int64_t n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            size_t at =
                (size_t(y) * size_t(width) + size_t(x)) * size_t(channels) + size_t(channel);
            if (at < pixels.size()) {
                sum += pixels[at];
                ++n;
            }
        }
    return n ? sum / double(n) : 0.0;
}

} // namespace testmedia
