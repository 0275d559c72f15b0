// Real files as people have them (tests/media-real, each listed with its origin and licence in
// MANIFEST.md): phone clips turned by a display matrix, containers that lie about their length,
// Matroska with several tracks and subtitles, FLV, ASF, MPEG-2 TS and PS, Ogg, WebM, AV1, GIF,
// sound with tags and cover art, anamorphic and interlaced pictures, odd sizes and broken files.
// movara-convert converts each with one profile of each family, and the outputs are read back by
// tools independent of the engine: ffprobe and ffmpeg for the picture as a player honouring the
// display matrix shows it, the shape, the length a full read finds and the sound, and GStreamer,
// which must play every output to its end. A file that cannot be converted is refused with a
// reason a person understands, and only where the ffmpeg command line cannot convert it either.
//
// Each file is one test (ctest runs them side by side). Faults known to be in code owned
// elsewhere are listed in kKnownFailures: such a check is reported, not failed, and the case
// comes back by itself once the list loses its line.
#include "ConvertToolSupport.h"
#include "JsonValue.h"
#include "ScratchDir.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <ostream>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using testmedia::JsonValue;

const std::string kCorpus = std::string(MOVARA_SOURCE_DIR) + "/tests/media-real/";

// One profile of each family. Fixed frames get the picture with its shape kept (bars); the
// original size keeps the picture's shown size, and a source without a picture gets 320x240.
struct Profile {
    const char* family;
    const char* name;
    bool video;
    int width, height; // 0: the original size
};
const Profile kProfiles[] = {
    {"h264", "H.264 Video(*.mp4)", true, 480, 320},
    {"mpeg4", "MP4-MPEG-4 Video (original size)(*.mp4)", true, 0, 0},
    {"3gp", "3GPP-3rd Generation Partnership Project(176x144)(*.3gp)", true, 176, 144},
    {"audio", "MP3-MPEG Layer 3 Audio(*.mp3)", false, 0, 0},
};

// The corpus: what each file is, and the reason given for refusing it where no profile can
// convert it (the ffmpeg command line converts none of these either). A source without sound
// into the sound profile is refused with "the source has no sound" besides.
struct Row {
    const char* file;
    const char* refusal; // nullptr: converts with every profile
};
const Row kRows[] = {
    {"phone_iphone12_hevc_rot-90.mp4", nullptr},
    {"phone_iphone12_hevc_rot90.mp4", nullptr},
    {"phone_iphone12_hevc_rot180.mp4", nullptr},
    {"phone_android_hevc_rot-90.mp4", nullptr},
    {"mirrored_rot-90.mp4", nullptr},
    {"phone_samsung_slowmo.mp4", nullptr},
    {"portrait_720x1080.mp4", nullptr},
    {"fragmented_lying_length.mp4", nullptr},
    {"mkv_h264_ac3_srt.mkv", nullptr},
    {"mkv_h264_ac3_pgs.mkv", nullptr},
    {"mkv_two_audio_ass.mkv", nullptr},
    {"flv_h264_aac.flv", nullptr},
    {"wma_tags.wma", nullptr},
    {"wmv_minimal_1x1.wmv", "the source's pictures cannot be decoded"},
    {"mpeg2_ntsc_interlaced_anamorphic.ts", nullptr},
    {"mpeg2_ps.mpg", nullptr},
    {"ts_h264_aac_pcr_rollover.ts", nullptr},
    {"theora_vorbis.ogg", nullptr},
    {"vp9_odd_161x121.webm", nullptr},
    {"vp9_10bit.webm", nullptr},
    {"vp9_opus_webvtt.webm", nullptr},
    {"vp9_vorbis51.webm", nullptr},
    {"vp8_minimal_8x8.webm", nullptr},
    {"av1_aac.mp4", nullptr},
    {"broken_vp9_undecodable.webm", "the source's pictures cannot be decoded"},
    {"broken_m4b_truncated.m4b", "the source's sound cannot be decoded"},
    {"broken_mdat_too_long.mp4", nullptr},
    {"gif_animated_116x100.gif", nullptr},
    {"anamorphic_800x640_sar64-45.mp4", nullptr},
    {"h263_qcif.3gp", nullptr},
    {"amrnb.3gp", nullptr},
    {"amr_nb.amr", nullptr},
    {"amr_wb.amr", nullptr},
    {"mp3_id3_cover.mp3", nullptr},
    {"flac_picture.flac", nullptr},
    {"aiff_id3_cover.aiff", nullptr},
    {"opus_stereo.opus", nullptr},
    {"wav_pcm16.wav", nullptr},
    {"avi_mpeg4_mp3.avi", nullptr},
    {"mpeg4_qcif.mp4", nullptr},
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.file;
}

