// The preview player on generated media, with SDL's dummy sound driver as the clock and a
// recording stand-in for the preview window.
#include "CTimeline.h"
#include "EngineHarness.h"
#include "MediaGenerators.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <tuple>

namespace {

using namespace std::chrono;
using enginetest::Timeline;
using Clock = steady_clock;

using enginetest::Presented;
using enginetest::Window;
Window& g_window = enginetest::previewWindow();

int onEvent(tagVeldesEvent* event, void* user) {
    return enginetest::recordEditEvent(event, user);
}

} // namespace

namespace {

class EnginePlayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setenv("SDL_AUDIODRIVER", "dummy", 0); }
    void SetUp() override {
        g_window.reset();
        std::lock_guard lock(g_window.mutex);
        g_window.sizes.clear();
        g_window.withdrawn = 0;
        g_window.block = false;
    }

    static std::string clip(int sampleRate, double seconds = 3.0, const std::string& filter = "") {
        testmedia::SourceSpec spec;
        spec.width = 320;
        spec.height = 240;
        spec.seconds = seconds;
        spec.sampleRate = sampleRate;
        spec.gop = 25;
        spec.videoFilter = filter;
        return testmedia::generate(spec);
    }

    int begin(const std::string& path) {
        m_id = m_timeline.add(path);
        EXPECT_GE(m_id, 0);
        tagVeldesEditInfo edit;
        std::memset(&edit, 0, sizeof edit);
        edit.mediaId = m_id;
        edit.aspect = 4.0 / 3.0;
        edit.window = edit.window2 = reinterpret_cast<VeldesWindow>(0x1);
        edit.callback = &onEvent;
        return VeldesEditBegin(m_timeline.handle(), &edit);
    }
    VeldesTimeline h() const { return m_timeline.handle(); }
    size_t frameCount() {
        std::lock_guard lock(g_window.mutex);
        return g_window.frames.size();
    }

    Timeline m_timeline;
    int m_id = -1;
};

// One run proves the pace (positions and pictures follow the sound clock in real time), the
// picture size announced first, nearly every picture shown, and the end event.
TEST_F(EnginePlayer, PlaysInRealTimeAndEnds) {
    ASSERT_EQ(begin(clip(44100)), 0);
    g_window.reset();
    ASSERT_EQ(VeldesPlay(h()), 0);
    ASSERT_TRUE(g_window.waitFor([] { return g_window.ended(); }));
    // Each picture was shown when the sound clock reached it.
    vel::PlayerStats stats = static_cast<vel::CTimeline*>(h())->player()->stats();
    EXPECT_LT(stats.worstOffset, 0.1);
    VeldesEditEnd(h(), 1);

    std::lock_guard lock(g_window.mutex);
    ASSERT_FALSE(g_window.sizes.empty());
    EXPECT_EQ(g_window.sizes.front(), std::make_pair(320, 240));
    EXPECT_GE(g_window.frames.size(), 70u) << "75 pictures in the clip";
    const tagVeldesEvent& last = g_window.events.back();
    EXPECT_EQ(last.subKind, VELDES_SUBKIND_END);
    EXPECT_EQ(last.position, 3000);
    // Pace: between the first event after a second and the last before the end, positions
    // advance as fast as the wall clock, within 10 %.
    int first = -1, final = -1;
    for (size_t i = 0; i + 1 < g_window.events.size(); ++i) {
        if (g_window.events[i].kind != VELDES_EVENT_POSITION || g_window.events[i].subKind != 0)
            continue;
        if (first < 0 && g_window.events[i].position >= 500)
            first = int(i);
        final = int(i);
    }
    ASSERT_GE(first, 0);
    double media = (g_window.events[final].position - g_window.events[first].position) / 1000.0;
    double wall = g_window.eventTimes[final] - g_window.eventTimes[first];
    ASSERT_GT(wall, 1.5);
    EXPECT_NEAR(media / wall, 1.0, 0.1);
}

