// engine-vs-ffmpeg: three conversions of a generated 1080p25 H.264 + AAC source of 20 s, each
// done through the engine's contract (exactly as the program calls it) and by the ffmpeg command
// line with the same settings, alternately, several times. Prints per workload
//   ratio <name> <median engine time / median ffmpeg time>
//   estimate-error <name> <percent of the engine's size estimate against its real output>
// Targets: ratio <= 1.05, estimate within +-15 %. Exit status 1 when a target is missed.
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

struct Workload {
    const char* name;
    size_t profile; // index into the built-in profiles
};

const Workload kWorkloads[] = {
    {"h264-mp4", 1},      // "H.264 Video(*.mp4)" at 480x320
    {"3gp-mpeg4-amr", 8}, // "3GPP-3rd Generation Partnership Project(176x144)(*.3gp)"
    {"mp3", 6},           // "MP3-MPEG Layer 3 Audio(*.mp3)"
};

struct Done {
    std::mutex mutex;
    std::condition_variable changed;
    bool ended = false;
    bool ok = false;
    int lastId = -1;
};

int onEvent(tagVeldesEvent* e, void* user) {
    auto* done = static_cast<Done*>(user);
    std::lock_guard lock(done->mutex);
    if (e->mediaId == done->lastId && (e->status < 0 || e->progress == 10000)) {
        done->ended = true;
        done->ok = e->status >= 0;
        done->changed.notify_all();
    }
    return 0;
}

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct EngineResult {
    double seconds = 0.0;
    double cpuSeconds = 0.0;
    int64_t estimate = 0;
    bool ok = false;
};

// The whole call sequence of one conversion: timeline, media, streams, export setting,
// estimate, run, wait for the last event.
EngineResult runEngine(const std::string& source, const TestProfile& profile,
                       const std::string& out) {
    EngineResult result;
    Clock::time_point start = Clock::now();
    double cpuStart = processCpuSeconds();
    VeldesTimeline timeline = CreateTimeline(1);
    tagVeldesTrackInfo track{};
    track.option = 1;
    track.path = source.c_str();
    int id = VeldesAddMedia2(timeline, &track, nullptr, 0);
    tagVeldesStreamInfo* array = nullptr;
    int count = id >= 0 ? VeldesGetMediaInfo(timeline, id, &array) : -1;
    if (count > 0) {
        std::vector<tagVeldesStreamInfo> streams(array, array + count);
        tagVeldesExportSetting setting = deriveExportSetting(profile, streams);
        VeldesSetExportSetting(timeline, id, &setting);
        VeldesGetMediaEncodedSize(timeline, id, &result.estimate);
        tagVeldesExportInfo info = deriveExportInfo(profile, streams, out);
        Done done;
        done.lastId = id;
        info.callback = &onEvent;
        info.user = &done;
        if (VeldesRun(timeline, &id, 1, &info) >= 0) {
            std::unique_lock lock(done.mutex);
            done.changed.wait(lock, [&] { return done.ended; });
            result.ok = done.ok;
        }
    }
    DestroyTimeline(timeline);
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.cpuSeconds = processCpuSeconds() - cpuStart;
    return result;
}

// The same conversion on the command line: same encoders, size, rates and bit rates.
std::vector<std::string> ffmpegCommand(const std::string& source, const tagVeldesExportInfo& info,
                                       const std::string& out) {
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-y",  "-loglevel",
                                     "error",  "-i",       source};
    if (info.videoCodec) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.6g", info.frameRate);
        args.insert(args.end(),
                    {"-map", "0:v:0", "-vf",
                     std::string("fps=") + rate + ",scale=" + std::to_string(info.width) + ":" +
                         std::to_string(info.height) + ":flags=bicubic",
                     "-c:v", info.videoCodec == VELDES_VCODEC_H264 ? "libx264" : "libxvid", "-b:v",
                     std::to_string(info.videoBitrate), "-pix_fmt", "yuv420p"});
    } else {
        args.push_back("-vn");
    }
    const char* audio = info.audioCodec == VELDES_ACODEC_AAC      ? "aac"
                        : info.audioCodec == VELDES_ACODEC_AMR_NB ? "libopencore_amrnb"
                                                                  : "libmp3lame";
    bool amr = info.audioCodec == VELDES_ACODEC_AMR_NB;
    args.insert(args.end(),
                {"-map", "0:a:0", "-c:a", audio, "-b:a", std::to_string(info.audioBitrate), "-ar",
                 std::to_string(amr ? 8000 : info.sampleRate), "-ac",
                 std::to_string(amr ? 1 : info.channels), "-f",
                 std::strcmp(info.format, "mp4") == 0 ? "mp4" : info.format, out});
    return args;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    testmedia::SourceSpec spec;
    spec.width = 1920;
    spec.height = 1080;
    spec.frameRate = "25";
    spec.seconds = 20.0;
    spec.sampleRate = 48000;
    std::string error;
    std::fprintf(stderr, "preparing the 1080p25 source...\n");
    std::string source = testmedia::generate(spec, &error);
    if (source.empty()) {
        std::fprintf(stderr, "cannot generate the source: %s\n", error.c_str());
        return 2;
    }
    testmedia::ScratchDir dir;
    bool withinTargets = true;
    for (const Workload& w : kWorkloads) {
        const TestProfile& profile = builtInProfiles().at(w.profile);
        std::string engineOut = dir.file(std::string("engine-") + w.name);
        std::string cliOut = dir.file(std::string("cli-") + w.name);

        // The command line gets the very record the engine gets.
        VeldesTimeline probe = CreateTimeline(1);
        tagVeldesTrackInfo track{};
        track.option = 1;
        track.path = source.c_str();
        int id = VeldesAddMedia2(probe, &track, nullptr, 0);
        tagVeldesStreamInfo* array = nullptr;
        int count = VeldesGetMediaInfo(probe, id, &array);
        std::vector<tagVeldesStreamInfo> streams(array, array + std::max(count, 0));
        DestroyTimeline(probe);
        tagVeldesExportInfo info = deriveExportInfo(profile, streams, engineOut);
        std::vector<std::string> command = ffmpegCommand(source, info, cliOut);

        std::vector<double> engineTimes, cliTimes, engineCpu, cliCpu;
        EngineResult last;
        for (int i = 0; i < runs; ++i) {
            // Alternate who goes first, so neither always meets a warm or a cold machine.
            for (int turn = 0; turn < 2; ++turn) {
                if ((turn == 0) == (i % 2 == 0)) {
                    last = runEngine(source, profile, engineOut);
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
        // On a shared machine the processor time tells the work apart from the waiting.
        std::fprintf(stderr, "cpu-ratio %s %.3f\n", w.name, median(engineCpu) / median(cliCpu));
        double ratio = median(engineTimes) / median(cliTimes);
        double real = double(testmedia::fileSize(engineOut));
        double estimateError = (double(last.estimate) - real) / real * 100.0;
        std::printf("ratio %s %.3f\n", w.name, ratio);
        std::printf("estimate-error %s %+.1f\n", w.name, estimateError);
        std::fflush(stdout);
        withinTargets = withinTargets && ratio <= 1.05 && std::fabs(estimateError) <= 15.0;
    }
    return withinTargets ? 0 : 1;
}
