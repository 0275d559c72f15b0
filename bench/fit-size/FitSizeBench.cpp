// fit-size: how well a run meets a size limit ("at most 10 MB"), over generated sources of
// different kinds (a still picture, slow and fast motion, noise, a talking-head-like scene, dark
// film-like material, a 1080p clip, sound-heavy material, content that changes every 20 s, and a
// ten-minute lecture-like source; 5 s to 10 min) crossed with three profiles. Each pair is first
// converted plainly; its limits are then fractions of that plain output, from tight to loose
// (only the middle one for sources over two minutes, to keep the run short), each converted
// through the engine's contract on a fresh timeline as the program does it. Prints per limit
//   fit <source>/<profile> <fraction> limit <bytes> output <bytes> fill <ratio> passes <n> ...
// and then
//   fit-within <fraction>       (of the delivered and failed runs: outputs at or under the limit)
//   fit-fill-median <ratio>     (output / limit)
//   fit-fill-low <count>        (outputs under 0.85 of the limit)
//   fit-repasses <fraction>     (runs that encoded more than once)
//   fit-cost <ratio>            (processor time of the limited runs against the plain ones
//                               they replace)
//   fit-refused <count>         (limits refused before converting, with their reasons above)
// FIT_ONLY=TEXT runs only the pairs whose "source/profile" name contains TEXT. With --random N
// [--seed S], N sources drawn from the seed (RandomSource.h; printed first) take the fixed
// corpus's place.
// Targets: within 1, fill median 0.95 or more, repasses 0.10 or less, cost 1.3 or less. Exit
// status 1 when one is missed.
#include "EngineHarness.h"
#include "MediaGenerators.h"
#include "RandomSource.h"
#include "ProfileDerivation.h"
#include "ScratchDir.h"
#include "velcodecapi.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>


using namespace enginetest;