// Seeking lands on the picture showing at the target, while paused too, and a paused player
// holds its picture and position.
TEST_F(EnginePlayer, SeeksToTheFrameAndHoldsWhilePaused) {
    ASSERT_EQ(begin(clip(44100)), 0);
    ASSERT_EQ(VeldesPlay(h()), 0);
    ASSERT_TRUE(g_window.waitFor([this] { return !g_window.frames.empty(); }));
    VeldesPause(h());
    std::this_thread::sleep_for(milliseconds(100));
    for (int64_t target : {1234, 2960, 0, 455}) {
        size_t before = frameCount();
        VeldesSetCurPos(h(), target, -1);
        ASSERT_TRUE(g_window.waitFor([&] { return g_window.frames.size() > before; }));
        std::this_thread::sleep_for(milliseconds(300));
        std::lock_guard lock(g_window.mutex);
        ASSERT_EQ(g_window.frames.size(), before + 1) << "paused: one picture per seek";
        int64_t shown = g_window.frames.back().positionMs;
        EXPECT_LE(shown, target);
        EXPECT_GT(shown + 40, target) << "the 40 ms picture covering " << target;
    }
    VeldesPlay(h());
    size_t before = frameCount();
    ASSERT_TRUE(g_window.waitFor([&] { return g_window.frames.size() > before + 5; }));
    std::lock_guard lock(g_window.mutex);
    EXPECT_GT(g_window.frames.back().positionMs, 455);
    VeldesEditEnd(h(), 1);
}

// The colour edit and the effect switch change the picture on show, and back.
TEST_F(EnginePlayer, EditsAndTheEffectSwitchRepaintThePausedPicture) {
    ASSERT_EQ(begin(clip(0, 2.0, "color=c=0x808080:s=320x240:r=25")), 0);
    ASSERT_EQ(VeldesPlay(h()), 0);
    ASSERT_TRUE(g_window.waitFor([] { return !g_window.frames.empty(); }));
    VeldesPause(h());
    std::this_thread::sleep_for(milliseconds(100));
    auto lumaAfter = [this](auto change) {
        size_t before = frameCount();
        change();
        EXPECT_TRUE(g_window.waitFor([&] { return g_window.frames.size() > before; }));
        std::lock_guard lock(g_window.mutex);
        return g_window.frames.back().centreLuma;
    };
    int plain = lumaAfter([this] { VeldesRefreshOutputWindow(h()); });
    tagVeldesFilterInfo colour{};
    colour.id = VELDES_FILTER_COLOR;
    colour.brightness = 60;
    int brighter = lumaAfter([&] { VeldesAddFilter(h(), VELDES_FILTER_COLOR, &colour); });
    int original = lumaAfter([this] { VeldesShowVideoEffect(h(), 0); });
    int again = lumaAfter([this] { VeldesShowVideoEffect(h(), 1); });
    EXPECT_GT(brighter, plain + 30);
    EXPECT_NEAR(original, plain, 2);
    EXPECT_EQ(again, brighter);
    VeldesEditEnd(h(), 1);
}

// The picture edits show in the preview as they arrive, on a picture dark on its left half and
// bright on its right: brightness, a horizontal flip, a crop to the bright half and a text
// watermark over the dark half.
TEST_F(EnginePlayer, EditsShowInThePresentedPictures) {
    ASSERT_EQ(begin(clip(0, 2.0, "nullsrc=s=320x240:r=25,geq=lum='if(lt(X,160),40,200)':cb=128:cr=128")), 0);
    ASSERT_EQ(VeldesPlay(h()), 0);
    ASSERT_TRUE(g_window.waitFor([] { return !g_window.frames.empty(); }));
    VeldesPause(h());
    std::this_thread::sleep_for(milliseconds(100));
    auto after = [this](auto change) {
        size_t before = frameCount();
        change();
        EXPECT_TRUE(g_window.waitFor([&] { return g_window.frames.size() > before; }));
    };
    auto halves = [] {
        std::lock_guard lock(g_window.mutex);
        return std::pair{g_window.lumaOf(0.05, 0.3, 0.45, 0.7), g_window.lumaOf(0.55, 0.3, 0.95, 0.7)};
    };
    after([this] { VeldesRefreshOutputWindow(h()); });
    auto [left, right] = halves();
    EXPECT_NEAR(left, 40, 10);
    EXPECT_NEAR(right, 200, 10);

    tagVeldesFilterInfo f{};
    f.id = VELDES_FILTER_FLIP;
    f.flip = 1;
    after([&] { VeldesAddFilter(h(), f.id, &f); });
    std::tie(left, right) = halves();
    EXPECT_GT(left, 150) << "mirrored";
    EXPECT_LT(right, 90);

    f = {};
    f.id = VELDES_FILTER_COLOR;
    f.brightness = 50;
    after([&] { VeldesAddFilter(h(), f.id, &f); });
    EXPECT_GT(halves().second, right + 25) << "brighter";

    f = {};
    f.id = VELDES_FILTER_WATERMARK_TEXT;
    f.x = 200, f.y = 60, f.alpha = 255, f.fontSize = 40;
    f.text = "MMMM";
    f.fontName = "DejaVu Sans";
    f.red = f.green = f.blue = 255;
    after([&] { VeldesAddWatermark(h(), f.id, &f); });
    {
        std::lock_guard lock(g_window.mutex);
        double box = g_window.lumaOf(0.63, 0.25, 0.95, 0.45);
        EXPECT_GT(box, right + 30) << "white text over the dark half";
    }

    tagVeldesFilterInfo crop{};
    crop.id = VELDES_FILTER_CROP;
    crop.left = 160, crop.top = 0, crop.right = 320, crop.bottom = 240;
    after([&] { VeldesAddFilter(h(), crop.id, &crop); });
    crop = {};
    crop.id = VELDES_FILTER_CROP_SCALE;
    crop.scaleEnabled = 1;
    crop.sourceWidth = 320, crop.sourceHeight = 240, crop.cropWidth = 160, crop.cropHeight = 240;
    after([&] { VeldesAddFilter(h(), crop.id, &crop); });
    std::tie(left, right) = halves();
    EXPECT_GT(left, 200) << "only the bright half, over the whole picture";
    VeldesEditEnd(h(), 1);
}