// Checks that fail today for a fault in code another worker owns: the file, the profile family
// ("*": all), the check (converts, refusal, rotation, frame, shape, orientation, length, sound,
// gstreamer) and why. Reported as a known failure instead of failing; a check that passes again
// says so, and its line goes.
struct KnownFailure {
    const char* file;
    const char* family;
    const char* check;
    const char* why;
};
const KnownFailure kKnownFailures[] = {
    {"wmv_minimal_1x1.wmv", "mpeg4", "refusal",
     "OutputPlan (owned by another worker) plans the original size of a 1x1 picture as 0x0 and "
     "refuses with \"the conversion could not start: the frame size 0x0 is not possible\" before "
     "anything is decoded; the other profiles say the pictures cannot be decoded"},
};

const KnownFailure* knownFailure(const std::string& file, const std::string& family,
                                 const std::string& check) {
    for (const KnownFailure& k : kKnownFailures)
        if (file == k.file && (std::string(k.family) == "*" || family == k.family) &&
            check == k.check)
            return &k;
    return nullptr;
}

// ---- Reading files back with ffprobe and ffmpeg ------------------------------------------------

testmedia::ToolResult runBounded(std::vector<std::string> args, int seconds = 60) {
    args.insert(args.begin(), {"timeout", "--signal=KILL", std::to_string(seconds)});
    return testmedia::runTool(args);
}

JsonValue probeJson(const std::vector<std::string>& what, const std::string& path) {
    std::vector<std::string> args = {"ffprobe", "-v", "error", "-of", "json"};
    args.insert(args.end(), what.begin(), what.end());
    args.push_back(path);
    const auto r = runBounded(args);
    return JsonValue::parse(r.out);
}

double ratio(const std::string& text, double fallback) {
    const size_t colon = text.find_first_of(":/");
    if (colon == std::string::npos)
        return fallback;
    const double num = std::atof(text.substr(0, colon).c_str());
    const double den = std::atof(text.substr(colon + 1).c_str());
    return num > 0 && den > 0 ? num / den : fallback;
}

// The display matrix of a stream as ffprobe prints it ("\n00000000: a b u\n00000001: c d v..."),
// or all zero when there is none.
std::array<int64_t, 9> displayMatrix(const JsonValue& stream) {
    std::array<int64_t, 9> m{};
    const JsonValue& list = stream["side_data_list"];
    for (size_t i = 0; i < list.size(); ++i) {
        const std::string text = list[i]["displaymatrix"].string();
        if (text.empty())
            continue;
        std::istringstream lines(text);
        int n = 0;
        for (std::string line; std::getline(lines, line) && n < 9;) {
            const size_t colon = line.find(':');
            if (colon == std::string::npos)
                continue;
            std::istringstream values(line.substr(colon + 1));
            for (int64_t v; n < 9 && values >> v;)
                m[size_t(n++)] = v;
        }
    }
    return m;
}