namespace {

struct Source {
    std::string name;
    double seconds;
    std::vector<std::string> args; // ffmpeg input and output options before "{out}"
    std::string extension = "mp4";
};

// A picture source of the lavfi filter as H.264, with `sound` (a lavfi source) as AAC.
std::vector<std::string> clip(const std::string& lavfi, double seconds,
                              const std::string& sound = "sine=f=330", int audioKbps = 128) {
    const std::string d = std::to_string(seconds);
    return {"-f",       "lavfi",           "-i",   lavfi, "-f",   "lavfi",
            "-i",       sound + ":d=" + d, "-t",   d,     "-c:v", "libx264",
            "-pix_fmt", "yuv420p",         "-c:a", "aac", "-b:a", std::to_string(audioKbps) + "k"};
}

struct Outcome {
    bool ended = false;
    bool delivered = false;
    int passes = 0; // encodes started: each begins with a progress-0 event
    double seconds = 0.0;
    double cpuSeconds = 0.0; // of every thread of the process, the engine's included
    int64_t bytes = 0;
    std::string message;
};

// One conversion on a fresh timeline, limited to `limit` bytes when above 0.
Outcome convert(const std::string& source, const TestProfile& profile, const std::string& out,
                int64_t limit) {
    Outcome outcome;
    VeldesTimeline timeline = CreateTimeline(1);
    std::vector<tagVeldesStreamInfo> streams;
    int id = addWithProfile(timeline, source, profile, &streams);
    if (id >= 0) {
        VeldesSetMediaTargetSize(timeline, id, limit);
        tagVeldesExportInfo info = deriveExportInfo(profile, streams, out);
        RunRecorder done(id);
        std::mutex mutex;
        done.onEvent = [&](const tagVeldesEvent& e) {
            std::lock_guard lock(mutex);
            if (e.status == 0 && e.progress == 0 && !e.outputPath)
                ++outcome.passes;
            if (e.message)
                outcome.message = e.message;
        };
        done.attach(&info);
        const auto begun = std::chrono::steady_clock::now();
        const double cpuBegun = processCpuSeconds();
        if (VeldesRun(timeline, &id, 1, &info) >= 0) {
            outcome.ended = done.wait(std::chrono::hours(1));
            outcome.delivered = outcome.ended && done.succeeded();
        }
        outcome.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
        outcome.cpuSeconds = processCpuSeconds() - cpuBegun;
    }
    DestroyTimeline(timeline);
    outcome.bytes = std::max<long long>(testmedia::fileSize(out), 0);
    return outcome;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<Source> sources = {
        {"still-5s", 5, clip("smptebars=s=640x480:r=25", 5)},
        {"slow-motion-10s", 10, clip("testsrc2=s=640x480:r=25", 10)},
        {"noise-8s", 8, clip("nullsrc=s=480x360:r=25,geq=random(1)*255:128:128", 8)},
        {"fast-motion-20s", 20, clip("mandelbrot=s=640x480:r=25", 20)},
        {"talking-head-45s", 45,
         clip("gradients=s=640x480:r=25:speed=0.02,drawbox=x=260:y=160:w=120:h=160:c=0xC08060:"
              "t=fill",
              45)},
        {"dark-film-20s", 20,
         clip("testsrc2=s=854x480:r=24,eq=brightness=-0.35,noise=alls=6:allf=t", 20)},
        {"full-hd-12s", 12, clip("testsrc2=s=1920x1080:r=25", 12)},
        {"audio-heavy-60s", 60,
         clip("smptebars=s=320x240:r=25", 60, "anoisesrc=c=pink:a=0.3", 256)},
        {"changing-80s", 80, testmedia::changingContentArgs(20)},
        {"lecture-10min", 600,
         clip("gradients=s=320x240:r=10:speed=0.001,drawbox=x=120:y=60:w=80:h=100:c=0xC08060:"
              "t=fill",
              600, "sine=f=220", 64)},
    };
    int count = 0;
    uint64_t seed = 0;
    if (benchsource::randomArguments(argc, argv, &count, &seed)) {
        sources.clear();
        for (const auto& r : benchsource::drawSources(count, seed))
            sources.push_back({r.name, r.seconds, r.args, r.extension});
    }
    const std::vector<std::pair<const char*, TestProfile>> profiles = {
        {"mp4-mpeg4", builtInProfile("MPEG-4 Video(*.mp4)")},
        {"mp4-h264-aac", builtInProfile("H.264 Video(*.mp4)")},
        {"3gp-h263-amr", builtInProfile("BlackBerry H.263 3GP Video(176x144)(*.3gp)")},
    };
    // Of the plain output: tight, middle, loose.
    const std::vector<double> fractions = {0.4, 0.75, 1.3};

    const char* only = std::getenv("FIT_ONLY");
    testmedia::ScratchDir dir;
    std::vector<double> fills;
    int runs = 0, within = 0, repassed = 0, refused = 0, low = 0, leftFiles = 0;
    double limitedTime = 0.0, plainTime = 0.0;
    auto chosen = [only](const std::string& pair) {
        return !only || pair.find(only) != std::string::npos;
    };
    for (const Source& s : sources) {
        if (std::none_of(profiles.begin(), profiles.end(), [&](const auto& p) {
                return chosen(s.name + "/" + p.first);
            }))
            continue;
        std::vector<std::string> args = s.args;
        args.push_back("{out}");
        std::string error;
        const std::string path = testmedia::generateWith(args, s.extension, &error);
        if (path.empty()) {
            std::fprintf(stderr, "cannot generate %s: %s\n", s.name.c_str(), error.c_str());
            return 2;
        }
        for (const auto& [label, profile] : profiles) {
            const std::string pair = s.name + "/" + label;
            if (!chosen(pair))
                continue;
            const std::string stem = s.name + "-" + label;
            const Outcome plain = convert(path, profile, dir.file(stem + "-plain"), 0);
            if (!plain.delivered || plain.bytes <= 0) {
                std::fprintf(stderr, "%s: the plain conversion failed: %s\n", pair.c_str(),
                             plain.message.c_str());
                continue;
            }
            for (double fraction : fractions) {
                if (s.seconds > 120 && fraction != 0.75)
                    continue;
                const int64_t limit = static_cast<int64_t>(plain.bytes * fraction);
                const std::string out = dir.file(stem + "-" + std::to_string(fraction));
                const Outcome fit = convert(path, profile, out, limit);
                if (fit.passes == 0) {
                    // Refused before any encode: nothing delivered, nothing counted.
                    ++refused;
                    leftFiles += fit.bytes > 0;
                    std::printf("fit %s %.2f limit %lld refused: %s\n", pair.c_str(), fraction,
                                static_cast<long long>(limit), fit.message.c_str());
                    continue;
                }
                ++runs;
                limitedTime += fit.cpuSeconds;
                plainTime += plain.cpuSeconds;
                repassed += fit.passes > 1;
                if (!fit.delivered) {
                    leftFiles += fit.bytes > 0;
                    std::printf("fit %s %.2f limit %lld failed after %d passes: %s\n", pair.c_str(),
                                fraction, static_cast<long long>(limit), fit.passes,
                                fit.message.c_str());
                    continue;
                }
                const double fill = double(fit.bytes) / double(limit);
                fills.push_back(fill);
                within += fit.bytes <= limit;
                low += fill < 0.85;
                std::printf("fit %s %.2f limit %lld output %lld fill %.3f passes %d processor "
                            "%.2f s, clock %.2f s (plain %.2f s, %.2f s, %lld bytes)\n",
                            pair.c_str(), fraction, static_cast<long long>(limit),
                            static_cast<long long>(fit.bytes), fill, fit.passes, fit.cpuSeconds,
                            fit.seconds, plain.cpuSeconds, plain.seconds,
                            static_cast<long long>(plain.bytes));
                std::fflush(stdout);
            }
        }
    }
    if (runs == 0 || fills.empty())
        return 2;
    const double withinShare = double(within) / runs;
    const double repassShare = double(repassed) / runs;
    const double cost = limitedTime / plainTime;
    std::printf("fit-within %.3f (%d of %d)\n", withinShare, within, runs);
    std::printf("fit-fill-median %.3f\n", median(fills));
    std::printf("fit-fill-low %d (under 0.85; lowest %.3f)\n", low,
                *std::min_element(fills.begin(), fills.end()));
    std::printf("fit-repasses %.3f (%d of %d)\n", repassShare, repassed, runs);
    std::printf("fit-cost %.2f (limited %.1f s of processor time against plain %.1f s)\n", cost,
                limitedTime,
                plainTime);
    std::printf("fit-refused %d\n", refused);
    if (leftFiles)
        std::printf("fit-left-files %d (runs that delivered nothing yet left a file)\n", leftFiles);
    return withinShare >= 1.0 && median(fills) >= 0.95 && repassShare <= 0.10 && cost <= 1.3 &&
                   leftFiles == 0
               ? 0
               : 1;
}
