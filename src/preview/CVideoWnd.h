// The video surface pane of the main window: the codec engine's renderer presents decoded frames
// here (messages 1426 and 3036, sent from an engine thread and handled on this window's thread).
//
// The display objects are the frame's planes kept in a surface of the video's size, planar
// YUV 4:2:0 ("YV12": Y, then V, then U) or, where that cannot be had, 32-bit RGB; each present
// copies the frame into the surface and scales it once to the pane's size, so that painting is a
// single image draw. The copy is what lets a frame outlive the engine's send. An SDL mutex guards
// the display objects, so a frame is never presented into objects that are being replaced.
#pragma once

#include "CBaseWnd.h"
#include "MessageTarget.h"

#include <QImage>

#include <cstdint>
#include <vector>

struct SDL_mutex;
struct SwsContext;
struct tagVeldesFrame;

class CVideoWnd : public CBaseWnd, public MessageTarget {
public:
    static constexpr int kPaneId = 111;
    static constexpr int kInset = 5; // the surface sits this far inside its layout rectangle
    static constexpr unsigned kMsgRepaintPaused = 4716; // to the parent, while paused
    // Display states, as the main window sets them.
    static constexpr int kIdle = 0;
    static constexpr int kPlaying = 3;
    static constexpr int kPaused = 4;
    enum class Surface { None, Yv12, Rgb32 };

    explicit CVideoWnd(CBaseSkin* skin = nullptr);
    ~CVideoWnd() override;
    bool Create(const QString& name, unsigned style, QWidget* parent, int id) override;

    void SetDisplayState(int state);
    int DisplayState() const { return m_state; }
    void SetVideo(bool hasVideo, int width, int height);
    bool HasVideo() const { return m_hasVideo; }
    int VideoWidth() const { return m_videoWidth; }
    int VideoHeight() const { return m_videoHeight; }
    // 0 when a surface of the video's size exists afterwards, else nonzero (then nothing is
    // presented and the pane paints black).
    int BuildDisplayObjects();
    void ReleaseDisplayObjects();
    Surface SurfaceKind() const { return m_surfaceKind; }
    // False makes every build take the RGB path, as on a display without planar surfaces.
    void SetPlanarSurfaceAllowed(bool allowed) { m_planarAllowed = allowed; }

    intptr_t onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

    // The values kept on behalf of the renderer.
    double ScaleValue(int index) const { return m_scales[index]; }
    int32_t IntValue(int index) const { return m_ints[index]; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    intptr_t OnRender(const struct tagVeldesRenderRequest* request);
    void Present(const tagVeldesFrame* frame);
    // The surface scaled to the pane into m_scaled; mutex held.
    void ScaleToPane();

    SDL_mutex* m_mutex = nullptr;
    int m_state = kIdle;
    bool m_hasVideo = true;
    int m_videoWidth = 0;
    int m_videoHeight = 0;
    bool m_planarAllowed = true;
    // Display objects (under m_mutex).
    Surface m_surfaceKind = Surface::None;
    std::vector<uint8_t> m_planar; // Y rows of m_pitch bytes, then V and U at half the pitch
    int m_pitch = 0;
    QImage m_rgb;      // the RGB surface
    QImage m_scaled;   // the surface at the pane's size, what painting draws
    bool m_hasFrame = false;
    SwsContext* m_scaler = nullptr;
    // A paint that follows a present shows the new frame and asks for nothing more.
    bool m_presented = false;
    double m_scales[2] = {1.0, 1.0};
    int32_t m_ints[3] = {0, 0, 0};
};
