#include "TrackMedia.h"

#include "MediaGenerators.h"
#include "ToolRunner.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

namespace trackmedia {

namespace {

// A text file in the media cache, named after its content.
std::string cachedText(const std::string& text, const std::string& extension) {
    char name[32];
    std::snprintf(name, sizeof name, "%016zx", std::hash<std::string>{}(text));
    const std::string path = testmedia::cacheDir() + "/" + name + "." + extension;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || st.st_size == 0) {
        const std::string partial = path + ".part";
        std::ofstream(partial, std::ios::binary) << text;
        std::rename(partial.c_str(), path.c_str());
    }
    return path;
}

const char kSrt[] = "1\n00:00:00,500 --> 00:00:01,500\nOne\n\n"
                    "2\n00:00:02,000 --> 00:00:02,800\nTwo\n\n";

const char kAss[] = "[Script Info]\nScriptType: v4.00+\nPlayResX: 384\nPlayResY: 288\n\n"
                    "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, "
                    "SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, "
                    "StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, "
                    "Alignment, MarginL, MarginR, MarginV, Encoding\n"
                    "Style: Yellow,DejaVu Sans,20,&H0000FFFF,&H0000FFFF,&H00000000,&H00000000,"
                    "0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,1\n\n"
                    "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, "
                    "MarginV, Effect, Text\n"
                    "Dialogue: 0,0:00:01.00,0:00:02.00,Yellow,,0,0,0,,Trois\n";

// A line long and tall enough to be plainly seen at the bottom of a small picture.
const char kBurnSrt[] = "1\n00:00:01,000 --> 00:00:02,000\nWWWWWWWWWWWW\n\n";

std::string lower(std::string text) {
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

const std::map<std::string, std::string>& sourceTags() {
    static const std::map<std::string, std::string> tags = {
        {"title", "Song Title"}, {"artist", "The Artist"}, {"album", "The Album"},
        {"date", "2001"},        {"comment", "A comment"}, {"genre", "Rock"},
        {"track", "3/9"}};
    return tags;
}

std::string taggedSound(const std::vector<std::string>& audioArgs, const std::string& extension,
                        const std::string& title) {
    const std::string cover = testmedia::generateWith(
        {"-f", "lavfi", "-i", "color=c=red:s=200x200:d=1", "-frames:v", "1", "{out}"}, "jpg");
    if (cover.empty())
        return {};
    std::vector<std::string> args = {"-f", "lavfi", "-i", "sine=f=440:d=2:sample_rate=44100",
                                     "-i", cover, "-map", "0", "-map", "1", "-c:v", "copy",
                                     "-disposition:v", "attached_pic"};
    for (const auto& [key, value] : sourceTags())
        args.insert(args.end(),
                    {"-metadata", key + "=" + (key == "title" && !title.empty() ? title : value)});
    args.insert(args.end(), audioArgs.begin(), audioArgs.end());
    args.push_back("{out}");
    return testmedia::generateWith(args, extension);
}

std::string multiTrackMovie() {
    const std::string srt = cachedText(kSrt, "srt");
    const std::string ass = cachedText(kAss, "ass");
    return testmedia::generateWith(
        {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=25:d=3", "-f", "lavfi", "-i",
         "sine=f=440:d=3:sample_rate=48000", "-f", "lavfi", "-i",
         "sine=f=1000:d=3:sample_rate=48000", "-i", srt, "-i", ass, "-map", "0", "-map", "1",
         "-map", "2", "-map", "3", "-map", "4", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a",
         "aac", "-c:s:0", "srt", "-c:s:1", "ass", "-metadata:s:a:0", "language=eng",
         "-metadata:s:a:1", "language=ger", "-metadata:s:s:0", "language=eng", "-metadata:s:s:1",
         "language=fre", "-disposition:a:0", "0", "-disposition:a:1", "default", "{out}"},
        "mkv");
}

std::string greyWithSubtitle(const std::string& container, int width, int height, int rotate) {
    const std::string srt = cachedText(kBurnSrt, "srt");
    const bool mp4 = container == "mp4";
    std::vector<std::string> args = {
        "-f", "lavfi", "-i",
        "color=c=gray:s=" + std::to_string(width) + "x" + std::to_string(height) + ":r=25:d=3",
        "-f", "lavfi", "-i", "sine=f=440:d=3", "-i", srt, "-map", "0", "-map", "1", "-map", "2",
        "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", "-c:s", mp4 ? "mov_text" : "srt",
        "-metadata:s:s:0", "language=eng", "{out}"};
    const std::string plain = testmedia::generateWith(args, mp4 ? "mp4" : "mkv");
    if (!rotate || plain.empty())
        return plain;
    // The muxer writes a display matrix from the tag only when the stream is copied.
    return testmedia::generateWith({"-i", plain, "-map", "0", "-c", "copy", "-metadata:s:v:0",
                                    "rotate=" + std::to_string(rotate), "{out}"},
                                   mp4 ? "mp4" : "mkv");
}

std::map<std::string, std::string> flatProbe(const std::string& path) {
    const testmedia::ToolResult r = testmedia::runTool(
        {"ffprobe", "-v", "error", "-show_entries",
         "format_tags:stream_tags:stream=index,codec_type,codec_name:stream_disposition="
         "attached_pic,default,forced",
         "-of", "flat", path});
    std::map<std::string, std::string> values;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        const size_t tags = key.find(".tags.");
        if (tags != std::string::npos)
            key = key.substr(0, tags + 6) + lower(key.substr(tags + 6));
        values[key] = value;
    }
    return values;
}

std::map<std::string, std::string> tagsOf(const std::string& path) {
    const auto flat = flatProbe(path);
    std::map<std::string, std::string> tags;
    for (int i = 0; i < 16; ++i) {
        const std::string stream = "streams.stream." + std::to_string(i) + ".";
        auto type = flat.find(stream + "codec_type");
        if (type == flat.end() || type->second != "audio")
            continue;
        for (const auto& [key, value] : flat)
            if (key.rfind(stream + "tags.", 0) == 0)
                tags[key.substr(stream.size() + 5)] = value;
    }
    for (const auto& [key, value] : flat)
        if (key.rfind("format.tags.", 0) == 0)
            tags[key.substr(12)] = value;
    return tags;
}

bool hasCover(const std::string& path) {
    const auto flat = flatProbe(path);
    for (int i = 0; i < 16; ++i) {
        const std::string stream = "streams.stream." + std::to_string(i) + ".";
        auto pic = flat.find(stream + "disposition.attached_pic");
        auto codec = flat.find(stream + "codec_name");
        if (pic != flat.end() && pic->second == "1" && codec != flat.end() &&
            (codec->second == "mjpeg" || codec->second == "png"))
            return true;
    }
    return false;
}

namespace {

std::vector<std::string> subtitleField(const std::string& path, const std::string& field) {
    const auto flat = flatProbe(path);
    std::vector<std::string> out;
    for (int i = 0; i < 16; ++i) {
        const std::string stream = "streams.stream." + std::to_string(i) + ".";
        auto type = flat.find(stream + "codec_type");
        if (type == flat.end() || type->second != "subtitle")
            continue;
        auto value = flat.find(stream + field);
        out.push_back(value == flat.end() ? std::string() : value->second);
    }
    return out;
}

double srtTime(const std::string& text) {
    int h = 0, m = 0, s = 0, ms = 0;
    std::sscanf(text.c_str(), "%d:%d:%d,%d", &h, &m, &s, &ms);
    return h * 3600.0 + m * 60.0 + s + ms / 1000.0;
}

} // namespace

std::vector<std::string> subtitleCodecs(const std::string& path) {
    return subtitleField(path, "codec_name");
}

std::vector<std::string> subtitleLanguages(const std::string& path) {
    return subtitleField(path, "tags.language");
}

std::vector<Cue> cuesOf(const std::string& path, int n) {
    const testmedia::ToolResult r =
        testmedia::runTool({"ffmpeg", "-hide_banner", "-loglevel", "error", "-i", path, "-map",
                            "0:s:" + std::to_string(n), "-f", "srt", "-"});
    std::vector<Cue> cues;
    std::istringstream lines(r.out);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t arrow = line.find(" --> ");
        if (arrow == std::string::npos)
            continue;
        Cue cue;
        cue.start = srtTime(line.substr(0, arrow));
        cue.end = srtTime(line.substr(arrow + 5));
        while (std::getline(lines, line) && !line.empty() && line != "\r")
            cue.text += (cue.text.empty() ? "" : "\n") + line;
        cues.push_back(cue);
    }
    return cues;
}

