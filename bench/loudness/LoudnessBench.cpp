// loudness: loudness normalisation over generated sources (quiet speech-like, loud compressed
// music-like, mono, 5.1, very dynamic, clipped, silence with a short burst, and ten minutes of
// music-like sound), each converted by the profiles that fit it three times through the engine's
// contract on a fresh timeline: plainly, normalised to -16 LUFS under -1 dBTP with the loudness
// measured by the run itself (uncached), and normalised again after a background measurement
// (cached). Each output is read back with the ffmpeg tool's R128 meter. Prints per conversion
//   loudness <source>/<profile> in <LUFS> <dBTP> out <LUFS> <dBTP> <rate>x<channels> ...
// and then `name value unit` lines:
//   loudness-error-worst <LU>        (|output - target| over outputs that can reach it)
//   true-peak-worst <dB>             (output true peak above the ceiling, worst)
//   loudness-cost-uncached <ratio>   (normalised runs against plain ones)
//   loudness-cost-cached <ratio>
//   loudness-shape-wrong <count>     (outputs whose rate or channels differ from the plain one)
//   loudness-quiet-changed <count>   (near-silence not left as it is)
// Targets: error 0.5, true peak 0.1, cost 1.5 uncached and 1.15 cached, no wrong shape, no
// near-silence changed. Exit status 1 when one is missed.
#include "EngineHarness.h"
#include "MediaGenerators.h"
#include "MediaProbe.h"
#include "ProfileDerivation.h"
#include "R128Probe.h"
#include "ScratchDir.h"
#include "velcodecapi.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

using namespace enginetest;

