// Feeds arbitrary bytes to the codec engine as a media file: the add (open and probe), the stream
// and duration queries, the size estimate, and a run of the first second into a small output,
// as the program does with a file a user adds and converts. A run that never ends is a finding.
#include "CRunWorker.h"
#include "velcodecapi.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

// The engine's only way out to a host: there are no windows here.
extern "C" intptr_t VelSendMessage(VeldesWindow, unsigned int, uintptr_t, intptr_t) {
    return 0;
}

namespace {

struct RunEnd {
    std::mutex mutex;
    std::condition_variable changed;
    int lastId = -1;
    bool ended = false;
};

int onEvent(tagVeldesEvent* event, void* user) {
    auto* end = static_cast<RunEnd*>(user);
    if (event->mediaId == end->lastId && (event->progress >= 10000 || event->status < 0)) {
        std::lock_guard lock(end->mutex);
        end->ended = true;
        end->changed.notify_all();
    }
    return 0;
}

const std::string& workFolder() {
    static const std::string folder = [] {
        std::string path = (std::filesystem::temp_directory_path() /
                            ("movara-engine-fuzz-" + std::to_string(getpid())))
                               .string();
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

void convertFirstSecond(VeldesTimeline timeline, int id, const tagVeldesStreamInfo* streams,
                        int count) {
    bool video = false, audio = false;
    for (int i = 0; i < count; ++i) {
        video |= streams[i].type == VELDES_STREAM_VIDEO;
        audio |= streams[i].type == VELDES_STREAM_AUDIO;
    }
    // A small, quick output: MPEG-4 pictures and PCM sound in AVI.
    tagVeldesExportSetting setting;
    std::memset(&setting, 0xFF, sizeof setting);
    setting.videoCodec = video ? VELDES_VCODEC_MPEG4 : 0;
    setting.videoBitrate = 200000;
    setting.width = 96;
    setting.height = 72;
    setting.frameRate = 10.0;
    setting.aspect = 4.0 / 3.0;
    setting.videoValues[0] = setting.videoValues[1] = 0;
    setting.videoQuality = 50;
    setting.audioCodec = audio ? VELDES_ACODEC_PCM_S16LE : 0;
    setting.audioBitrate = 8000 * 16;
    setting.sampleRate = 8000;
    setting.channels = 1;
    setting.bitsPerSample = 16;
    setting.audioValues[0] = setting.audioValues[1] = 0;
    setting.audioQuality = 50;
    std::snprintf(setting.format, sizeof setting.format, "avi");
    std::snprintf(setting.extension, sizeof setting.extension, "avi");
    VeldesSetExportSetting(timeline, id, &setting);
    int64_t bytes = 0;
    VeldesGetMediaEncodedSize(timeline, id, &bytes);
    VeldesSetMediaBeginPos(timeline, id, 0);
    VeldesSetMediaStopPos(timeline, id, 1000);

    RunEnd end;
    end.lastId = id;
    tagVeldesExportInfo info;
    std::memset(&info, 0, sizeof info);
    info.callback = &onEvent;
    info.user = &end;
    info.videoCodec = setting.videoCodec;
    info.videoBitrate = setting.videoBitrate;
    info.width = setting.width;
    info.height = setting.height;
    info.frameRate = setting.frameRate;
    info.aspect = setting.aspect;
    info.audioCodec = setting.audioCodec;
    info.audioBitrate = setting.audioBitrate;
    info.sampleRate = setting.sampleRate;
    info.channels = setting.channels;
    info.bitsPerSample = 16;
    std::snprintf(info.format, sizeof info.format, "avi");
    const std::string output = workFolder() + "/out.avi";
    std::snprintf(info.outputPath, sizeof info.outputPath, "%s", output.c_str());
    info.replaceExisting = 1;
    if (VeldesRun(timeline, &id, 1, &info) < 0)
        return;
    std::unique_lock lock(end.mutex);
    // One second of a tiny output takes well under this; a run that does not end has hung.
    if (!end.changed.wait_for(lock, std::chrono::seconds(60), [&] { return end.ended; })) {
        std::fprintf(stderr, "engine_fuzzer: the run did not end\n");
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input = workFolder() + "/input";
    if (FILE* file = std::fopen(input.c_str(), "wb")) {
        if (size)
            std::fwrite(data, 1, size, file);
        std::fclose(file);
    } else {
        return 0;
    }
    VeldesTimeline timeline = CreateTimeline(1);
    tagVeldesTrackInfo track;
    std::memset(&track, 0, sizeof track);
    track.option = 1;
    track.path = input.c_str();
    const int id = VeldesAddMedia2(timeline, &track, nullptr, 0);
    if (id >= 0) {
        tagVeldesStreamInfo* streams = nullptr;
        const int count = VeldesGetMediaInfo(timeline, id, &streams);
        int64_t duration = 0;
        VeldesGetMediaDuration(timeline, id, &duration);
        if (count > 0)
            convertFirstSecond(timeline, id, streams, count);
    }
    DestroyTimeline(timeline);
    // A run whose last callback was still returning is let go, not joined: wait until it is
    // gone, so each input starts with the engine at rest (and leak checks see no run midway).
    while (vel::CRunWorker::threadsAlive() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::filesystem::remove(workFolder() + "/out.avi");
    return 0;
}
