// engine-vs-ffmpeg: conversions as people run them. Each workload is converted, alternately and
// several times, by `movara-convert` as a process, by the simplest ffmpeg command a person would
// type for the same output (one -vf and one -af chain for one source; a filter graph only for a
// merge), and through the engine's contract as the window drives it. The workloads: a detailed
// 1080p30 source of 20 s to H.264 MP4 and MPEG-4 MP4, a mixed 720p25 source of 60 s to H.264 MP4,
// the 1080p source to 3GP (MPEG-4, AMR) and MP3, three mismatched sources merged into one 3GP,
// and a 720p source with crop, colour and flip to H.264 MP4. Prints per workload
//   wall-ratio <name> <median movara-convert time / median ffmpeg time>
//   cpu-ratio <name> <the same of processor time>
//   rss <name> <movara-convert peak KiB> <ffmpeg peak KiB> <ratio>
//   window-cpu-ratio <name> <the window's run's processor time / movara-convert's>
//   same-work <name> <size difference %> <PSNR movara dB> <PSNR ffmpeg dB> <difference dB>
//   estimate-error <name> <percent of the measured size estimate against the real output>
// Targets: wall <= 0.90, processor time <= 1.0, peak memory <= 1.25 x ffmpeg's, the window's
// run <= 1.05 x movara-convert's processor time, estimates within +-15 %; sizes within 1 % and
// PSNR within 0.1 dB show the work is the same. Exit status 1 when a target is missed.
//
// Usage: engine-vs-ffmpeg [RUNS [WORKLOAD]]
#include "EngineHarness.h"
#include "MediaGenerators.h"
#include "ProfileDerivation.h"
#include "ScratchDir.h"
#include "ToolRunner.h"
#include "velcodecapi.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

using namespace enginetest;
using Clock = std::chrono::steady_clock;

namespace {

// The picture edits of a workload, as the edit pages set them.
struct Edits {
    bool on = false;
    int left = 0, top = 0, right = 0, bottom = 0; // crop, source pixels
    int brightness = 0, contrast = 0, saturation = 0;
    int flip = 0; // 1 horizontal

