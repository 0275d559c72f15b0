// The video surface: the renderer's requests, presenting planar frames fitted into the pane (planar
// surface and the RGB fallback), following a frame of another size, and painting by state.
#include "CVideoWnd.h"

#include "MessageTarget.h"
#include "velcodecapi.h"

#include "CVelSkin.h"
#include "QtTestSupport.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <vector>

namespace {

// The pane's parent: counts the repaint requests of the paused state.
class Host : public QWidget, public MessageTarget {
public:
    intptr_t onMessage(unsigned msg, uintptr_t, intptr_t) override {
        repaintRequests += msg == CVideoWnd::kMsgRepaintPaused;
        return 0;
    }
    int repaintRequests = 0;
};

// A planar 4:2:0 picture with padded rows: left half red, right half blue.
struct Picture {
    Picture(int w, int h) {
        const int cw = (w + 1) / 2, ch = (h + 1) / 2;
        frame = {w, h, 0, 0, {}, {w + 7, cw + 5, cw + 5}};
        for (int plane = 0; plane < 3; ++plane) {
            const int rows = plane ? ch : h, columns = plane ? cw : w;
            bytes[plane].assign(size_t(frame.pitches[plane]) * rows, 0);
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < columns; ++x)
                    bytes[plane][y * frame.pitches[plane] + x] =
                        kRedBlue[plane][x < columns / 2 ? 0 : 1];
            frame.planes[plane] = bytes[plane].data();
        }
    }
    static constexpr uint8_t kRedBlue[3][2] = {{81, 41}, {90, 240}, {240, 110}}; // Y, U, V
    tagVeldesFrame frame;
    std::vector<uint8_t> bytes[3];
};

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 12 && std::abs(a.green() - b.green()) <= 12 &&
           std::abs(a.blue() - b.blue()) <= 12;
}

class VideoWnd : public ::testing::Test {
protected:
    void SetUp() override {
        testApp();
        ASSERT_GE(theSkin().Load(std::string(MOVARA_BIN_DIR) + "/skin/Default.skin"), 0);
        ASSERT_TRUE(surface.Create(QStringLiteral("VideoWindow"), 0, &host, CVideoWnd::kPaneId));
        host.resize(400, 300);
        surface.setGeometry(0, 0, 160, 120);
        host.show();
    }
    intptr_t render(int type, intptr_t value = 0, int64_t slot1 = 0, int64_t slot2 = 0) {
        tagVeldesRenderRequest request{type, value, slot1, slot2};
        return sendMessage(surface.handle(), VELDES_MSG_RENDER, 0,
                           reinterpret_cast<intptr_t>(&request));
    }
    intptr_t present(const tagVeldesFrame& frame) {
        return render(VELDES_RENDER_PRESENT, reinterpret_cast<intptr_t>(&frame));
    }
    static int64_t ptr(void* p) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(p)); }

    Host host;
    CVideoWnd surface;
};

} // namespace

TEST_F(VideoWnd, KeepsAndAnswersTheRenderersValues) {
    EXPECT_EQ(sendMessage(surface.handle(), VELDES_MSG_RENDER, 0, 0), -4);
    EXPECT_EQ(render(VELDES_RENDER_STORE_INTS, 7, 0x100000009LL), 0);
    EXPECT_EQ(surface.IntValue(0), 9);
    EXPECT_EQ(surface.IntValue(1), 7);
    render(VELDES_RENDER_STORE_THIRD, 12);
    EXPECT_EQ(surface.IntValue(2), 12);
    render(VELDES_RENDER_STORE_THIRD, -1);
    EXPECT_EQ(surface.IntValue(2), 0);

    double first = 0, second = 0;
    render(VELDES_RENDER_GET_SCALES, 0, ptr(&first), ptr(&second));
    EXPECT_EQ(first, 1.0);
    EXPECT_EQ(second, 1.0);
    render(VELDES_RENDER_STORE_SCALES, 0, std::bit_cast<int64_t>(0.75), std::bit_cast<int64_t>(2.5));
    render(VELDES_RENDER_GET_SCALES, 0, 0, ptr(&second)); // a null place is skipped
    EXPECT_EQ(second, 2.5);
    EXPECT_EQ(surface.ScaleValue(0), 0.75);

    // The client size rounded down to even numbers.
    surface.setGeometry(0, 0, 161, 79);
    int32_t w = 0, h = 0;
    render(VELDES_RENDER_CLIENT_SIZE, 0, ptr(&w), ptr(&h));
    EXPECT_EQ(w, 160);
    EXPECT_EQ(h, 78);
    EXPECT_EQ(render(99), 0);
}