// The filters that turn a stored picture into the one a player honouring the display matrix
// shows: rotation by quarter turns and mirroring, worked out from the matrix the way the ffmpeg
// command line of 7.x does (the 5.1 installed here ignores the mirroring).
struct Orientation {
    std::string filters; // "" or "transpose=clock," ...
    bool quarterTurn = false;
};
Orientation orientationOf(const std::array<int64_t, 9>& m) {
    Orientation o;
    const double a = double(m[0]), b = double(m[1]), c = double(m[3]), d = double(m[4]);
    const double scale0 = std::hypot(a, c), scale1 = std::hypot(b, d);
    if (scale0 == 0.0 || scale1 == 0.0)
        return o;
    double theta = -std::round(-std::atan2(b / scale1, a / scale0) * 180.0 / M_PI);
    theta -= 360.0 * std::floor(theta / 360.0 + 0.9 / 360.0);
    if (std::fabs(theta - 90.0) < 1.0) {
        o.filters = c > 0 ? "transpose=cclock_flip," : "transpose=clock,";
        o.quarterTurn = true;
    } else if (std::fabs(theta - 180.0) < 1.0) {
        o.filters = std::string(a < 0 ? "hflip," : "") + (d < 0 ? "vflip," : "");
    } else if (std::fabs(theta - 270.0) < 1.0) {
        o.filters = c < 0 ? "transpose=clock_flip," : "transpose=cclock,";
        o.quarterTurn = true;
    } else if (std::fabs(theta) < 1.0 && d < 0) {
        o.filters = "vflip,";
    }
    return o;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> grey;
    bool empty() const { return grey.empty(); }
    uint8_t at(int x, int y) const { return grey[size_t(y) * size_t(width) + size_t(x)]; }
};

// One grey picture of stream `map` at `seconds` from the file's start, through `filters` (which end in a scale to
// width x height when given), without the automatic rotation.
Picture pictureOf(const std::string& path, const std::string& map, double seconds,
                  const std::string& filters, int width, int height) {
    char at[32];
    std::snprintf(at, sizeof at, "%.3f", std::max(0.0, seconds));
    // Seeking after the input decodes from the start: slower, but right where timestamps jump
    // (a clock reference wrapping round) and for the short clips here quick enough.
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-v", "error", "-noautorotate",
                                     "-i",     path,       "-ss", at,     "-map",
                                     map,      "-frames:v", "1"};
    if (!filters.empty())
        args.insert(args.end(), {"-vf", filters});
    args.insert(args.end(), {"-f", "rawvideo", "-pix_fmt", "gray", "-"});
    const auto r = runBounded(args);
    Picture p;
    if (r.exitCode != 0 || r.out.size() != size_t(width) * size_t(height))
        return p;
    p.width = width;
    p.height = height;
    p.grey.assign(r.out.begin(), r.out.end());
    return p;
}

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

Spans readSpans(const std::string& path) {
    const JsonValue doc = probeJson(
        {"-show_entries", "format=start_time:packet=stream_index,pts_time,dts_time,duration_time"},
        path);
    Spans spans;
    spans.fileStart = doc["format"]["start_time"].number();
    const JsonValue& packets = doc["packets"];
    for (size_t i = 0; i < packets.size(); ++i) {
        const JsonValue& p = packets[i];
        const JsonValue& time = p["pts_time"].isNull() ? p["dts_time"] : p["pts_time"];
        if (time.isNull())
            continue;
        const double t = time.number(), end = t + p["duration_time"].number();
        auto [it, added] = spans.streams.try_emplace(int(p["stream_index"].number(-1)),
                                                     Span{t, t, end, 0});
        Span& span = it->second;
        span.first = std::min(span.first, t);
        span.lastPts = std::max(span.lastPts, t);
        span.end = std::max(span.end, end);
        ++span.packets;
    }
    return spans;
}

// The loudest sample of the first sound stream in dBFS (-inf for digital silence or none).
double soundPeak(const std::string& path) {
    const auto r = runBounded({"ffmpeg", "-nostdin", "-hide_banner", "-nostats", "-i", path,
                               "-map", "0:a:0", "-af", "volumedetect", "-f", "null", "-"});
    const size_t at = r.err.find("max_volume:");
    if (r.exitCode != 0 || at == std::string::npos)
        return -std::numeric_limits<double>::infinity();
    return std::atof(r.err.c_str() + at + 11);
}

// Whether the ffmpeg command line gets any picture or sound out of the file.
bool ffmpegDecodesSomething(const std::string& path) {
    const auto r = runBounded({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map", "0:v?",
                               "-map", "0:a?", "-f", "framecrc", "-"});
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '#')
            return true;
    return false;
}

