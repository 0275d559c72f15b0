// estimate-accuracy: how close the engine's size estimate comes to the real output, over a corpus
// of generated sources of different kinds (a still picture, slow and fast motion, noise, a
// talking-head-like scene, dark film-like material, sound only, pictures only, short and long,
// SD to 1080p) crossed with four profiles. Each pair is estimated and converted through the
// engine's contract, as the program does it. Prints
//   estimate-error <source>/<profile> <percent>
//   estimate-median <percent>   (of the absolute errors)
//   estimate-worst <percent>
// Targets: median within 8 %, worst within 15 %. Exit status 1 when a target is missed.
// With ESTIMATE_DETAIL set, each pair also prints what a model may use on stderr: the source's
// bits per pixel and codec, and the target's size, rate and bit rates.
#include "EngineHarness.h"
#include "MediaGenerators.h"
#include "ProfileDerivation.h"
#include "ScratchDir.h"
#include "velcodecapi.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

using namespace enginetest;

namespace {

struct Source {
    const char* name;
    std::vector<std::string> args; // ffmpeg input and output options before "{out}"
};

// A picture source of the lavfi filter, encoded as H.264, with a tone as AAC when `sound`.
std::vector<std::string> clip(const std::string& lavfi, double seconds, bool sound = true) {
    std::vector<std::string> args = {"-f", "lavfi", "-i", lavfi};
    if (sound)
        args.insert(args.end(), {"-f", "lavfi", "-i",
                                 "sine=f=330:d=" + std::to_string(seconds) + ",volume=0.5"});
    args.insert(args.end(), {"-t", std::to_string(seconds), "-c:v", "libx264", "-pix_fmt", "yuv420p"});
    if (sound)
        args.insert(args.end(), {"-c:a", "aac", "-b:a", "128k"});
    return args;
}

// The estimate and the real size of one conversion; false when it failed.
bool convert(const std::string& source, const TestProfile& profile, const std::string& out,
             int64_t* estimate, int64_t* real) {
    VeldesTimeline timeline = CreateTimeline(1);
    tagVeldesTrackInfo track{};
    track.option = 1;
    track.path = source.c_str();
    int id = VeldesAddMedia2(timeline, &track, nullptr, 0);
    tagVeldesStreamInfo* array = nullptr;
    int count = id >= 0 ? VeldesGetMediaInfo(timeline, id, &array) : -1;
    bool ok = false;
    if (count > 0) {
        std::vector<tagVeldesStreamInfo> streams(array, array + count);
        tagVeldesExportSetting setting = deriveExportSetting(profile, streams);
        VeldesSetExportSetting(timeline, id, &setting);
        VeldesGetMediaEncodedSize(timeline, id, estimate);
        tagVeldesExportInfo info = deriveExportInfo(profile, streams, out);
        if (std::getenv("ESTIMATE_DETAIL")) {
            const tagVeldesStreamInfo* v = nullptr;
            for (const auto& st : streams)
                if (st.type == VELDES_STREAM_VIDEO)
                    v = &st;
            std::fprintf(stderr, "detail src-bpp %.5f src-codec %d target %dx%d@%.2f vb %d ab %d\n",
                         v ? v->bitRate / (double(v->width) * v->height * v->frameRate) : 0.0,
                         v ? v->videoValues[1] : 0, info.width, info.height, info.frameRate,
                         info.videoBitrate, info.audioBitrate);
        }
        RunRecorder done(id);
        done.attach(&info);
        if (VeldesRun(timeline, &id, 1, &info) >= 0)
            ok = done.wait(std::chrono::hours(1)) && done.succeeded();
    }
    DestroyTimeline(timeline);
    *real = ok ? testmedia::fileSize(out) : 0;
    return ok && *real > 0;
}

} // namespace

