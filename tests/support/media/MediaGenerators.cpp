#include "MediaGenerators.h"

#include "ToolRunner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace testmedia {

std::string cacheDir() {
    const char* env = std::getenv("MOVARA_MEDIA_CACHE");
    std::string dir = env && *env ? env : "/tmp/movara-media-cache-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    return dir;
}

static std::string formatSeconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", s);
    return text;
}

bool runFfmpeg(const std::vector<std::string>& args, std::string* error) {
    std::vector<std::string> argv = {"ffmpeg", "-y", "-hide_banner", "-loglevel", "error"};
    argv.insert(argv.end(), args.begin(), args.end());
    ToolResult r = runTool(argv);
    if (r.exitCode != 0 && error)
        *error = r.err.empty() ? "ffmpeg failed" : r.err;
    return r.exitCode == 0;
}

std::string generateWith(const std::vector<std::string>& args, const std::string& extension,
                         std::string* error) {
    std::string key;
    for (const std::string& a : args)
        key += a + '\x1f';
    char hash[32];
    std::snprintf(hash, sizeof hash, "%016zx", std::hash<std::string>{}(key));
    std::string path = cacheDir() + "/" + hash + "." + extension;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && st.st_size > 0)
        return path;

    // Written under a private name and renamed, so parallel test processes never read a file
    // that another one is still writing.
    std::string partial = path + ".part" + std::to_string(getpid()) + "." + extension;
    std::vector<std::string> concrete = args;
    for (std::string& a : concrete)
        if (a == "{out}")
            a = partial;
    if (!runFfmpeg(concrete, error)) {
        std::remove(partial.c_str());
        return {};
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        if (error)
            *error = "cannot rename " + partial;
        return {};
    }
    return path;
}

std::vector<std::string> changingContentArgs(int segmentSeconds) {
    const std::string d = std::to_string(segmentSeconds);
    return {"-f",
            "lavfi",
            "-i",
            "smptebars=s=640x480:r=25:d=" + d,
            "-f",
            "lavfi",
            "-i",
            "mandelbrot=s=640x480:r=25,trim=duration=" + d,
            "-f",
            "lavfi",
            "-i",
            "testsrc2=s=640x480:r=25:d=" + d,
            "-f",
            "lavfi",
            "-i",
            "gradients=s=640x480:r=25:speed=0.05,trim=duration=" + d,
            "-f",
            "lavfi",
            "-i",
            "sine=f=330:d=" + std::to_string(4 * segmentSeconds),
            "-filter_complex",
            "[0:v][1:v][2:v][3:v]concat=n=4:v=1:a=0[v]",
            "-map",
            "[v]",
            "-map",
            "4:a",
            "-c:v",
            "libx264",
            "-pix_fmt",
            "yuv420p",
            "-c:a",
            "aac"};
}

std::string generate(const SourceSpec& spec, std::string* error) {
    std::vector<std::string> args;
    const std::string seconds = formatSeconds(spec.seconds);
    bool video = spec.width > 0 && spec.height > 0;
    bool audio = spec.sampleRate > 0;
    if (video) {
        std::string source = spec.videoFilter;
        if (source.empty()) {
            // testsrc2 draws even sizes only; an odd size is scaled from the next even one.
            int evenWidth = (spec.width + 1) & ~1, evenHeight = (spec.height + 1) & ~1;
            source = "testsrc2=size=" + std::to_string(evenWidth) + "x" +
                     std::to_string(evenHeight) + ":rate=" + spec.frameRate;
            if (evenWidth != spec.width || evenHeight != spec.height)
                source +=
                    ",scale=" + std::to_string(spec.width) + ":" + std::to_string(spec.height);
        }
        args.insert(args.end(), {"-f", "lavfi", "-i", source});
    }
    if (audio) {
        args.insert(args.end(), {"-f", "lavfi", "-i",
                                 "sine=frequency=440:beep_factor=4:sample_rate=" +
                                     std::to_string(spec.sampleRate)});
    }
    if (!video && !audio) {
        if (error)
            *error = "a source needs video or audio";
        return {};
    }
    args.insert(args.end(), {"-t", seconds});
    if (video) {
        args.insert(args.end(), {"-c:v", spec.videoCodec, "-pix_fmt", spec.pixelFormat});
        if (spec.videoFilter.empty())
            args.insert(args.end(), {"-r", spec.frameRate});
        if (spec.gop > 0) {
            args.insert(args.end(), {"-g", std::to_string(spec.gop)});
            if (spec.videoCodec == "libx264")
                args.insert(args.end(),
                            {"-keyint_min", std::to_string(spec.gop), "-sc_threshold", "0"});
        }
        if (spec.videoCodec == "libx264")
            args.insert(args.end(), {"-preset", "veryfast"});
    }
    if (audio) {
        args.insert(args.end(), {"-c:a", spec.audioCodec, "-ac", std::to_string(spec.channels),
                                 "-ar", std::to_string(spec.sampleRate)});
    }
    args.insert(args.end(), spec.extraOutputArgs.begin(), spec.extraOutputArgs.end());
    args.insert(args.end(), {"-f", spec.container, "{out}"});
    std::string extension = spec.container == "matroska" ? "mkv" : spec.container;
    return generateWith(args, extension, error);
}

} // namespace testmedia