// What the source is, as a player shows it.
struct Source {
    std::string path;
    std::string pictureMap; // "0:N" of the picture (a cover where there is nothing else), or ""
    bool cover = false;
    int width = 0, height = 0;
    double pixelShape = 1.0;
    Orientation orientation;
    double shownAspect = 0.0; // shown width / height
    bool hasSound = false;
    double soundPeakDb = 0.0;
    double length = 0.0;
    double sampleTime = 0.0; // where the pictures are compared: 40 % into the picture's packets
};

constexpr double kSampleFraction = 0.4;

Source readSource(const std::string& path) {
    Source s;
    s.path = path;
    const JsonValue doc = probeJson({"-show_streams"}, path);
    const JsonValue& streams = doc["streams"];
    std::set<int> timed;
    int picture = -1, cover = -1;
    for (size_t i = 0; i < streams.size(); ++i) {
        const JsonValue& st = streams[i];
        const std::string type = st["codec_type"].string();
        const int index = int(st["index"].number());
        const bool attached = st["disposition"]["attached_pic"].number() != 0;
        if (type == "audio" && st["sample_rate"].number() > 0) {
            s.hasSound = true;
            timed.insert(index);
        } else if (type == "video" && attached) {
            if (cover < 0)
                cover = int(i);
        } else if (type == "video") {
            if (picture < 0)
                picture = int(i);
            timed.insert(index);
        }
    }
    s.cover = picture < 0 && cover >= 0;
    const int chosen = picture >= 0 ? picture : cover;
    if (chosen >= 0) {
        const JsonValue& st = streams[size_t(chosen)];
        s.pictureMap = "0:" + std::to_string(int(st["index"].number()));
        s.width = int(st["width"].number());
        s.height = int(st["height"].number());
        s.pixelShape = ratio(st["sample_aspect_ratio"].string(), 1.0);
        s.orientation = orientationOf(displayMatrix(st));
        const double shownWidth = s.width * s.pixelShape, shownHeight = s.height;
        s.shownAspect = s.orientation.quarterTurn ? shownHeight / shownWidth
                                                  : shownWidth / shownHeight;
    }
    const Spans spans = readSpans(path);
    s.length = spans.length(timed);
    s.soundPeakDb = s.hasSound ? soundPeak(path) : 0.0;
    if (!s.cover && chosen >= 0)
        s.sampleTime = spans.at(int(streams[size_t(chosen)]["index"].number()), kSampleFraction);
    return s;
}

// ---- Comparing pictures --------------------------------------------------------------------------

struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0; // [x0, x1) x [y0, y1)
    int width() const { return x1 - x0; }
    int height() const { return y1 - y0; }
};

// The picture inside black bars: rows and columns from each edge that are all near black.
Box contentBox(const Picture& p) {
    // A bar is flat black: dark and without the texture dark parts of a picture have.
    auto bar = [](const std::vector<int>& values) {
        double sum = 0, square = 0;
        for (int v : values) {
            if (v > 48)
                return false;
            sum += v;
            square += double(v) * v;
        }
        const double n = std::max<size_t>(1, values.size());
        const double mean = sum / n;
        return mean < 26 && square / n - mean * mean < 25.0;
    };
    auto darkColumn = [&](int x, const Box& b) {
        std::vector<int> values;
        for (int y = b.y0; y < b.y1; ++y)
            values.push_back(p.at(x, y));
        return bar(values);
    };
    auto darkRow = [&](int y, const Box& b) {
        std::vector<int> values;
        for (int x = b.x0; x < b.x1; ++x)
            values.push_back(p.at(x, y));
        return bar(values);
    };
    Box b{0, 0, p.width, p.height};
    while (b.y0 < b.y1 && darkRow(b.y0, b))
        ++b.y0;
    while (b.y1 > b.y0 && darkRow(b.y1 - 1, b))
        --b.y1;
    while (b.x0 < b.x1 && darkColumn(b.x0, b))
        ++b.x0;
    while (b.x1 > b.x0 && darkColumn(b.x1 - 1, b))
        --b.x1;
    return b;
}

