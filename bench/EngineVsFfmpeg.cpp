// engine-vs-ffmpeg: conversions of generated sources, each done through the engine's contract
// (exactly as the program calls it) and by the ffmpeg command line producing the same output,
// alternately, several times. The workloads: a 1080p25 H.264 + AAC source of 20 s to H.264 MP4,
// MPEG-4 3GP with AMR and MP3; three mismatched sources (sizes, frame rates, sample rates) merged
// into one 3GP; a 720p source with crop, colour, flip and a text watermark to H.264 MP4; the
// 1080p source to an H.263 CIF 3G2 with AMR. Prints per workload
//   ratio <name> <median engine time / median ffmpeg time>
//   estimate-error <name> <percent of the engine's measured size estimate against its real output>
//   instant-estimate-error <name> <the same of the instant estimate>
//   cpu-ratio <name> <median engine processor time / median ffmpeg processor time>
// Targets: ratio <= 0.90, estimate within +-15 %. Exit status 1 when a target is missed.
#include "EngineHarness.h"
#include "MediaGenerators.h"
#include "ProfileDerivation.h"
#include "ScratchDir.h"
#include "ToolRunner.h"
#include "velcodecapi.h"

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
    const char* text = nullptr;
    int textX = 0, textY = 0, fontSize = 0;
};

struct Workload {
    const char* name;
    std::vector<std::string> sources; // merged when more than one
    TestProfile profile;
    Edits edits;
};

TestProfile h263Cif3g2() {
    TestProfile p = builtInProfiles().at(8); // the 3GP row: AMR mono 8 kHz
    p.name = "H.263 CIF 3G2";
    p.format = 29;     // 3g2
    p.videoCodec = 10; // H.263
    p.width = 352;
    p.height = 288;
    return p;
}

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
    if (e.text) {
        f.id = VELDES_FILTER_WATERMARK_TEXT;
        f.x = e.textX;
        f.y = e.textY;
        f.alpha = 255;
        f.text = e.text;
        f.fontName = "DejaVu Sans";
        f.fontSize = e.fontSize;
        f.red = f.green = f.blue = 255;
        VeldesAddWatermark(timeline, f.id, &f);
    }
    f = {};
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

// The engine's picture chain for one source, in the command line's filter syntax.
std::string pictureChain(const tagVeldesExportInfo& info, const Edits& e) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.6g", info.frameRate);
    std::string chain = std::string("fps=") + rate;
    if (e.on) {
        chain += ",crop=" + std::to_string((e.right - e.left) & ~1) + ":" +
                 std::to_string((e.bottom - e.top) & ~1) + ":" + std::to_string(e.left) + ":" +
                 std::to_string(e.top);
        if (e.flip & 1)
            chain += ",hflip";
        chain += ",eq=brightness=" + number(0.4 * e.brightness / 100.0) +
                 ":contrast=" + number(std::pow(2.0, 1.3 * e.contrast / 100.0)) +
                 ":saturation=" + number(std::pow(3.0, e.saturation / 100.0));
    }
    chain += ",scale=" + std::to_string(info.width) + ":" + std::to_string(info.height) +
             ":flags=bicubic,setsar=1";
    if (e.on && e.text)
        chain += std::string(",drawtext=fontfile=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf") +
                 ":text=" + e.text + ":x=" + std::to_string(e.textX) +
                 ":y=" + std::to_string(e.textY) + ":fontsize=" + std::to_string(e.fontSize) +
                 ":fontcolor=white";
    return chain + ",format=yuv420p";
}

// The same conversion on the command line: same encoders, size, rates, bit rates and edits; a
// merge is the concat filter over each source brought to the export format.
std::vector<std::string> ffmpegCommand(const Workload& w, const tagVeldesExportInfo& info,
                                       const std::string& out) {
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-y", "-loglevel", "error"};
    for (const std::string& source : w.sources)
        args.insert(args.end(), {"-i", source});
    bool amr = info.audioCodec == VELDES_ACODEC_AMR_NB;
    const int rate = amr ? 8000 : info.sampleRate, channels = amr ? 1 : info.channels;
    std::string audioChain = "aresample=" + std::to_string(rate) +
                             ",aformat=channel_layouts=" + (channels == 1 ? "mono" : "stereo");
    std::string graph;
    for (size_t i = 0; i < w.sources.size(); ++i) {
        std::string n = std::to_string(i);
        if (info.videoCodec)
            graph += "[" + n + ":v:0]" + pictureChain(info, w.edits) + "[v" + n + "];";
        graph += "[" + n + ":a:0]" + audioChain + "[a" + n + "];";
    }
    for (size_t i = 0; i < w.sources.size(); ++i)
        graph += (info.videoCodec ? "[v" + std::to_string(i) + "]" : "") + "[a" +
                 std::to_string(i) + "]";
    graph += "concat=n=" + std::to_string(w.sources.size()) +
             ":v=" + (info.videoCodec ? "1" : "0") + ":a=1" + (info.videoCodec ? "[v]" : "") +
             "[a]";
    args.insert(args.end(), {"-filter_complex", graph});
    if (info.videoCodec)
        args.insert(args.end(), {"-map", "[v]", "-c:v", videoEncoder(info.videoCodec), "-b:v",
                                 std::to_string(info.videoBitrate)});
    const char* audio = info.audioCodec == VELDES_ACODEC_AAC ? "aac"
                        : amr                                ? "libopencore_amrnb"
                                                             : "libmp3lame";
    args.insert(args.end(), {"-map", "[a]", "-c:a", audio, "-b:a",
                             std::to_string(info.audioBitrate), "-f",
                             std::strcmp(info.format, "mp4") == 0 ? "mp4" : info.format, out});
    return args;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

} // namespace