    // The same edits as movara-convert's options.
    std::vector<std::string> options() const {
        if (!on)
            return {};
        auto n = [](int v) { return std::to_string(v); };
        std::vector<std::string> o = {
            "--crop",       n(left) + "," + n(top) + "," + n(right) + "," + n(bottom),
            "--brightness", n(brightness),
            "--contrast",   n(contrast),
            "--saturation", n(saturation)};
        if (flip & 1)
            o.insert(o.end(), {"--flip", "h"});
        return o;
    }
};

struct Workload {
    const char* name;
    std::vector<std::string> sources; // merged when more than one
    TestProfile profile;
    Edits edits;
};

struct EngineResult {
    double seconds = 0.0;
    double cpuSeconds = 0.0;
    int64_t estimate = 0; // the instant figure
    int64_t measured = 0; // the measured figure, when asked for
    bool ok = false;
};

void attachEdits(VeldesTimeline timeline, int id, const Edits& e) {
    if (!e.on)
        return;
    tagVeldesEditInfo edit{};
    edit.mediaId = id;
    edit.aspect = 4.0 / 3.0;
    VeldesEditBegin(timeline, &edit);
    VeldesRemoveWatermark(timeline, id);
    tagVeldesFilterInfo f{};
    f.id = VELDES_FILTER_COLOR;
    f.brightness = e.brightness;
    f.contrast = e.contrast;
    f.saturation = e.saturation;
    VeldesAddFilter(timeline, f.id, &f);
    f = {};
    f.id = VELDES_FILTER_FLIP;
    f.flip = e.flip;
    VeldesAddFilter(timeline, f.id, &f);
    tagVeldesStreamInfo* streams = nullptr;
    VeldesGetMediaInfo(timeline, id, &streams);
    f = {};
    f.id = VELDES_FILTER_CROP;
    f.left = e.left, f.top = e.top, f.right = e.right, f.bottom = e.bottom;
    VeldesAddFilter(timeline, f.id, &f);
    f = {};
    f.id = VELDES_FILTER_CROP_SCALE;
    f.scaleEnabled = 1;
    f.sourceWidth = streams[0].width;
    f.sourceHeight = streams[0].height;
    f.cropWidth = (e.right - e.left) & ~1;
    f.cropHeight = (e.bottom - e.top) & ~1;
    VeldesAddFilter(timeline, f.id, &f);
    VeldesEditEnd(timeline, 1);
}

std::vector<tagVeldesStreamInfo> streamsOf(VeldesTimeline timeline, int id) {
    tagVeldesStreamInfo* array = nullptr;
    int count = id >= 0 ? VeldesGetMediaInfo(timeline, id, &array) : -1;
    return count > 0 ? std::vector<tagVeldesStreamInfo>(array, array + count)
                     : std::vector<tagVeldesStreamInfo>{};
}

// The whole call sequence of one conversion: timeline, media, streams, export settings, edits,
// estimate, run, wait for the last event.
EngineResult runEngine(const Workload& w, const std::string& out, bool measure = false) {
    EngineResult result;
    Clock::time_point start = Clock::now();
    double cpuStart = processCpuSeconds();
    VeldesTimeline timeline = CreateTimeline(1);
    std::vector<int> ids;
    std::vector<tagVeldesStreamInfo> first;
    for (const std::string& source : w.sources) {
        tagVeldesTrackInfo track{};
        track.option = 1;
        track.path = source.c_str();
        int id = VeldesAddMedia2(timeline, &track, nullptr, 0);
        std::vector<tagVeldesStreamInfo> streams = streamsOf(timeline, id);
        if (streams.empty())
            break;
        tagVeldesExportSetting setting = deriveExportSetting(w.profile, streams);
        VeldesSetExportSetting(timeline, id, &setting);
        int64_t estimate = 0;
        VeldesGetMediaEncodedSize(timeline, id, &estimate);
        result.estimate += estimate;
        attachEdits(timeline, id, w.edits);
        if (measure) {
            int64_t measured = 0;
            measuredSize(timeline, id, &measured);
            result.measured += measured;
        }
        if (ids.empty())
            first = streams;
        ids.push_back(id);
    }
    if (ids.size() == w.sources.size()) {
        tagVeldesExportInfo info = deriveExportInfo(w.profile, first, out);
        RunRecorder done(ids.back());
        done.attach(&info);
        if (VeldesRun(timeline, ids.data(), int(ids.size()), &info) >= 0)
            result.ok = done.wait(std::chrono::hours(1)) && done.succeeded();
    }
    DestroyTimeline(timeline);
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.cpuSeconds = processCpuSeconds() - cpuStart;
    return result;
}

const char* videoEncoder(int engineId) {
    switch (engineId) {
    case VELDES_VCODEC_H264:
        return "libx264";
    case VELDES_VCODEC_H263:
        return "h263";
    case VELDES_VCODEC_MPEG4:
        return "mpeg4";
    default:
        return "libxvid";
    }
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", v);
    return text;
}

// The picture as the engine makes it of one source whose pictures have the display `shape`, in
// the command line's filter syntax: the crop, flip and colour, then the picture fitted into the
// frame with its shape kept, in the frame's own pixel shape (from the export's display aspect),
// with bars where the shapes differ.
std::string pictureChain(const tagVeldesExportInfo& info, const Edits& e, double shape) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.6g", info.frameRate);
    std::string chain = std::string("fps=") + rate;
    if (e.on) {
        const int width = (e.right - e.left) & ~1, height = (e.bottom - e.top) & ~1;
        chain += ",crop=" + std::to_string(width) + ":" + std::to_string(height) + ":" +
                 std::to_string(e.left) + ":" + std::to_string(e.top);
        shape = double(width) / height;
        if (e.flip & 1)
            chain += ",hflip";
        chain += ",eq=brightness=" + number(0.4 * e.brightness / 100.0) +
                 ":contrast=" + number(std::pow(2.0, 1.3 * e.contrast / 100.0)) +
                 ":saturation=" +
                 number(e.saturation < 0 ? 1.0 + e.saturation / 100.0
                                         : std::pow(3.0, e.saturation / 100.0));
    }
    const AVRational sar =
        info.aspect > 0.0 ? av_d2q(info.aspect * info.height / info.width, 1000) : AVRational{1, 1};
    const double pixel = av_q2d(sar), frame = info.width * pixel / info.height;
    int width = info.width, height = info.height;
    if (std::fabs(frame / shape - 1.0) * std::max(width, height) >= 1.0) {
        if (shape > frame)
            height = int(std::lround(info.width * pixel / shape / 2.0)) * 2;
        else
            width = int(std::lround(info.height * shape / pixel / 2.0)) * 2;
    }
    return chain + ",scale=" + std::to_string(width) + ":" + std::to_string(height) +
           ":flags=bicubic,setsar=" + std::to_string(sar.num) + "/" + std::to_string(sar.den) +
           ",pad=" + std::to_string(info.width) + ":" + std::to_string(info.height) + ":" +
           std::to_string(((info.width - width) / 2) & ~1) + ":" +
           std::to_string(((info.height - height) / 2) & ~1) + ",format=yuv420p";
}