constexpr int kThumb = 24;
using Thumb = std::vector<double>;

// `box` of the picture averaged down to kThumb x kThumb.
Thumb thumbOf(const Picture& p, const Box& box) {
    Thumb t(kThumb * kThumb, 0.0);
    for (int ty = 0; ty < kThumb; ++ty)
        for (int tx = 0; tx < kThumb; ++tx) {
            const int x0 = box.x0 + tx * box.width() / kThumb;
            const int x1 = std::max(x0 + 1, box.x0 + (tx + 1) * box.width() / kThumb);
            const int y0 = box.y0 + ty * box.height() / kThumb;
            const int y1 = std::max(y0 + 1, box.y0 + (ty + 1) * box.height() / kThumb);
            double sum = 0;
            int n = 0;
            for (int y = y0; y < std::min(y1, p.height); ++y)
                for (int x = x0; x < std::min(x1, p.width); ++x, ++n)
                    sum += p.at(x, y);
            t[size_t(ty * kThumb + tx)] = n ? sum / n : 0.0;
        }
    return t;
}

double spread(const Thumb& t) {
    double mean = 0, square = 0;
    for (double v : t)
        mean += v;
    mean /= double(t.size());
    for (double v : t)
        square += (v - mean) * (v - mean);
    return std::sqrt(square / double(t.size()));
}

double correlation(const Thumb& a, const Thumb& b) {
    double ma = 0, mb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ma += a[i];
        mb += b[i];
    }
    ma /= double(a.size());
    mb /= double(b.size());
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

// The eight ways a square thumbnail can be turned and mirrored; the first is as it is.
std::vector<std::pair<const char*, Thumb>> turnsOf(const Thumb& t) {
    const char* names[8] = {"as shown",         "mirrored",   "upside down",
                            "flipped",          "turned 90",  "turned -90",
                            "transposed",       "anti-transposed"};
    std::vector<std::pair<const char*, Thumb>> out;
    for (int k = 0; k < 8; ++k) {
        Thumb r(t.size());
        for (int y = 0; y < kThumb; ++y)
            for (int x = 0; x < kThumb; ++x) {
                const int n = kThumb - 1;
                int sx = x, sy = y;
                switch (k) {
                case 1: sx = n - x; break;
                case 2: sx = n - x; sy = n - y; break;
                case 3: sy = n - y; break;
                case 4: sx = y; sy = n - x; break;
                case 5: sx = n - y; sy = x; break;
                case 6: sx = y; sy = x; break;
                case 7: sx = n - y; sy = n - x; break;
                default: break;
                }
                r[size_t(y * kThumb + x)] = t[size_t(sy * kThumb + sx)];
            }
        out.emplace_back(names[k], std::move(r));
    }
    return out;
}

// ---- The test --------------------------------------------------------------------------------

// Records one check's result: a failure unless it is a known one.
class Checker {
public:
    Checker(std::string file, std::string family) : m_file(std::move(file)), m_family(std::move(family)) {}

    void operator()(const char* check, bool ok, const std::string& detail) {
        const KnownFailure* known = knownFailure(m_file, m_family, check);
        if (ok) {
            if (known)
                std::printf("[ KNOWN  ] %s / %s / %s: passes now; remove its kKnownFailures "
                            "line\n",
                            m_file.c_str(), m_family.c_str(), check);
            return;
        }
        if (known) {
            std::printf("[ KNOWN  ] %s / %s / %s fails as known (%s): %s\n", m_file.c_str(),
                        m_family.c_str(), check, known->why, detail.c_str());
            return;
        }
        ADD_FAILURE() << m_file << " with the " << m_family << " profile: " << check << ": "
                      << detail;
    }

private:
    std::string m_file, m_family;
};

