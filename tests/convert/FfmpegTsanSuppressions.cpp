#include "FfmpegTsanSuppressions.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

// Read by ThreadSanitizer at start-up of this test program.
extern "C" const char* __tsan_default_suppressions() {
    return kFfmpegTsanSuppressions;
}

std::string childTsanOptions() {
    const char* current = std::getenv("TSAN_OPTIONS");
    std::string options = current ? current : "";
    if (options.find("suppressions=") != std::string::npos) {
        return options;
    }
    // Written once, removed when this process ends.
    struct File {
        std::string path = "/tmp/movara-ffmpeg-tsan-" + std::to_string(::getpid()) + ".supp";
        File() { std::ofstream(path) << kFfmpegTsanSuppressions; }
        ~File() { ::unlink(path.c_str()); }
    };
    static const File file;
    return (options.empty() ? "" : options + " ") + "suppressions=" + file.path;
}