// The command a person would type for the same output: same encoders, size, rates and bit
// rates. One source takes one -vf and one -af chain; a merge is the concat filter over each
// source brought to the export format.
std::vector<std::string> ffmpegCommand(const Workload& w, const tagVeldesExportInfo& info,
                                       const std::vector<double>& shapes, const std::string& out) {
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-y", "-loglevel", "error"};
    for (const std::string& source : w.sources)
        args.insert(args.end(), {"-i", source});
    const bool amr = info.audioCodec == VELDES_ACODEC_AMR_NB;
    const int rate = amr ? 8000 : info.sampleRate, channels = amr ? 1 : info.channels;
    if (w.sources.size() == 1) {
        if (info.videoCodec)
            args.insert(args.end(),
                        {"-map", "0:v:0", "-vf", pictureChain(info, w.edits, shapes.front())});
        args.insert(args.end(), {"-map", "0:a:0", "-ar", std::to_string(rate), "-ac",
                                 std::to_string(channels)});
    } else {
        const std::string audioChain =
            "aresample=" + std::to_string(rate) +
            ",aformat=channel_layouts=" + (channels == 1 ? "mono" : "stereo");
        std::string graph, inputs;
        for (size_t i = 0; i < w.sources.size(); ++i) {
            const std::string n = std::to_string(i);
            if (info.videoCodec) {
                graph +=
                    "[" + n + ":v:0]" + pictureChain(info, w.edits, shapes[i]) + "[v" + n + "];";
                inputs += "[v" + n + "]";
            }
            graph += "[" + n + ":a:0]" + audioChain + "[a" + n + "];";
            inputs += "[a" + n + "]";
        }
        graph += inputs + "concat=n=" + std::to_string(w.sources.size()) +
                 ":v=" + (info.videoCodec ? "1" : "0") + ":a=1" + (info.videoCodec ? "[v]" : "") +
                 "[a]";
        args.insert(args.end(), {"-filter_complex", graph, "-map", "[a]"});
        if (info.videoCodec)
            args.insert(args.end(), {"-map", "[v]"});
    }
    if (info.videoCodec)
        args.insert(args.end(), {"-c:v", videoEncoder(info.videoCodec), "-b:v",
                                 std::to_string(info.videoBitrate)});
    const char* audio = info.audioCodec == VELDES_ACODEC_AAC ? "aac"
                        : amr                                ? "libopencore_amrnb"
                                                             : "libmp3lame";
    args.insert(args.end(), {"-c:a", audio, "-b:a", std::to_string(info.audioBitrate), "-f",
                             std::strcmp(info.format, "mp4") == 0 ? "mp4" : info.format, out});
    return args;
}

// movara-convert doing the workload, as a script would run it.
std::vector<std::string> convertCommand(const Workload& w, const std::string& out) {
    std::vector<std::string> args = {
        MOVARA_CONVERT_BIN, "--profile", w.profile.name, "--exists", "overwrite", "-o", out};
    if (w.sources.size() > 1)
        args.push_back("--merge");
    const std::vector<std::string> edits = w.edits.options();
    args.insert(args.end(), edits.begin(), edits.end());
    args.insert(args.end(), w.sources.begin(), w.sources.end());
    return args;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// The PSNR of an output's pictures against the first source made the reference way (the
// engine's chain without its encoder); 0 without pictures or when it cannot be read.
double psnrOf(const std::string& output, const Workload& w, const tagVeldesExportInfo& info,
              double shape) {
    if (!info.videoCodec || w.sources.size() != 1)
        return 0.0;
    const testmedia::ToolResult r = testmedia::runTool(
        {"ffmpeg", "-nostdin", "-loglevel", "info", "-i", output, "-i", w.sources.front(), "-lavfi",
         "[1:v]" + pictureChain(info, w.edits, shape) + "[ref];[0:v][ref]psnr", "-f", "null", "-"});
    const size_t at = r.err.find("average:");
    return at == std::string::npos ? 0.0 : std::atof(r.err.c_str() + at + 8);
}

struct Timed {
    std::vector<double> wall, cpu;
    long peakRss = 0;
};

// One timed run of a command line; false when it failed.
bool timeTool(const std::vector<std::string>& command, Timed* into, const char* who,
              const char* workload) {
    const Clock::time_point start = Clock::now();
    const testmedia::ToolResult r = testmedia::runTool(command);
    if (r.exitCode != 0) {
        std::fprintf(stderr, "%s: %s failed: %s\n", workload, who, r.err.c_str());
        return false;
    }
    into->wall.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    into->cpu.push_back(r.cpuSeconds);
    into->peakRss = std::max(into->peakRss, r.peakRssKiB);
    return true;
}

} // namespace