std::string fixed(double value, int decimals = 3) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// GStreamer plays the output whole: decodebin's picture and sound each go to a file of their own
// (every pad linked, so that the pipeline ends), pictures as 8x8 grey frames and sound as 8 kHz
// mono samples; it must give every picture the file holds and its sound's full length.
void checkGStreamer(Checker& check, const std::string& output, const Spans& spans, int video,
                    int audio) {
    const std::string pictures = output + ".gst-video", sound = output + ".gst-audio";
    std::vector<std::string> args = {"gst-launch-1.0", "-q",     "filesrc", "location=" + output,
                                     "!",              "decodebin", "name=d"};
    if (video >= 0)
        args.insert(args.end(), {"d.", "!", "video/x-raw", "!", "videoconvert", "!", "videoscale",
                                 "!", "video/x-raw,format=GRAY8,width=8,height=8", "!",
                                 "filesink", "location=" + pictures});
    if (audio >= 0)
        args.insert(args.end(), {"d.", "!", "audio/x-raw", "!", "audioconvert", "!",
                                 "audioresample", "!",
                                 "audio/x-raw,format=S16LE,channels=1,rate=8000", "!", "filesink",
                                 "location=" + sound});
    const auto r = runBounded(args, 60);
    const std::string failure = r.exitCode == 0 ? std::string()
                                                : ", exit code " + std::to_string(r.exitCode) +
                                                      "\n" + (r.out + r.err).substr(0, 600);
    if (video >= 0) {
        const long long frames = std::max(0LL, testmedia::fileSize(pictures)) / 64;
        check("gstreamer", r.exitCode == 0 && frames >= spans.packets(video) - 1,
              "GStreamer decoded " + std::to_string(frames) + " of the " +
                  std::to_string(spans.packets(video)) + " pictures" + failure);
    }
    if (audio >= 0) {
        const double seconds = std::max(0LL, testmedia::fileSize(sound)) / 16000.0;
        const auto it = spans.streams.find(audio);
        const double expected = it == spans.streams.end() ? 0.0 : it->second.end - it->second.first;
        check("gstreamer", r.exitCode == 0 && std::fabs(seconds - expected) <= 0.25,
              "GStreamer decoded " + fixed(seconds) + " s of the sound's " + fixed(expected) +
                  " s" + failure);
    }
}

