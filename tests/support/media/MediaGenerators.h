// Generates test sources with the ffmpeg tool from lavfi sources (testsrc2 pictures, sine tones),
// in the odd sizes, frame rates and sample rates the tests ask for. Generated files are cached
// by content description, so the many small test processes do not encode the same file twice.
#pragma once

#include <string>
#include <vector>

namespace testmedia {

struct SourceSpec {
    int width = 0, height = 0;    // 0 = no video stream
    std::string frameRate = "25"; // as ffmpeg reads it: "25", "30000/1001"
    double seconds = 2.0;
    int sampleRate = 0; // 0 = no audio stream
    int channels = 2;
    std::string container = "mp4"; // muxer name; the file gets the same extension
    std::string videoCodec = "libx264";
    std::string pixelFormat =
        "yuv420p"; // odd sizes need a codec that takes them (ffv1, or yuv444p)
    std::string audioCodec = "aac";
    int gop = 0;             // keyframe interval in frames, 0 = encoder default
    std::string videoFilter; // lavfi video source, default testsrc2 of the size and rate
    std::vector<std::string> extraOutputArgs; // more output options, e.g. {"-b:v", "2M"}
};

// ffmpeg input and output options (before "{out}") of a 640x480 H.264 source with a tone whose
// content changes every `segmentSeconds`: still bars, a hard fractal, a test pattern, gradients.
std::vector<std::string> changingContentArgs(int segmentSeconds);

// Path of a file matching `spec`, generated on first use; empty when ffmpeg failed (the
// tool's message is in *error when given).
std::string generate(const SourceSpec& spec, std::string* error = nullptr);

// Runs ffmpeg with `args` (after "-y -hide_banner -loglevel error") writing `path`; for inputs
// the specs above do not cover (images, odd files). Returns true on success.
bool runFfmpeg(const std::vector<std::string>& args, std::string* error = nullptr);

// Cached variant of runFfmpeg: `args` must end with the output path placeholder "{out}"; the
// result lands in the cache under a name derived from the arguments and `extension`.
std::string generateWith(const std::vector<std::string>& args, const std::string& extension,
                         std::string* error = nullptr);

// The folder of cached media ($MOVARA_MEDIA_CACHE, else a per-user folder under /tmp).
std::string cacheDir();

} // namespace testmedia