// Snapshots come as top-down BGRA pixels at the requested size or the picture's own.
TEST_F(EnginePlayer, SnapshotsArriveAtTheRequestedSize) {
    ASSERT_EQ(begin(clip(0, 2.0, "color=c=0x2060C0:s=320x240:r=25")), 0);
    ASSERT_EQ(VeldesPlay(h()), 0);
    ASSERT_TRUE(g_window.waitFor([] { return !g_window.frames.empty(); }));
    struct Case {
        bool paused;
        int width, height, wantWidth, wantHeight;
    } cases[] = {{false, 160, 100, 160, 100}, {true, 0, 0, 320, 240}};
    for (const Case& c : cases) {
        if (c.paused)
            VeldesPause(h());
        size_t before;
        {
            std::lock_guard lock(g_window.mutex);
            before = g_window.events.size();
        }
        int r = c.paused ? VeldesGetThumbnailOnPause(h(), c.width, c.height, &onEvent, nullptr)
                         : VeldesGetThumbnail(h(), m_id, c.width, c.height, nullptr);
        ASSERT_EQ(r, 0);
        ASSERT_TRUE(g_window.waitFor([&] {
            for (size_t i = before; i < g_window.events.size(); ++i)
                if (g_window.events[i].kind == VELDES_EVENT_SNAPSHOT)
                    return true;
            return false;
        }));
        std::lock_guard lock(g_window.mutex);
        const tagVeldesEvent* shot = nullptr;
        for (size_t i = before; i < g_window.events.size(); ++i)
            if (g_window.events[i].kind == VELDES_EVENT_SNAPSHOT)
                shot = &g_window.events[i];
        EXPECT_EQ(shot->width, c.wantWidth);
        EXPECT_EQ(shot->height, c.wantHeight);
        const uint8_t* px = g_window.snapshot.data() + (size_t(c.wantHeight / 2) * c.wantWidth +
                                                        c.wantWidth / 2) * 4;
        EXPECT_NEAR(px[0], 0xC0, 8); // blue
        EXPECT_NEAR(px[1], 0x60, 8); // green
        EXPECT_NEAR(px[2], 0x20, 8); // red
    }
    VeldesEditEnd(h(), 1);
}