void checkOutput(Checker& check, const Source& src, const Profile& profile,
                 const std::string& output) {
    const JsonValue doc = probeJson({"-show_streams"}, output);
    const JsonValue& streams = doc["streams"];
    const JsonValue* video = nullptr;
    bool sound = false;
    int audioIndex = -1;
    std::set<int> timed;
    for (size_t i = 0; i < streams.size(); ++i) {
        const std::string type = streams[i]["codec_type"].string();
        const int index = int(streams[i]["index"].number());
        if (type == "video" && !video && streams[i]["disposition"]["attached_pic"].number() == 0) {
            video = &streams[i];
            timed.insert(index);
        } else if (type == "audio") {
            if (!sound)
                audioIndex = index;
            sound = true;
            timed.insert(index);
        }
    }

    // The length a full read finds, and sound wherever the source has it.
    const Spans spans = readSpans(output);
    const double length = spans.length(timed);
    check("length", std::fabs(length - src.length) <= 0.5,
          "a full read finds " + fixed(length) + " s, the source's " + fixed(src.length) + " s");
    if (src.hasSound) {
        // Audible sound stays audible; a narrow-band codec may take some of it (AMR at 8 kHz
        // loses what lies above 4 kHz).
        const double peak = sound ? soundPeak(output) : -1e9;
        const bool audible = src.soundPeakDb < -60.0 || peak > src.soundPeakDb - 20.0;
        check("sound", sound && audible,
              sound ? "the output's peak is " + fixed(peak, 1) + " dB, the source's " +
                          fixed(src.soundPeakDb, 1) + " dB"
                    : "the output has no sound");
    }
    checkGStreamer(check, output, spans, video ? int((*video)["index"].number()) : -1,
                   audioIndex);

    if (!profile.video)
        return;
    check("frame", video != nullptr, "the output has no picture");
    if (!video)
        return;
    const int width = int((*video)["width"].number()), height = int((*video)["height"].number());
    const double pixelShape = ratio((*video)["sample_aspect_ratio"].string(), 1.0);
    const auto matrix = displayMatrix(*video);
    check("rotation", orientationOf(matrix).filters.empty() && matrix[0] >= 0 && matrix[4] >= 0,
          "the output carries a display matrix of its own");

    // The frame: the profile's, or for the original size the source's shown shape.
    if (profile.width) {
        check("frame", width == profile.width && height == profile.height,
              "the frame is " + std::to_string(width) + "x" + std::to_string(height) +
                  ", the profile's " + std::to_string(profile.width) + "x" +
                  std::to_string(profile.height));
    } else if (src.pictureMap.empty() || src.cover) {
        check("frame", width == 320 && height == 240,
              "a source of sound only gives " + std::to_string(width) + "x" +
                  std::to_string(height) + ", not 320x240");
    } else {
        const double aspect = width * pixelShape / height;
        const double slack = 0.03 + 2.0 / std::min(width, height);
        check("shape", std::fabs(aspect / src.shownAspect - 1.0) <= slack,
              "the frame is shown " + fixed(aspect) + ":1, the source " + fixed(src.shownAspect) +
                  ":1");
    }
    if (src.pictureMap.empty())
        return;

    // Where the picture lies in the frame: the source as shown, its shape kept, in the middle.
    const double frameWidth = width * pixelShape, frameHeight = height;
    double boxWidth = frameWidth, boxHeight = frameHeight;
    if (src.shownAspect > frameWidth / frameHeight)
        boxHeight = frameWidth / src.shownAspect;
    else
        boxWidth = frameHeight * src.shownAspect;
    const int pixelsWide = std::clamp(int(std::lround(boxWidth / pixelShape)), 1, width);
    const int pixelsHigh = std::clamp(int(std::lround(boxHeight)), 1, height);
    const Box expected{(width - pixelsWide) / 2, (height - pixelsHigh) / 2,
                       (width - pixelsWide) / 2 + pixelsWide, (height - pixelsHigh) / 2 + pixelsHigh};

    const int videoIndex = int((*video)["index"].number());
    // The same moment of both: where the source's picture is 40 % through, as far as the
    // output's picture goes.
    const Picture shown = pictureOf(output, "0:" + std::to_string(videoIndex),
                                    spans.within(videoIndex, src.sampleTime), "", width, height);
    const Picture reference = pictureOf(
        src.path, src.pictureMap, src.sampleTime,
        src.orientation.filters + "scale=" + std::to_string(pixelsWide) + ":" +
            std::to_string(pixelsHigh) + ":flags=area,setsar=1,pad=" + std::to_string(width) +
            ":" + std::to_string(height) + ":" + std::to_string(expected.x0) + ":" +
            std::to_string(expected.y0) + ":black",
        width, height);
    check("shape", !shown.empty() && !reference.empty(), "no picture could be read back");
    if (shown.empty() || reference.empty())
        return;

    // The shape: the picture's extent inside any bars, against the same measure of the source
    // put where it belongs (so that dark edges of the picture itself count alike).
    // Only where the source's picture reaches its own edges can bars be told from it.
    const Box got = contentBox(shown), want = contentBox(reference);
    const bool edgesShow = std::abs(want.x0 - expected.x0) <= 2 &&
                           std::abs(want.x1 - expected.x1) <= 2 &&
                           std::abs(want.y0 - expected.y0) <= 2 &&
                           std::abs(want.y1 - expected.y1) <= 2;
    if (edgesShow && want.width() >= 8 && want.height() >= 8) {
        const double gotAspect = got.height() ? got.width() * pixelShape / got.height() : 0.0;
        const double wantAspect = want.width() * pixelShape / want.height();
        const double slack = 0.03 + 2.0 / std::min(want.width(), want.height());
        check("shape", std::fabs(gotAspect / wantAspect - 1.0) <= slack,
              "the picture inside the frame is " + std::to_string(got.width()) + "x" +
                  std::to_string(got.height()) + " at " + std::to_string(got.x0) + "," +
                  std::to_string(got.y0) + ", the source as shown fills " +
                  std::to_string(want.width()) + "x" + std::to_string(want.height()) + " at " +
                  std::to_string(want.x0) + "," + std::to_string(want.y0));
    }

    // Orientation: the output's picture is most like the source as shown, not like any turn or
    // mirror of it.
    const Thumb mine = thumbOf(shown, expected), theirs = thumbOf(reference, expected);
    if (spread(theirs) < 4.0)
        return; // a flat picture has no up
    std::string scores;
    double asShown = 0, best = -2;
    const char* bestName = "";
    for (const auto& [name, turned] : turnsOf(theirs)) {
        const double c = correlation(mine, turned);
        scores += std::string(scores.empty() ? "" : ", ") + name + " " + fixed(c, 2);
        if (std::strcmp(name, "as shown") == 0)
            asShown = c;
        if (c > best) {
            best = c;
            bestName = name;
        }
    }
    check("orientation", asShown >= 0.6 && asShown >= best - 0.02,
          std::string("the output is most like the source ") + bestName + " (" + scores + ")");
}