namespace {

constexpr double kTarget = -16.0;
constexpr double kCeiling = -1.0;

struct Source {
    const char* name;
    std::vector<std::string> args; // ffmpeg options before "{out}"
    std::string extension;
    bool picture;
};

std::vector<std::string> sound(const std::string& lavfi, double seconds,
                               const std::string& filter = {}) {
    std::vector<std::string> args = {"-f", "lavfi", "-i", lavfi, "-t", std::to_string(seconds)};
    if (!filter.empty())
        args.insert(args.end(), {"-af", filter});
    args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k"});
    return args;
}

std::vector<std::string> withPicture(std::vector<std::string> args, double seconds) {
    args.insert(args.begin(),
                {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=25:d=" + std::to_string(seconds)});
    args.insert(args.end(), {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-shortest"});
    return args;
}

// Speech-like: a voice-band tone whose level moves at syllable pace, with pauses and short
// plosive-like clicks far above the rest (which a gain to the target pushes over the ceiling).
const char* kSpeech = "aevalsrc='0.05*sin(2*PI*180*t)*(0.6+0.4*sin(2*PI*3*t))*"
                      "gt(sin(2*PI*0.4*t)\\,-0.3)+0.02*sin(2*PI*720*t)*gt(sin(2*PI*5*t)\\,0)+"
                      "0.5*sin(2*PI*1500*t)*lt(mod(t\\,1.3)\\,0.006)'"
                      ":s=44100";
// Music-like: pink noise over a bass line and a melody.
const char* kMusic = "aevalsrc='0.3*sin(2*PI*(110+55*gt(sin(2*PI*0.5*t)\\,0))*t)+"
                     "0.2*sin(2*PI*440*(1+0.25*gt(sin(2*PI*2*t)\\,0))*t)':s=44100";

std::vector<Source> sources() {
    return {
        {"quiet-speech", withPicture(sound(kSpeech, 20, "aformat=channel_layouts=stereo"), 20),
         "mp4", true},
        {"loud-music",
         sound(std::string(kMusic) + ",volume=2", 20,
               "aformat=channel_layouts=stereo,acompressor=threshold=0.1:ratio=8:makeup=4,"
               "alimiter=limit=0.97"),
         "m4a", false},
        {"mono",
         sound("sine=f=500:sample_rate=48000", 15, "volume=-12dB,aformat=channel_layouts=mono"),
         "m4a", false},
        {"surround-5.1",
         sound("aevalsrc='0.2*sin(2*PI*200*t)|0.2*sin(2*PI*300*t)|0.2*sin(2*PI*400*t)|"
               "0.1*sin(2*PI*50*t)|0.1*sin(2*PI*500*t)|0.1*sin(2*PI*600*t)':c=5.1:s=48000",
               15),
         "m4a", false},
        {"very-dynamic",
         withPicture(
             sound(std::string(kMusic) + ",volume='if(lt(mod(t\\,10)\\,5)\\,0.03\\,1)':eval=frame",
                   20, "aformat=channel_layouts=stereo"),
             20),
         "mp4", true},
        {"clipped",
         sound("sine=f=220:sample_rate=44100", 15,
               "volume=12,aeval='clip(val(0)\\,-0.99\\,0.99)',aformat=channel_layouts=stereo"),
         "m4a", false},
        {"silence-burst",
         sound("aevalsrc='if(between(t\\,10\\,10.5)\\,0.5*sin(2*PI*1000*t)\\,0)':s=44100", 20,
               "aformat=channel_layouts=stereo"),
         "m4a", false},
        {"near-silence",
         sound("anoisesrc=c=pink:a=0.004:sample_rate=44100", 10, "aformat=channel_layouts=stereo"),
         "m4a", false},
        {"long-10min",
         sound(std::string(kMusic) + ",volume=0.5", 600, "aformat=channel_layouts=stereo"), "m4a",
         false},
    };
}

struct Outcome {
    bool delivered = false;
    double seconds = 0.0;
};

// Waits for one loudness event.
struct LoudnessWait {
    std::mutex mutex;
    std::condition_variable done;
    bool over = false;
    static int callback(tagVeldesEvent*, void* user) {
        auto* w = static_cast<LoudnessWait*>(user);
        std::lock_guard lock(w->mutex);
        w->over = true;
        w->done.notify_all();
        return 0;
    }
};

// "(*.mp3)" at the end of a profile's name.
std::string extensionOf(const TestProfile& profile) {
    const std::string name = profile.name;
    const size_t at = name.rfind("(*.");
    return at == std::string::npos ? "out" : name.substr(at + 3, name.size() - at - 4);
}

enum class Mode { Plain, Uncached, Cached };

Outcome convert(const std::string& source, const TestProfile& profile, const std::string& out,
                Mode mode) {
    Outcome outcome;
    VeldesTimeline timeline = CreateTimeline(1);
    std::vector<tagVeldesStreamInfo> streams;
    int id = addWithProfile(timeline, source, profile, &streams);
    if (id >= 0) {
        if (mode != Mode::Plain)
            VeldesSetMediaLoudness(timeline, id, kTarget, kCeiling, nullptr);
        if (mode == Mode::Cached) {
            LoudnessWait wait;
            if (VeldesMeasureMediaLoudness(timeline, id, &LoudnessWait::callback, &wait, 0) == 0) {
                std::unique_lock lock(wait.mutex);
                wait.done.wait(lock, [&] { return wait.over; });
            }
        }
        tagVeldesExportInfo info = deriveExportInfo(profile, streams, out);
        RunRecorder done(id);
        done.attach(&info);
        const auto begun = std::chrono::steady_clock::now();
        if (VeldesRun(timeline, &id, 1, &info) >= 0)
            outcome.delivered = done.wait(std::chrono::hours(1)) && done.succeeded();
        outcome.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    }
    DestroyTimeline(timeline);
    return outcome;
}

} // namespace

int main() {
    const std::vector<std::pair<const char*, TestProfile>> soundProfiles = {
        {"m4a-aac", builtInProfile("M4A-MPEG4 Audio(*.m4a)")},
        {"mp3", builtInProfile("MP3-MPEG Layer 3 Audio(*.mp3)")},
        {"amr", builtInProfile("BlackBerry AMR Audio(*.amr)")},
        {"wav", builtInProfile("WAV-Waveform Audio(*.wav)")},
    };
    const std::vector<std::pair<const char*, TestProfile>> pictureProfiles = {
        {"mp4-h264-aac", builtInProfile("H.264 Video(*.mp4)")},
        {"3gp-h263-amr", builtInProfile("BlackBerry H.263 3GP Video(176x144)(*.3gp)")},
    };
    testmedia::ScratchDir dir;
    double worstError = 0.0, worstPeak = -100.0;
    double plainTime = 0.0, uncachedTime = 0.0, cachedTime = 0.0;
    int wrongShape = 0, quietChanged = 0, failed = 0;
    for (const Source& s : sources()) {
        std::vector<std::string> args = s.args;
        args.push_back("{out}");
        std::string error;
        const std::string path = testmedia::generateWith(args, s.extension, &error);
        if (path.empty()) {
            std::fprintf(stderr, "cannot generate %s: %s\n", s.name, error.c_str());
            return 2;
        }
        const testmedia::R128Probe in = testmedia::r128(path);
        const bool longSource = std::string(s.name) == "long-10min";
        for (const auto& [label, profile] : s.picture ? pictureProfiles : soundProfiles) {
            if (longSource && std::string(label) != "mp3" && std::string(label) != "m4a-aac")
                continue;
            const std::string stem = dir.file(std::string(s.name) + "-" + label);
            const std::string extension = "." + extensionOf(profile);
            const Outcome plain = convert(path, profile, stem + "-plain" + extension, Mode::Plain);
            const Outcome uncached =
                convert(path, profile, stem + "-uncached" + extension, Mode::Uncached);
            const Outcome cached =
                convert(path, profile, stem + "-cached" + extension, Mode::Cached);
            if (!plain.delivered || !uncached.delivered || !cached.delivered) {
                std::printf("loudness %s/%s failed\n", s.name, label);
                ++failed;
                continue;
            }
            plainTime += plain.seconds;
            uncachedTime += uncached.seconds;
            cachedTime += cached.seconds;
            const testmedia::R128Probe before = testmedia::r128(stem + "-plain" + extension);
            const auto shapeOf = [](const std::string& file) {
                const testmedia::FileProbe p = testmedia::probe(file);
                const testmedia::StreamProbe* a = p.first("audio");
                return a ? std::make_pair(a->sampleRate, a->channels) : std::make_pair(0, 0);
            };
            const auto plainShape = shapeOf(stem + "-plain" + extension);
            for (const char* kind : {"uncached", "cached"}) {
                const std::string file = stem + "-" + kind + extension;
                const testmedia::R128Probe after = testmedia::r128(file);
                const auto shape = shapeOf(file);
                wrongShape += shape != plainShape;
                // Sound that would need more than +20 dB is left as it is.
                const bool tooQuiet =
                    before.integrated <= -70.0 || kTarget - before.integrated > 20.5;
                const double error = std::abs(after.integrated - kTarget);
                if (tooQuiet)
                    quietChanged += std::abs(after.integrated - before.integrated) > 0.5;
                else
                    worstError = std::max(worstError, error);
                worstPeak = std::max(worstPeak, after.truePeak - kCeiling);
                std::printf("loudness %s/%s %s in %.1f LUFS %.1f dBTP plain %.1f LUFS %.1f dBTP "
                            "out %.1f LUFS %.1f dBTP %dx%d%s time %.2f s (plain %.2f s)\n",
                            s.name, label, kind, in.integrated, in.truePeak, before.integrated,
                            before.truePeak, after.integrated, after.truePeak, shape.first,
                            shape.second, tooQuiet ? " (left as it is)" : "",
                            std::string(kind) == "cached" ? cached.seconds : uncached.seconds,
                            plain.seconds);
                std::fflush(stdout);
            }
        }
    }
    if (plainTime <= 0.0)
        return 2;
    const double costUncached = uncachedTime / plainTime, costCached = cachedTime / plainTime;
    std::printf("loudness-error-worst %.2f LU\n", worstError);
    std::printf("true-peak-worst %.2f dB\n", worstPeak);
    std::printf("loudness-cost-uncached %.2f ratio\n", costUncached);
    std::printf("loudness-cost-cached %.2f ratio\n", costCached);
    std::printf("loudness-shape-wrong %d count\n", wrongShape);
    std::printf("loudness-quiet-changed %d count\n", quietChanged);
    std::printf("loudness-failed %d count\n", failed);
    return worstError <= 0.5 && worstPeak <= 0.1 && costUncached <= 1.5 && costCached <= 1.15 &&
                   wrongShape == 0 && quietChanged == 0 && failed == 0
               ? 0
               : 1;
}