// A clip stored turned (as phones record upright video) is reported, previewed and snapshot as it
// is meant to be shown: portrait, its red corner top-left.
TEST_F(EnginePlayer, TurnedClipsAreShownUpright) {
    const std::string stored = testmedia::generateWith(
        {"-f", "lavfi", "-i",
         "color=c=blue:s=180x320:r=25:d=2,drawbox=x=0:y=0:w=60:h=60:c=red:t=fill,"
         "transpose=clock",
         "-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "25", "{out}"},
        "mp4");
    ASSERT_FALSE(stored.empty());
    const std::string turned = testmedia::generateWith(
        {"-i", stored, "-c", "copy", "-metadata:s:v", "rotate=90", "{out}"}, "mp4");
    ASSERT_FALSE(turned.empty());
    ASSERT_EQ(begin(turned), 0);
    tagVeldesStreamInfo* streams = nullptr;
    ASSERT_EQ(VeldesGetMediaInfo(h(), m_id, &streams), 1);
    EXPECT_EQ(streams[0].width, 180);
    EXPECT_EQ(streams[0].height, 320);

    ASSERT_EQ(VeldesPlay(h()), 0);
    ASSERT_TRUE(g_window.waitFor([] { return !g_window.frames.empty(); }));
    VeldesPause(h());
    size_t before;
    {
        std::lock_guard lock(g_window.mutex);
        before = g_window.events.size();
    }
    ASSERT_EQ(VeldesGetThumbnailOnPause(h(), 0, 0, &onEvent, nullptr), 0);
    ASSERT_TRUE(g_window.waitFor([&] {
        for (size_t i = before; i < g_window.events.size(); ++i)
            if (g_window.events[i].kind == VELDES_EVENT_SNAPSHOT)
                return true;
        return false;
    }));
    std::lock_guard lock(g_window.mutex);
    int width = 0, height = 0;
    for (size_t i = before; i < g_window.events.size(); ++i)
        if (g_window.events[i].kind == VELDES_EVENT_SNAPSHOT)
            width = g_window.events[i].width, height = g_window.events[i].height;
    ASSERT_EQ(width, 180);
    ASSERT_EQ(height, 320);
    auto redAt = [&](int x, int y) {
        const uint8_t* px = g_window.snapshot.data() + (size_t(y) * width + x) * 4;
        return px[2] > 150 && px[0] < 100; // BGRA
    };
    EXPECT_TRUE(redAt(15, 15));
    EXPECT_FALSE(redAt(width - 15, 15));
    EXPECT_FALSE(redAt(15, height - 15));
    EXPECT_FALSE(redAt(width - 15, height - 15));
    VeldesEditEnd(h(), 1);
}

// Sound without pictures plays to its end; nothing is presented.
TEST_F(EnginePlayer, SoundOnlyPlaysAndEnds) {
    testmedia::SourceSpec spec;
    spec.seconds = 1.0;
    spec.sampleRate = 22050;
    spec.container = "wav";
    spec.audioCodec = "pcm_s16le";
    ASSERT_EQ(begin(testmedia::generate(spec)), 0);
    auto started = Clock::now();
    ASSERT_EQ(VeldesPlay(h()), 0);
    ASSERT_TRUE(g_window.waitFor([] { return g_window.ended(); }));
    EXPECT_GT(duration<double>(Clock::now() - started).count(), 0.9);
    EXPECT_EQ(frameCount(), 0u);
    VeldesEditEnd(h(), 1);
}

// Stopping returns at once: during playback, and while the window keeps a picture's send
// waiting (the stop then withdraws that picture instead of waiting for it).
TEST_F(EnginePlayer, StoppingNeverWaitsForTheWindow) {
    std::string path = clip(44100);
    double worst = 0.0;
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(begin(path), 0);
        VeldesPlay(h());
        std::this_thread::sleep_for(milliseconds(i % 7 * 5));
        auto t0 = Clock::now();
        VeldesEditEnd(h(), 1);
        worst = std::max(worst, duration<double>(Clock::now() - t0).count());
        VeldesRemoveMedia(h(), m_id);
    }
    EXPECT_LT(worst, 0.2);

    ASSERT_EQ(begin(path), 0);
    VeldesPlay(h());
    ASSERT_TRUE(g_window.waitFor([] { return !g_window.frames.empty(); }));
    {
        std::lock_guard lock(g_window.mutex);
        g_window.block = true;
    }
    ASSERT_TRUE(g_window.waitFor([] { return g_window.inSend > 0; }));
    auto t0 = Clock::now();
    VeldesEditEnd(h(), 1);
    EXPECT_LT(duration<double>(Clock::now() - t0).count(), 0.2);
    size_t shown = frameCount();
    {
        std::lock_guard lock(g_window.mutex);
        g_window.block = false;
        g_window.changed.notify_all();
    }
    ASSERT_TRUE(g_window.waitFor([] { return g_window.inSend == 0; }));
    std::this_thread::sleep_for(milliseconds(100));
    std::lock_guard lock(g_window.mutex);
    EXPECT_EQ(g_window.frames.size(), shown) << "no picture after the stop";
}

} // namespace