double toneFrequency(const std::string& path, double from, double to) {
    char start[32], length[32];
    std::snprintf(start, sizeof start, "%.3f", from);
    std::snprintf(length, sizeof length, "%.3f", to - from);
    const testmedia::ToolResult r = testmedia::runTool(
        {"ffmpeg", "-hide_banner", "-loglevel", "error", "-ss", start, "-t", length, "-i", path,
         "-map", "0:a:0", "-ac", "1", "-ar", "48000", "-f", "s16le", "-"});
    const size_t count = r.out.size() / 2;
    if (count < 4800)
        return 0.0;
    const auto* samples = reinterpret_cast<const int16_t*>(r.out.data());
    int crossings = 0;
    for (size_t i = 1; i < count; ++i)
        crossings += (samples[i - 1] < 0) != (samples[i] < 0);
    return crossings / 2.0 / (double(count) / 48000.0);
}

double lumaDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int width,
                      int height, double x0, double y0, double x1, double y1) {
    double sum = 0.0;
    int n = 0;
    for (int y = int(y0 * height); y < int(y1 * height); ++y)
        for (int x = int(x0 * width); x < int(x1 * width); ++x, ++n) {
            const size_t at = size_t(y) * size_t(width) + size_t(x);
            sum += std::abs(int(a[at]) - int(b[at]));
        }
    return n ? sum / n : 0.0;
}

double lumaDeviation(const std::vector<uint8_t>& grey, int width, int height, double level,
                     double x0, double y0, double x1, double y1) {
    double sum = 0.0;
    int n = 0;
    for (int y = int(y0 * height); y < int(y1 * height); ++y)
        for (int x = int(x0 * width); x < int(x1 * width); ++x, ++n)
            sum += std::abs(double(grey[size_t(y) * size_t(width) + size_t(x)]) - level);
    return n ? sum / n : 0.0;
}

} // namespace trackmedia