class RealMedia : public ::testing::TestWithParam<Row> {};

TEST_P(RealMedia, ConvertsAsShown) {
    const Row& row = GetParam();
    const std::string path = kCorpus + row.file;
    ASSERT_TRUE(fs::exists(path)) << path;
    const Source src = readSource(path);

    if (row.refusal) {
        EXPECT_FALSE(ffmpegDecodesSomething(path))
            << "the ffmpeg command line converts " << row.file << ", so must movara-convert";
    }

    for (const Profile& profile : kProfiles) {
        SCOPED_TRACE(profile.family);
        Checker check(row.file, profile.family);
        testmedia::ScratchDir out;
        const auto r = converttest::runConvert({"--profile", profile.name, "--output", out.path(), path});
        const std::string refusal = !profile.video && !src.hasSound ? "the source has no sound"
                                    : row.refusal                    ? row.refusal
                                                                     : "";
        if (!refusal.empty()) {
            const bool refused = r.exitCode == 1 && fs::is_empty(out.path()) && r.out.empty();
            check("refusal", refused && r.err.find(refusal) != std::string::npos,
                  "expected exit code 1, no output and \"" + refusal + "\"; got exit code " +
                      std::to_string(r.exitCode) + ": " + r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1));
            continue;
        }
        const std::string output = r.out.substr(0, r.out.find('\n'));
        const bool converted = r.exitCode == 0 && !output.empty() && fs::exists(output);
        check("converts", converted,
              "exit code " + std::to_string(r.exitCode) + "\n" + r.err.substr(0, 2000));
        if (converted)
            checkOutput(check, src, profile, output);
    }
}

std::string caseName(const ::testing::TestParamInfo<Row>& info) {
    std::string name = info.param.file;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, RealMedia, ::testing::ValuesIn(kRows), caseName);

// The corpus is what the manifest lists, and small: every file under 2 MB, under 30 MB in all,
// each in the table above and in MANIFEST.md with its origin and licence.
TEST(RealMediaCorpus, EveryFileIsListedAndSmall) {
    std::ifstream in(kCorpus + "MANIFEST.md");
    const std::string manifest((std::istreambuf_iterator<char>(in)), {});
    ASSERT_FALSE(manifest.empty());
    std::set<std::string> table;
    for (const Row& row : kRows)
        table.insert(row.file);
    uintmax_t total = 0;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(kCorpus)) {
        const std::string name = entry.path().filename().string();
        if (name == "MANIFEST.md")
            continue;
        ++files;
        total += entry.file_size();
        EXPECT_LT(entry.file_size(), 2u << 20) << name;
        EXPECT_TRUE(table.count(name)) << name << " is not in the test's table";
        EXPECT_NE(manifest.find("| `" + name + "` |"), std::string::npos)
            << name << " is not in MANIFEST.md";
    }
    EXPECT_EQ(files, int(table.size()));
    EXPECT_GE(files, 20);
    EXPECT_LE(files, 40);
    EXPECT_LT(total, 30u << 20);
    for (const KnownFailure& k : kKnownFailures)
        EXPECT_TRUE(table.count(k.file)) << k.file;
}

} // namespace