int main() {
    const std::vector<Source> sources = {
        {"still", clip("smptebars=s=640x480:r=25", 6)},
        {"slow-motion", clip("testsrc2=s=640x480:r=25", 6)},
        {"fast-motion", clip("mandelbrot=s=640x480:r=25", 6)},
        {"noise",
         {"-f", "lavfi", "-i", "nullsrc=s=480x360:r=25:d=4,geq=random(1)*255:128:128", "-f",
          "lavfi", "-i", "sine=f=330:d=4", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a",
          "aac"}},
        {"talking-head",
         clip("gradients=s=640x480:r=25:speed=0.02,drawbox=x=260:y=160:w=120:h=160:c=0xC08060:"
              "t=fill",
              6)},
        {"dark-film",
         {"-f", "lavfi", "-i",
          "testsrc2=s=854x480:r=24:d=6,eq=brightness=-0.35,noise=alls=6:allf=t", "-f", "lavfi",
          "-i", "sine=f=220:d=6", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac"}},
        {"sound-only",
         {"-f", "lavfi", "-i", "sine=f=440:d=8,volume=0.5", "-f", "lavfi", "-i",
          "anoisesrc=d=8:a=0.05", "-filter_complex", "amix=inputs=2", "-c:a", "libmp3lame",
          "-b:a", "192k"}},
        {"pictures-only", clip("testsrc2=s=640x480:r=30", 5, false)},
        {"short", clip("testsrc2=s=320x240:r=25", 1)},
        {"long", clip("testsrc2=s=320x240:r=25", 30)},
        {"sd", clip("mandelbrot=s=720x576:r=25", 4)},
        {"full-hd", clip("testsrc2=s=1920x1080:r=25", 4)},
    };
    const auto& all = builtInProfiles();
    auto named = [&](const char* name) {
        for (const TestProfile& p : all)
            if (std::string(p.name) == name)
                return p;
        std::fprintf(stderr, "no profile %s\n", name);
        std::exit(2);
    };
    const std::vector<std::pair<const char*, TestProfile>> profiles = {
        {"mp4-mpeg4", named("MPEG-4 Video(*.mp4)")},
        {"3gp-h263-amr", named("BlackBerry H.263 3GP Video(176x144)(*.3gp)")},
        {"mp4-h264-aac", named("H.264 Video(*.mp4)")},
        {"mp3", named("MP3-MPEG Layer 3 Audio(*.mp3)")},
    };
    testmedia::ScratchDir dir;
    std::vector<double> errors;
    for (const Source& s : sources) {
        std::vector<std::string> args = s.args;
        args.push_back("{out}");
        std::string error;
        std::string path = testmedia::generateWith(args, s.name == std::string("sound-only") ? "mp3" : "mp4", &error);
        if (path.empty()) {
            std::fprintf(stderr, "cannot generate %s: %s\n", s.name, error.c_str());
            return 2;
        }
        for (const auto& [label, profile] : profiles) {
            bool audioOnlyProfile = profile.videoCodec == 0;
            if (std::string(s.name) == "sound-only" && !audioOnlyProfile)
                continue; // a sound file converts only into a sound profile
            int64_t estimate = 0, real = 0;
            std::string out = dir.file(std::string(s.name) + "-" + label);
            if (!convert(path, profile, out, &estimate, &real)) {
                std::fprintf(stderr, "%s/%s: the conversion failed\n", s.name, label);
                continue;
            }
            double percent = (double(estimate) - double(real)) / double(real) * 100.0;
            errors.push_back(std::fabs(percent));
            std::printf("estimate-error %s/%s %+.1f\n", s.name, label, percent);
            if (std::getenv("ESTIMATE_DETAIL"))
                std::fprintf(stderr, "sizes %s/%s estimate %lld real %lld\n", s.name, label,
                             static_cast<long long>(estimate), static_cast<long long>(real));
            std::fflush(stdout);
        }
    }
    if (errors.empty())
        return 2;
    std::sort(errors.begin(), errors.end());
    double median = errors.size() % 2 ? errors[errors.size() / 2]
                                      : (errors[errors.size() / 2 - 1] + errors[errors.size() / 2]) / 2;
    std::printf("estimate-median %.1f\n", median);
    std::printf("estimate-worst %.1f\n", errors.back());
    return median <= 8.0 && errors.back() <= 15.0 ? 0 : 1;
}
