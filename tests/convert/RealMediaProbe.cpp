#include "RealMediaProbe.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace realmedia {

testmedia::ToolResult runBounded(std::vector<std::string> args, int seconds) {
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

Picture pictureOf(const std::string& path, const std::string& map, double seconds,
                  const std::string& filters, int width, int height) {
    char at[32];
    std::snprintf(at, sizeof at, "%.3f", std::max(0.0, seconds));
    // Seeking after the input decodes from the start: slower, but right where timestamps jump
    // (a clock reference wrapping round) and for the short clips here quick enough.
    std::vector<std::string> args = {"ffmpeg", "-nostdin",  "-v",  "error", "-noautorotate",
                                     "-i",     path,        "-ss", at,      "-map",
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
        auto [it, added] =
            spans.streams.try_emplace(int(p["stream_index"].number(-1)), Span{t, t, end, 0});
        Span& span = it->second;
        span.first = std::min(span.first, t);
        span.lastPts = std::max(span.lastPts, t);
        span.end = std::max(span.end, end);
        ++span.packets;
    }
    return spans;
}

double soundPeak(const std::string& path) {
    const auto r = runBounded({"ffmpeg", "-nostdin", "-hide_banner", "-nostats", "-i", path, "-map",
                               "0:a:0", "-af", "volumedetect", "-f", "null", "-"});
    const size_t at = r.err.find("max_volume:");
    if (r.exitCode != 0 || at == std::string::npos)
        return -std::numeric_limits<double>::infinity();
    return std::atof(r.err.c_str() + at + 11);
}

bool ffmpegDecodesSomething(const std::string& path) {
    const auto r = runBounded({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map", "0:v?",
                               "-map", "0:a?", "-f", "framecrc", "-"});
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '#')
            return true;
    return false;
}

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

std::vector<std::pair<const char*, Thumb>> turnsOf(const Thumb& t) {
    const char* names[8] = {"as shown",  "mirrored",   "upside down", "flipped",
                            "turned 90", "turned -90", "transposed",  "anti-transposed"};
    std::vector<std::pair<const char*, Thumb>> out;
    for (int k = 0; k < 8; ++k) {
        Thumb r(t.size());
        for (int y = 0; y < kThumb; ++y)
            for (int x = 0; x < kThumb; ++x) {
                const int n = kThumb - 1;
                int sx = x, sy = y;
                switch (k) {
                case 1:
                    sx = n - x;
                    break;
                case 2:
                    sx = n - x;
                    sy = n - y;
                    break;
                case 3:
                    sy = n - y;
                    break;
                case 4:
                    sx = y;
                    sy = n - x;
                    break;
                case 5:
                    sx = n - y;
                    sy = x;
                    break;
                case 6:
                    sx = y;
                    sy = x;
                    break;
                case 7:
                    sx = n - y;
                    sy = n - x;
                    break;
                default:
                    break;
                }
                r[size_t(y * kThumb + x)] = t[size_t(sy * kThumb + sx)];
            }
        out.emplace_back(names[k], std::move(r));
    }
    return out;
}

} // namespace realmedia