std::string generated(int width, int height, const char* rate, double seconds, int sampleRate,
                      const char* picture = nullptr) {
    testmedia::SourceSpec spec;
    spec.width = width;
    spec.height = height;
    spec.frameRate = rate;
    spec.seconds = seconds;
    spec.sampleRate = sampleRate;
    if (picture)
        spec.videoFilter = picture;
    std::string error;
    std::string path = testmedia::generate(spec, &error);
    if (path.empty())
        std::fprintf(stderr, "cannot generate a source: %s\n", error.c_str());
    return path;
}

namespace {

struct Outcome {
    bool ok = true, withinTargets = true;
};

// Runs one workload `runs` times each way and prints its lines.
Outcome measureWorkload(const Workload& w, int runs, testmedia::ScratchDir& dir) {
    Outcome outcome;
    // movara-convert names the output with the profile's extension.
    const std::string name = w.profile.name;
    const size_t dot = name.rfind("(*.");
    const std::string extension =
        dot == std::string::npos ? "" : name.substr(dot + 2, name.size() - dot - 3);
    const std::string convertOut = dir.file(std::string("movara-") + w.name + extension);
    const std::string cliOut = dir.file(std::string("cli-") + w.name);
    const std::string windowOut = dir.file(std::string("window-") + w.name);
    // The command line gets the very record the engine gets, and each source's display shape.
    VeldesTimeline probe = CreateTimeline(1);
    std::vector<tagVeldesStreamInfo> streams;
    std::vector<double> shapes;
    for (const std::string& source : w.sources) {
        tagVeldesTrackInfo track{};
        track.option = 1;
        track.path = source.c_str();
        const std::vector<tagVeldesStreamInfo> own =
            streamsOf(probe, VeldesAddMedia2(probe, &track, nullptr, 0));
        if (streams.empty())
            streams = own;
        double shape = 4.0 / 3.0;
        for (const tagVeldesStreamInfo& s : own)
            if (s.type == VELDES_STREAM_VIDEO && s.height > 0)
                shape = double(s.width) / s.height;
        shapes.push_back(shape);
    }
    DestroyTimeline(probe);
    const tagVeldesExportInfo info = deriveExportInfo(w.profile, streams, windowOut);
    const std::vector<std::string> cli = ffmpegCommand(w, info, shapes, cliOut);
    const std::vector<std::string> convert = convertCommand(w, convertOut);

    // Untimed: the measured estimate, which the program works out in the background.
    const EngineResult measured = runEngine(w, windowOut, true);
    Timed movara, ffmpeg, window;
    for (int i = 0; i < runs && outcome.ok; ++i) {
        // Each takes its turn first, so none always meets a warm or a cold machine.
        for (int turn = 0; turn < 3 && outcome.ok; ++turn) {
            switch ((turn + i) % 3) {
            case 0:
                outcome.ok = timeTool(convert, &movara, "movara-convert", w.name);
                break;
            case 1:
                outcome.ok = timeTool(cli, &ffmpeg, "ffmpeg", w.name);
                break;
            default: {
                const EngineResult r = runEngine(w, windowOut);
                outcome.ok = r.ok;
                window.wall.push_back(r.seconds);
                window.cpu.push_back(r.cpuSeconds);
            }
            }
        }
        if (outcome.ok)
            std::fprintf(stderr,
                         "%s run %d: movara-convert %.2f s (cpu %.2f), ffmpeg %.2f s (cpu "
                         "%.2f), window %.2f s (cpu %.2f)\n",
                         w.name, i + 1, movara.wall.back(), movara.cpu.back(), ffmpeg.wall.back(),
                         ffmpeg.cpu.back(), window.wall.back(), window.cpu.back());
    }
    if (!outcome.ok)
        return outcome;
    const double wall = median(movara.wall) / median(ffmpeg.wall);
    const double cpu = median(movara.cpu) / median(ffmpeg.cpu);
    const double rss = double(movara.peakRss) / double(ffmpeg.peakRss);
    const double windowCpu = median(window.cpu) / median(movara.cpu);
    const double size = double(testmedia::fileSize(convertOut));
    const double sizeDiff = (size / double(testmedia::fileSize(cliOut)) - 1.0) * 100.0;
    const double psnrMovara = psnrOf(convertOut, w, info, shapes.front());
    const double psnrCli = psnrOf(cliOut, w, info, shapes.front());
    const double estimateError =
        (double(measured.measured) / double(testmedia::fileSize(windowOut)) - 1.0) * 100.0;
    std::printf("wall-ratio %s %.3f\n", w.name, wall);
    std::printf("cpu-ratio %s %.3f\n", w.name, cpu);
    std::printf("rss %s %ld %ld %.3f\n", w.name, movara.peakRss, ffmpeg.peakRss, rss);
    std::printf("window-cpu-ratio %s %.3f\n", w.name, windowCpu);
    std::printf("same-work %s %+.2f %.2f %.2f %+.2f\n", w.name, sizeDiff, psnrMovara, psnrCli,
                psnrMovara - psnrCli);
    std::printf("estimate-error %s %+.1f\n", w.name, estimateError);
    std::fflush(stdout);
    outcome.withinTargets = wall <= 0.90 && cpu <= 1.0 && rss <= 1.25 && windowCpu <= 1.05 &&
                            std::fabs(estimateError) <= 15.0;
    return outcome;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // A second argument keeps only the workload of that name.
    const std::string only = argc > 2 ? argv[2] : "";
    std::fprintf(stderr, "preparing the sources...\n");
    // Detailed: a test pattern under strong moving grain. Mixed: the pattern under light grain.
    const std::string hd =
        generated(1920, 1080, "30", 20.0, 48000, "testsrc2=s=1920x1080:r=30,noise=alls=24:allf=t");
    const std::string mixed720 =
        generated(1280, 720, "25", 60.0, 48000, "testsrc2=s=1280x720:r=25,noise=alls=6:allf=t");
    const std::string edits720 = generated(1280, 720, "25", 10.0, 48000);
    const std::vector<std::string> mixed = {generated(640, 360, "30", 5.0, 44100),
                                            generated(320, 240, "25", 5.0, 22050),
                                            generated(1280, 720, "24", 5.0, 48000)};
    for (const std::string& s : {hd, mixed720, edits720, mixed[0], mixed[1], mixed[2]})
        if (s.empty())
            return 2;
    Edits edits;
    edits.on = true;
    edits.left = 120, edits.top = 60, edits.right = 1160, edits.bottom = 660;
    edits.brightness = 30, edits.contrast = 20, edits.saturation = -20;
    edits.flip = 1;
    const TestProfile& h264 = builtInProfile("H.264 Video(*.mp4)");
    const TestProfile& threeGp =
        builtInProfile("3GPP-3rd Generation Partnership Project(176x144)(*.3gp)");
    const std::vector<Workload> workloads = {
        {"h264-1080p30-detail", {hd}, h264, {}},
        {"mpeg4-1080p30-detail", {hd}, builtInProfile("MPEG-4 Video(*.mp4)"), {}},
        {"h264-720p25-mixed", {mixed720}, h264, {}},
        {"3gp-mpeg4-amr", {hd}, threeGp, {}},
        {"mp3", {hd}, builtInProfile("MP3-MPEG Layer 3 Audio(*.mp3)"), {}},
        {"merge-3gp", mixed, threeGp, {}},
        {"edits-720p-mp4", {edits720}, h264, edits},
    };
    testmedia::ScratchDir dir;
    bool withinTargets = true;
    for (const Workload& w : workloads) {
        if (!only.empty() && only != w.name)
            continue;
        const Outcome outcome = measureWorkload(w, runs, dir);
        if (!outcome.ok)
            return 2;
        withinTargets = withinTargets && outcome.withinTargets;
    }
    return withinTargets ? 0 : 1;
}
