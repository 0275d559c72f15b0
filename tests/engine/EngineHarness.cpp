#include "EngineHarness.h"

#include "MediaGenerators.h"

#include <algorithm>
#include <cstring>

#include <sys/resource.h>

namespace enginetest {

tagVeldesExportInfo exportInfo(const OutputSpec& s, const std::string& outputPath) {
    tagVeldesExportInfo info;
    std::memset(&info, 0, sizeof info);
    info.videoCodec = s.videoCodec;
    info.videoBitrate = s.videoBitrate;
    info.width = s.width;
    info.height = s.height;
    info.frameRate = s.frameRate;
    info.aspect = s.aspect;
    info.audioCodec = s.audioCodec;
    info.audioBitrate = s.audioBitrate;
    info.sampleRate = s.sampleRate;
    info.channels = s.channels;
    info.bitsPerSample = 16;
    std::strncpy(info.format, s.format.c_str(), sizeof info.format - 1);
    std::strncpy(info.outputPath, outputPath.c_str(), sizeof info.outputPath - 1);
    return info;
}

void RunRecorder::attach(tagVeldesExportInfo* info) {
    info->callback = &RunRecorder::callback;
    info->user = this;
}

int RunRecorder::callback(tagVeldesEvent* event, void* user) {
    auto* self = static_cast<RunRecorder*>(user);
    if (self->onEvent)
        self->onEvent(*event);
    std::lock_guard lock(self->m_mutex);
    self->m_events.push_back(*event);
    if (event->mediaId == self->m_lastId && (event->status < 0 || event->progress == 10000)) {
        self->m_ended = true;
        self->m_succeeded = event->status >= 0;
    }
    self->m_changed.notify_all();
    return 0;
}

bool RunRecorder::wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_ended; });
}

bool RunRecorder::ended() const {
    std::lock_guard lock(m_mutex);
    return m_ended;
}

bool RunRecorder::succeeded() const {
    std::lock_guard lock(m_mutex);
    return m_succeeded;
}

std::vector<tagVeldesEvent> RunRecorder::events() const {
    std::lock_guard lock(m_mutex);
    return m_events;
}

int Timeline::add(const std::string& path) {
    tagVeldesTrackInfo track;
    std::memset(&track, 0, sizeof track);
    track.option = 1;
    track.path = path.c_str();
    return VeldesAddMedia2(m_handle, &track, nullptr, 0);
}

int Timeline::runAndWait(const std::vector<int>& ids, tagVeldesExportInfo info,
                         RunRecorder* recorder) {
    recorder->attach(&info);
    int runId = VeldesRun(m_handle, ids.data(), int(ids.size()), &info);
    if (runId >= 0)
        recorder->wait();
    return runId;
}

std::string sourcePath(int width, int height, const std::string& rate, double seconds,
                       int sampleRate) {
    testmedia::SourceSpec spec;
    spec.width = width;
    spec.height = height;
    spec.frameRate = rate;
    spec.seconds = seconds;
    spec.sampleRate = sampleRate;
    return testmedia::generate(spec);
}

double Window::lumaOf(double x0, double y0, double x1, double y1) const {
    if (frames.empty())
        return -1.0;
    const int w = frames.back().width, h = frames.back().height;
    double sum = 0.0;
    int count = 0;
    for (int y = int(y0 * h); y < int(y1 * h); ++y)
        for (int x = int(x0 * w); x < int(x1 * w); ++x, ++count)
            sum += luma[size_t(y) * w + x];
    return count ? sum / count : -1.0;
}

Window& previewWindow() {
    // Never destroyed: a player's threads are let go without a join when it stops, so one may
    // have recorded here last with nothing ordering that before the process's exit.
    static Window& window = *new Window;
    return window;
}

int recordEditEvent(tagVeldesEvent* event, void*) {
    Window& g_window = previewWindow();
    std::lock_guard lock(g_window.mutex);
    g_window.events.push_back(*event);
    g_window.eventTimes.push_back(g_window.now());
    if (event->kind == VELDES_EVENT_SNAPSHOT) {
        auto* p = static_cast<const uint8_t*>(event->pixels);
        g_window.snapshot.assign(p, p + size_t(event->width) * event->height * 4);
    }
    g_window.changed.notify_all();
    return 0;
}

} // namespace enginetest

// The host's window message, as the engine sees it.
extern "C" intptr_t VelSendMessage(VeldesWindow, unsigned int msg, uintptr_t wParam,
                                   intptr_t lParam) {
    enginetest::Window& g_window = enginetest::previewWindow();
    std::unique_lock lock(g_window.mutex);
    ++g_window.inSend;
    g_window.changed.notify_all();
    g_window.changed.wait(lock, [&] { return !g_window.block; });
    --g_window.inSend;
    if (msg == VELDES_MSG_VIDEO_SIZE) {
        g_window.sizes.emplace_back(int(wParam), int(lParam));
    } else if (msg == VELDES_MSG_RENDER) {
        auto* request = reinterpret_cast<const tagVeldesRenderRequest*>(lParam);
        // Read as the engine withdraws it: this stand-in runs on the sending thread.
        auto* frame = reinterpret_cast<const tagVeldesFrame*>(
            __atomic_load_n(&request->value, __ATOMIC_ACQUIRE));
        if (!frame) {
            ++g_window.withdrawn;
        } else {
            int cx = frame->width / 2, cy = frame->height / 2;
            g_window.frames.push_back({g_window.now(), frame->positionMs, frame->width,
                                       frame->height,
                                       frame->planes[0][size_t(cy) * frame->pitches[0] + cx]});
            g_window.luma.resize(size_t(frame->width) * frame->height);
            for (int y = 0; y < frame->height; ++y)
                std::copy_n(frame->planes[0] + size_t(y) * frame->pitches[0], frame->width,
                            g_window.luma.data() + size_t(y) * frame->width);
        }
    }
    g_window.changed.notify_all();
    return 0;
}



namespace enginetest {

std::string oddSource(int width, int height, const std::string& rate, double seconds,
                      int sampleRate) {
    testmedia::SourceSpec spec;
    spec.width = width;
    spec.height = height;
    spec.frameRate = rate;
    spec.seconds = seconds;
    spec.sampleRate = sampleRate;
    spec.container = "matroska";
    spec.videoCodec = "ffv1";
    spec.audioCodec = "pcm_s16le"; // no encoder delay: the source lasts exactly `seconds`
    return testmedia::generate(spec);
}

int measuredSize(VeldesTimeline timeline, int mediaId, int64_t* bytes,
                 std::chrono::milliseconds timeout) {
    struct Wait {
        std::mutex mutex;
        std::condition_variable done;
        bool over = false;
    };
    auto wait = std::make_shared<Wait>(); // outlives a measurement that comes too late
    auto* keep = new std::shared_ptr<Wait>(wait);
    auto signal = [](tagVeldesEvent*, void* user) {
        auto* w = static_cast<std::shared_ptr<Wait>*>(user);
        {
            std::lock_guard lock((*w)->mutex);
            (*w)->over = true;
            (*w)->done.notify_all();
        }
        delete w;
        return 0;
    };
    int r = VeldesMeasureMediaEncodedSize(timeline, mediaId, signal, keep);
    if (r != 0)
        delete keep;
    if (r < 0)
        return -1;
    if (r == 0) {
        std::unique_lock lock(wait->mutex);
        if (!wait->done.wait_for(lock, timeout, [&] { return wait->over; }))
            return -1;
    }
    return VeldesGetMediaEncodedSize(timeline, mediaId, bytes);
}

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace enginetest
