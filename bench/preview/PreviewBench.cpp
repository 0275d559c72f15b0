// preview-bench: the preview player on a generated 1080p25 H.264 + AAC clip of 20 s, presented into an
// 800 x 450 picture the way the preview pane does it (planes copied, then scaled to BGRA). Prints
//   first-frame <ms>        from opening the preview edit to the first picture handed over
//   seek <ms>               median over seeks while playing, from the call to the new picture
//   presented <frames>, dropped <frames>   over 10 s of playing (250 pictures are due)
//   cpu <percent>           of one core, while playing
//   av-offset <ms>          largest distance of a shown picture from the sound clock
//   cpu-ratio <ratio>       processor time against `ffmpeg -re` decoding and scaling the same
//                           10 s to 800 x 450 (the work of showing it, without a window)
// Targets: first frame < 150 ms, seek < 100 ms, 0 dropped, offset within 40 ms.
#include "CTimeline.h"
#include "MediaGenerators.h"
#include "ToolRunner.h"
#include "velcodecapi.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

struct Pane {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<Clock::time_point, int64_t>> shown; // when, position
    std::vector<uint8_t> surface, image;
    SwsContext* scaler = nullptr;
} g_pane;

double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

extern "C" intptr_t VelSendMessage(VeldesWindow, unsigned int msg, uintptr_t, intptr_t lParam) {
    if (msg != VELDES_MSG_RENDER)
        return 0;
    auto* request = reinterpret_cast<const tagVeldesRenderRequest*>(lParam);
    auto* frame = reinterpret_cast<const tagVeldesFrame*>(request->value);
    if (!frame)
        return 0;
    std::lock_guard lock(g_pane.mutex);
    // What the pane does: keep the planes, then scale them to its picture.
    const int w = frame->width, h = frame->height;
    g_pane.surface.resize(size_t(w) * h * 3 / 2);
    uint8_t* out = g_pane.surface.data();
    const int widths[3] = {w, w / 2, w / 2}, heights[3] = {h, h / 2, h / 2};
    const uint8_t* planes[3];
    int strides[3];
    for (int p = 0; p < 3; ++p) {
        planes[p] = out;
        strides[p] = widths[p];
        for (int y = 0; y < heights[p]; ++y, out += widths[p])
            std::memcpy(out, frame->planes[p] + size_t(y) * frame->pitches[p], size_t(widths[p]));
    }
    g_pane.scaler = sws_getCachedContext(g_pane.scaler, w, h, AV_PIX_FMT_YUV420P, 800, 450,
                                         AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    g_pane.image.resize(800 * 450 * 4);
    uint8_t* dst[4] = {g_pane.image.data()};
    int dstStride[4] = {800 * 4};
    sws_scale(g_pane.scaler, planes, strides, 0, h, dst, dstStride);
    g_pane.shown.emplace_back(Clock::now(), frame->positionMs);
    g_pane.changed.notify_all();
    return 0;
}

static int onEvent(tagVeldesEvent*, void*) {
    return 0;
}

int main() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    testmedia::SourceSpec spec;
    spec.width = 1920;
    spec.height = 1080;
    spec.seconds = 20.0;
    spec.sampleRate = 48000;
    spec.gop = 25; // a keyframe a second, as cameras and phones write them
    std::string error;
    std::string clip = testmedia::generate(spec, &error);
    if (clip.empty()) {
        std::fprintf(stderr, "cannot generate the clip: %s\n", error.c_str());
        return 2;
    }
    VeldesTimeline timeline = CreateTimeline(1);
    tagVeldesTrackInfo track{};
    track.option = 1;
    track.path = clip.c_str();
    int id = VeldesAddMedia2(timeline, &track, nullptr, 0);
    tagVeldesEditInfo edit{};
    edit.mediaId = id;
    edit.aspect = 4.0 / 3.0;
    edit.window = edit.window2 = reinterpret_cast<VeldesWindow>(0x1);
    edit.callback = &onEvent;

    auto waitShown = [](size_t count) {
        std::unique_lock lock(g_pane.mutex);
        g_pane.changed.wait_for(lock, std::chrono::seconds(10),
                                [&] { return g_pane.shown.size() >= count; });
        return g_pane.shown.size() >= count ? g_pane.shown[count - 1].first : Clock::now();
    };

    // Play click to first picture, five times.
    std::vector<double> firsts;
    for (int i = 0; i < 5; ++i) {
        {
            std::lock_guard lock(g_pane.mutex);
            g_pane.shown.clear();
        }
        auto t0 = Clock::now();
        VeldesEditBegin(timeline, &edit);
        VeldesPlay(timeline);
        firsts.push_back(ms(waitShown(1) - t0));
        VeldesEditEnd(timeline, 1);
    }
    std::sort(firsts.begin(), firsts.end());

    // Ten seconds of playing.
    {
        std::lock_guard lock(g_pane.mutex);
        g_pane.shown.clear();
    }
    VeldesEditBegin(timeline, &edit);
    double cpu0 = cpuSeconds(RUSAGE_SELF);
    auto t0 = Clock::now();
    VeldesPlay(timeline);
    std::this_thread::sleep_for(std::chrono::seconds(10));
    double cpu = cpuSeconds(RUSAGE_SELF) - cpu0;
    double wall = ms(Clock::now() - t0) / 1000.0;
    size_t presented;
    {
        std::lock_guard lock(g_pane.mutex);
        presented = g_pane.shown.size();
    }
    vel::PlayerStats stats = static_cast<vel::CTimeline*>(timeline)->player()->stats();

    // Seeks while playing.
    std::vector<double> seeks;
    for (int64_t target : {2000, 15000, 7000, 12500, 1000, 18000, 4000, 9000, 16500, 3000}) {
        size_t before;
        {
            std::lock_guard lock(g_pane.mutex);
            before = g_pane.shown.size();
        }
        auto s0 = Clock::now();
        VeldesSetCurPos(timeline, target, -1);
        Clock::time_point landed = Clock::now();
        {
            std::unique_lock lock(g_pane.mutex);
            g_pane.changed.wait_for(lock, std::chrono::seconds(5), [&] {
                for (size_t i = before; i < g_pane.shown.size(); ++i)
                    if (std::llabs(g_pane.shown[i].second - target) <= 40) {
                        landed = g_pane.shown[i].first;
                        return true;
                    }
                return false;
            });
        }
        seeks.push_back(ms(landed - s0));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    std::sort(seeks.begin(), seeks.end());
    VeldesEditEnd(timeline, 1);
    DestroyTimeline(timeline);

    // The command line decoding and scaling the same ten seconds at real-time pace.
    double child0 = cpuSeconds(RUSAGE_CHILDREN);
    std::string command = "ffmpeg -hide_banner -loglevel error -re -t 10 -i '" + clip +
                          "' -vf scale=800:450 -pix_fmt bgra -f null - </dev/null";
    int status = std::system(command.c_str());
    double ffmpegCpu = cpuSeconds(RUSAGE_CHILDREN) - child0;

    std::printf("first-frame %.1f ms\n", firsts[firsts.size() / 2]);
    std::printf("seek %.1f ms\n", seeks[seeks.size() / 2]);
    std::printf("seek-worst %.1f ms\n", seeks.back());
    std::printf("presented %zu frames\n", presented);
    std::printf("dropped %lld frames\n", static_cast<long long>(stats.dropped));
    std::printf("cpu %.1f percent\n", 100.0 * cpu / wall);
    std::printf("av-offset %.1f ms\n", stats.worstOffset * 1000.0);
    if (status == 0 && ffmpegCpu > 0)
        std::printf("cpu-ratio %.2f ratio\n", cpu / ffmpegCpu);
    bool met = firsts[firsts.size() / 2] < 150 && seeks[seeks.size() / 2] < 100 &&
               stats.dropped == 0 && stats.worstOffset <= 0.040;
    return met ? 0 : 1;
}