std::string generated(int width, int height, const char* rate, double seconds, int sampleRate) {
    testmedia::SourceSpec spec;
    spec.width = width;
    spec.height = height;
    spec.frameRate = rate;
    spec.seconds = seconds;
    spec.sampleRate = sampleRate;
    std::string error;
    std::string path = testmedia::generate(spec, &error);
    if (path.empty())
        std::fprintf(stderr, "cannot generate a source: %s\n", error.c_str());
    return path;
}

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    // A second argument keeps only the workload of that name.
    const std::string only = argc > 2 ? argv[2] : "";
    std::fprintf(stderr, "preparing the sources...\n");
    const std::string hd = generated(1920, 1080, "25", 20.0, 48000);
    const std::string hd720 = generated(1280, 720, "25", 10.0, 48000);
    const std::vector<std::string> mixed = {generated(640, 360, "30", 5.0, 44100),
                                            generated(320, 240, "25", 5.0, 22050),
                                            generated(1280, 720, "24", 5.0, 48000)};
    for (const std::string& s : {hd, hd720, mixed[0], mixed[1], mixed[2]})
        if (s.empty())
            return 2;
    const auto& profiles = builtInProfiles();
    Edits edits;
    edits.on = true;
    edits.left = 120, edits.top = 60, edits.right = 1160, edits.bottom = 660;
    edits.brightness = 30, edits.contrast = 20, edits.saturation = -20;
    edits.flip = 1;
    edits.text = "Movara";
    edits.textX = 40, edits.textY = 40, edits.fontSize = 48;
    const std::vector<Workload> workloads = {
        {"h264-mp4", {hd}, profiles.at(1), {}},      // "H.264 Video(*.mp4)" at 480x320
        {"3gp-mpeg4-amr", {hd}, profiles.at(8), {}}, // "3GPP ... (176x144)(*.3gp)"
        {"mp3", {hd}, profiles.at(6), {}},           // "MP3-MPEG Layer 3 Audio(*.mp3)"
        {"merge-3gp", mixed, profiles.at(8), {}},
        {"edits-720p-mp4", {hd720}, profiles.at(1), edits},
        {"h263-cif-3g2", {hd}, h263Cif3g2(), {}},
    };
    testmedia::ScratchDir dir;
    bool withinTargets = true;
    for (const Workload& w : workloads) {
        if (!only.empty() && only != w.name)
            continue;
        std::string engineOut = dir.file(std::string("engine-") + w.name);
        std::string cliOut = dir.file(std::string("cli-") + w.name);

        // The command line gets the very record the engine gets.
        VeldesTimeline probe = CreateTimeline(1);
        tagVeldesTrackInfo track{};
        track.option = 1;
        track.path = w.sources.front().c_str();
        std::vector<tagVeldesStreamInfo> streams =
            streamsOf(probe, VeldesAddMedia2(probe, &track, nullptr, 0));
        DestroyTimeline(probe);
        tagVeldesExportInfo info = deriveExportInfo(w.profile, streams, engineOut);
        std::vector<std::string> command = ffmpegCommand(w, info, cliOut);

        std::vector<double> engineTimes, cliTimes, engineCpu, cliCpu;
        // Untimed: the measured estimate, which the program works out in the background.
        const EngineResult measured = runEngine(w, engineOut, true);
        EngineResult last;
        for (int i = 0; i < runs; ++i) {
            // Alternate who goes first, so neither always meets a warm or a cold machine.
            for (int turn = 0; turn < 2; ++turn) {
                if ((turn == 0) == (i % 2 == 0)) {
                    last = runEngine(w, engineOut);
                    if (!last.ok) {
                        std::fprintf(stderr, "%s: the engine failed\n", w.name);
                        return 2;
                    }
                    engineTimes.push_back(last.seconds);
                    engineCpu.push_back(last.cpuSeconds);
                } else {
                    Clock::time_point start = Clock::now();
                    testmedia::ToolResult r = testmedia::runTool(command);
                    if (r.exitCode != 0) {
                        std::fprintf(stderr, "%s: ffmpeg failed: %s\n", w.name, r.err.c_str());
                        return 2;
                    }
                    cliTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());
                    cliCpu.push_back(r.cpuSeconds);
                }
            }
            std::fprintf(stderr,
                         "%s run %d: engine %.2f s (cpu %.2f s), ffmpeg %.2f s (cpu %.2f s)\n",
                         w.name, i + 1, engineTimes.back(), engineCpu.back(), cliTimes.back(),
                         cliCpu.back());
        }
        double ratio = median(engineTimes) / median(cliTimes);
        double real = double(testmedia::fileSize(engineOut));
        double estimateError = (double(measured.measured) - real) / real * 100.0;
        std::printf("ratio %s %.3f\n", w.name, ratio);
        std::printf("estimate-error %s %+.1f\n", w.name, estimateError);
        std::printf("instant-estimate-error %s %+.1f\n", w.name,
                    (double(last.estimate) - real) / real * 100.0);
        std::fflush(stdout);
        std::printf("cpu-ratio %s %.3f\n", w.name, median(engineCpu) / median(cliCpu));
        withinTargets = withinTargets && ratio <= 0.90 && std::fabs(estimateError) <= 15.0;
    }
    return withinTargets ? 0 : 1;
}