TEST_F(VideoWnd, PresentsFramesScaledToThePaneOnEitherSurface) {
    struct Case {
        const char* name;
        bool planar;
        CVideoWnd::Surface kind;
        int width, height; // of the frame; the surface was built for 64 x 48
    };
    const Case cases[] = {
        {"planar surface", true, CVideoWnd::Surface::Yv12, 64, 48},
        {"RGB fallback", false, CVideoWnd::Surface::Rgb32, 64, 48},
        // 11:7 in a 4:3 pane: the picture keeps its shape between black bars.
        {"odd frame of another size", true, CVideoWnd::Surface::Yv12, 33, 21},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        surface.SetPlanarSurfaceAllowed(c.planar);
        sendMessage(surface.handle(), VELDES_MSG_VIDEO_SIZE, 64, 48);
        ASSERT_EQ(surface.SurfaceKind(), c.kind);
        surface.SetDisplayState(CVideoWnd::kPlaying);
        const Picture picture(c.width, c.height);
        EXPECT_EQ(present(picture.frame), 0);
        EXPECT_EQ(surface.VideoWidth(), c.width);
        EXPECT_EQ(surface.VideoHeight(), c.height);
        const QImage shot = surface.grab().toImage();
        ASSERT_EQ(shot.size(), QSize(160, 120));
        EXPECT_TRUE(near(shot.pixelColor(30, 60), QColor(255, 0, 0))) << shot.pixelColor(30, 60).name().toStdString();
        EXPECT_TRUE(near(shot.pixelColor(130, 60), QColor(0, 0, 255))) << shot.pixelColor(130, 60).name().toStdString();
        const bool bars = c.width * 3 != c.height * 4;
        EXPECT_TRUE(near(shot.pixelColor(2, 2), bars ? QColor(0, 0, 0) : QColor(255, 0, 0)));
        EXPECT_TRUE(near(shot.pixelColor(157, 117), bars ? QColor(0, 0, 0) : QColor(0, 0, 255)));
        EXPECT_TRUE(near(shot.pixelColor(2, 60), QColor(255, 0, 0)));
    }
    // A frame whose pitches are shorter than its width is not read.
    Picture bad(64, 48);
    bad.frame.pitches[1] = 10;
    EXPECT_EQ(present(bad.frame), 0);
    bad.frame.pitches[1] = 37;
    bad.frame.planes[2] = nullptr;
    EXPECT_EQ(present(bad.frame), 0);
    const QImage kept = surface.grab().toImage();
    EXPECT_TRUE(near(kept.pixelColor(30, 60), QColor(255, 0, 0)));
    EXPECT_TRUE(near(kept.pixelColor(130, 60), QColor(0, 0, 255)));
}

TEST_F(VideoWnd, PaintsByStateAndRebuildsOn3036) {
    const QColor black(0, 0, 0);
    surface.SetVideo(true, 64, 48);
    surface.BuildDisplayObjects();
    const Picture picture(64, 48);
    present(picture.frame);
    struct Case {
        const char* name;
        int state;
        bool hasVideo;
        bool frame;    // the presented picture shows
        int requests;  // 4716 sent to the parent
    };
    const Case cases[] = {
        {"idle", CVideoWnd::kIdle, true, false, 0},
        {"playing", CVideoWnd::kPlaying, true, true, 0},
        {"paused", CVideoWnd::kPaused, true, true, 1},
        {"paused without video", CVideoWnd::kPaused, false, false, 0},
        {"playing without video", CVideoWnd::kPlaying, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        surface.SetVideo(c.hasVideo, 64, 48);
        surface.SetDisplayState(c.state);
        host.repaintRequests = 0;
        const QImage shot = surface.grab().toImage();
        EXPECT_EQ(host.repaintRequests, c.requests);
        EXPECT_EQ(near(shot.pixelColor(30, 60), QColor(255, 0, 0)), c.frame);
        if (!c.frame)
            EXPECT_EQ(shot.pixelColor(30, 60), black);
    }
    // The paused frame presented again paints without asking once more.
    host.repaintRequests = 0;
    surface.SetVideo(true, 64, 48);
    surface.SetDisplayState(CVideoWnd::kPaused);
    present(picture.frame);
    surface.grab();
    EXPECT_EQ(host.repaintRequests, 0);

    // 3036 while idle: a surface of the new size, and the item counts as having video.
    surface.SetDisplayState(CVideoWnd::kIdle);
    surface.ReleaseDisplayObjects();
    surface.SetVideo(false, 0, 0);
    EXPECT_EQ(sendMessage(surface.handle(), VELDES_MSG_VIDEO_SIZE, 320, 180), 0);
    EXPECT_TRUE(surface.HasVideo());
    EXPECT_EQ(surface.VideoWidth(), 320);
    EXPECT_EQ(surface.VideoHeight(), 180);
    EXPECT_EQ(surface.SurfaceKind(), CVideoWnd::Surface::Yv12);
    EXPECT_EQ(surface.grab().toImage().pixelColor(30, 60), black);
}
