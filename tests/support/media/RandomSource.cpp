#include "RandomSource.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace benchsource {

namespace {

using Random = std::mt19937_64;

int uniform(Random& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

template <typename T, size_t N> const T& pick(Random& random, const T (&items)[N]) {
    return items[uniform(random, 0, int(N) - 1)];
}

struct Shape {
    int width = 0, height = 0, fps = 0;
};

std::string size(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

// The segment kinds: a lavfi chain of the shape's size and rate (before its length is cut), and
// the name it is known by in a result line. Costly generators draw at most 480x360 and are scaled.
std::string segment(Random& random, const Shape& s, int index, std::string* name) {
    const std::string wh = size(s.width, s.height), r = ":r=" + std::to_string(s.fps);
    const std::string small = size(std::min(s.width, 480) & ~1, std::min(s.height, 360) & ~1) + r;
    const std::string label = std::to_string(index);
    const int speed = uniform(random, 20, 200);
    switch (uniform(random, 0, 10)) {
    case 0:
        *name = "testsrc";
        return "testsrc=s=" + wh + r;
    case 1:
        *name = "testsrc2";
        return "testsrc2=s=" + wh + r;
    case 2:
        *name = "bars";
        return "smptebars=s=" + wh + r;
    case 3:
        *name = "mandelbrot";
        return "mandelbrot=s=" + small;
    case 4: {
        static const int kRules[] = {18, 30, 110, 150};
        const int rule = pick(random, kRules);
        *name = "cellauto" + std::to_string(rule);
        return "cellauto=s=" + small + ":rule=" + std::to_string(rule);
    }
    case 5:
        *name = "life";
        return "life=s=" + small + ":mold=10:ratio=0.1:life_color=#40ff40:death_color=#802020";
    case 6: {
        static const int kStrengths[] = {3, 8, 20, 45, 90};
        const int strength = pick(random, kStrengths);
        *name = "noise" + std::to_string(strength);
        return "color=c=gray:s=" + wh + r + ",noise=alls=" + std::to_string(strength) + ":allf=t+u";
    }
    case 7: {
        static const char* const kColours[] = {"0x204080", "0xC08060", "0x30A030", "0xE0E0E0"};
        *name = "shapes";
        const int box = std::max(8, s.height / uniform(random, 4, 12));
        return "color=c=" + std::string(pick(random, kColours)) + ":s=" + wh + r + "[b" + label +
               "];color=c=white:s=" + size(box, box) + r + "[f" + label + "];[b" + label + "][f" +
               label + "]overlay=x='mod(t*" + std::to_string(speed) + ",W)':y='H/3+H/4*" +
               "sin(t)'";
    }
    case 8:
        *name = "text";
        return "color=c=black:s=" + wh + r +
               ",drawtext=text='The quick brown fox jumps over the lazy dog':fontcolor=white:" +
               "fontsize=" + std::to_string(std::max(8, s.height / 14)) + ":x=10:y='h-mod(t*" +
               std::to_string(speed / 4 + 10) + ",h+th)'";
    case 9:
        *name = "gradients";
        return "gradients=s=" + small + ":speed=0.0" + std::to_string(uniform(random, 1, 5));
    default:
        *name = "dark";
        return "testsrc2=s=" + wh + r + ",eq=brightness=-0.35,noise=alls=6:allf=t";
    }
}

struct Coding {
    const char* name;
    const char* encoder;
    const char* extension;
    bool anySize; // takes odd sizes
    bool heavy;   // intra-only or lossless: kept to small, short sources
};

// H.264 most often, as most sources are.
const Coding kCodings[] = {
    {"x264", "libx264", "mp4", false, false},    {"x264", "libx264", "mp4", false, false},
    {"x264", "libx264", "mkv", false, false},    {"mpeg4", "mpeg4", "mp4", false, false},
    {"x264-444", "libx264", "mkv", true, false}, {"mjpeg", "mjpeg", "mkv", true, true},
    {"ffv1", "ffv1", "mkv", true, true},
};

Shape drawShape(Random& random) {
    static const Shape kCommon[] = {{176, 144}, {320, 240}, {352, 288}, {480, 360},  {640, 360},
                                    {640, 480}, {720, 576}, {854, 480}, {1280, 720}, {1920, 1080}};
    Shape s = uniform(random, 0, 9) < 6
                  ? pick(random, kCommon)
                  : Shape{uniform(random, 176, 1920), uniform(random, 144, 1080), 0};
    static const int kRates[] = {12, 15, 24, 25, 30, 50, 60};
    s.fps = uniform(random, 0, 3) == 0 ? uniform(random, 12, 60) : pick(random, kRates);
    return s;
}

// Sound of `seconds`: none, a tone, noise, or a tone with silent gaps; its name in *name.
std::string sound(Random& random, double seconds, std::string* name, int* soundRate) {
    static const int kRates[] = {8000, 11025, 22050, 32000, 44100, 48000};
    *soundRate = pick(random, kRates);
    const std::string rate = std::to_string(*soundRate);
    const std::string cut =
        ",atrim=duration=" + std::to_string(seconds) +
        ",aformat=channel_layouts=" + (uniform(random, 0, 1) ? "mono" : "stereo");
    switch (uniform(random, 0, 3)) {
    case 0:
        *name = "mute";
        return "";
    case 1:
        *name = "tone" + rate;
        return "sine=f=" + std::to_string(uniform(random, 100, 2000)) + ":r=" + rate + cut;
    case 2:
        *name = "hiss" + rate;
        return "anoisesrc=c=pink:a=0.2:r=" + rate + cut;
    default:
        *name = "gaps" + rate;
        return "sine=f=440:r=" + rate + ",volume=volume=0:enable='between(mod(t,12),5,9)'" + cut;
    }
}

RandomSource drawSource(Random& random, int index) {
    Shape s = drawShape(random);
    const Coding& coding = pick(random, kCodings);
    if (!coding.anySize)
        s = {s.width & ~1, s.height & ~1, s.fps};
    if (coding.heavy)
        s = {std::min(s.width, 640), std::min(s.height, 480), s.fps};
    RandomSource source;
    source.width = s.width;
    source.height = s.height;
    std::string graph, kinds, concat;
    const int segments = uniform(random, 1, 4);
    for (int i = 0; i < segments; ++i) {
        // Lengths spread evenly over their logarithm: as many short segments as long ones.
        const double longest = coding.heavy ? 20.0 : 90.0;
        const double seconds = std::round(std::exp(
            std::uniform_real_distribution<double>(std::log(2.0), std::log(longest))(random)));
        std::string kind;
        graph += segment(random, s, i, &kind) + ",trim=duration=" + std::to_string(seconds) +
                 ",setpts=PTS-STARTPTS,scale=" + size(s.width, s.height) +
                 ",setsar=1,format=yuv444p[v" + std::to_string(i) + "];";
        concat += "[v" + std::to_string(i) + "]";
        kinds += (i ? "+" : "") + kind;
        source.seconds += seconds;
    }
    graph += concat + "concat=n=" + std::to_string(segments) + ":v=1:a=0[v]";
    std::string soundName;
    int soundRate = 0;
    const std::string audio = sound(random, source.seconds, &soundName, &soundRate);
    if (!audio.empty())
        graph += ";" + audio + "[a]";
    source.sound = !audio.empty();
    static const int kKeySeconds[] = {0, 1, 2, 5, 8, 10};
    const int key = pick(random, kKeySeconds);
    source.args = {"-filter_complex", graph, "-map", "[v]", "-c:v", coding.encoder};
    const std::string format = std::strcmp(coding.encoder, "mjpeg") == 0 ? "yuvj420p"
                               : coding.anySize                          ? "yuv444p"
                                                                         : "yuv420p";
    source.args.insert(source.args.end(), {"-pix_fmt", format});
    if (key > 0)
        source.args.insert(source.args.end(), {"-g", std::to_string(key * s.fps)});
    if (key >= 5 && std::strcmp(coding.encoder, "libx264") == 0)
        source.args.insert(source.args.end(), {"-sc_threshold", "0"});
    if (source.sound) {
        // PCM only where the container takes it; MP3 from 32 kHz up, as ffmpeg's filter graph
        // hands it frames too long for the lower rates' frame size.
        static const char* const kSoundCodecs[] = {"aac", "libmp3lame", "pcm_s16le"};
        const char* codec = pick(random, kSoundCodecs);
        if ((std::strcmp(coding.extension, "mp4") == 0 && std::strcmp(codec, "pcm_s16le") == 0) ||
            (std::strcmp(codec, "libmp3lame") == 0 && soundRate < 32000))
            codec = "aac";
        source.args.insert(source.args.end(), {"-map", "[a]", "-c:a", codec});
        soundName += std::string("-") + (codec[0] == 'l' ? "mp3" : codec[0] == 'p' ? "pcm" : codec);
    }
    source.extension = coding.extension;
    source.name = "r" + std::to_string(index) + "-" + kinds + "-" + size(s.width, s.height) + "@" +
                  std::to_string(s.fps) + "-" + coding.name + "-g" +
                  (key ? std::to_string(key) + "s" : "auto") + "-" + soundName;
    return source;
}

} // namespace

std::vector<RandomSource> drawSources(int count, uint64_t seed) {
    Random random(seed);
    std::vector<RandomSource> sources;
    for (int i = 0; i < count; ++i)
        sources.push_back(drawSource(random, i));
    return sources;
}

bool randomArguments(int argc, char** argv, int* count, uint64_t* seed) {
    *count = 0;
    bool seeded = false;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--random") == 0)
            *count = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seed") == 0)
            *seed = std::strtoull(argv[i + 1], nullptr, 10), seeded = true;
    }
    if (*count <= 0)
        return false;
    if (!seeded)
        *seed = uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
    std::printf("random-sources %d seed %llu\n", *count, static_cast<unsigned long long>(*seed));
    std::fflush(stdout);
    return true;
}

} // namespace benchsource
