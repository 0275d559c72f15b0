#include "CVideoWnd.h"

#include "PaneMessages.h"

#include "velcodecapi.h"
#include "velcodecutil.h"

#include <SDL_mutex.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

namespace {

// Frames beyond this are refused rather than allocated (no display shows more).
constexpr int kMaxFrameSide = 16384;

class MutexLock {
public:
    explicit MutexLock(SDL_mutex* mutex) : m_mutex(mutex) { SDL_mutexP(m_mutex); }
    ~MutexLock() { SDL_mutexV(m_mutex); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    SDL_mutex* m_mutex;
};

int chroma(int size) {
    return (size + 1) / 2;
}

// Whether the frame's planes can be read for its own width and height.
bool readableFrame(const tagVeldesFrame& frame) {
    if (frame.width <= 0 || frame.height <= 0 || frame.width > kMaxFrameSide ||
        frame.height > kMaxFrameSide)
        return false;
    for (int i = 0; i < 3; ++i)
        if (!frame.planes[i])
            return false;
    return frame.pitches[0] >= frame.width && frame.pitches[1] >= chroma(frame.width) &&
           frame.pitches[2] >= chroma(frame.width);
}

} // namespace

CVideoWnd::CVideoWnd(CBaseSkin* skin) : CBaseWnd(skin), m_mutex(SDL_CreateMutex()) {}

CVideoWnd::~CVideoWnd() {
    // An engine thread blocked in a send to this window returns from here on.
    stopMessages();
    ReleaseDisplayObjects();
    SDL_DestroyMutex(m_mutex);
}

bool CVideoWnd::Create(const QString& name, unsigned style, QWidget* parent, int id) {
    if (!CBaseWnd::Create(name, style, parent, id))
        return false;
    // Frames are painted over the whole pane in one step; no system background underneath.
    setAttribute(Qt::WA_OpaquePaintEvent);
    return true;
}

void CVideoWnd::SetDisplayState(int state) {
    m_state = state;
    m_presented = false;
    update();
}

void CVideoWnd::SetVideo(bool hasVideo, int width, int height) {
    m_hasVideo = hasVideo;
    m_videoWidth = width;
    m_videoHeight = height;
}

int CVideoWnd::BuildDisplayObjects() {
    if (!m_mutex)
        return -1;
    const int width = m_videoWidth, height = m_videoHeight;
    if (width <= 0 || height <= 0 || width > kMaxFrameSide || height > kMaxFrameSide)
        return -2;
    MutexLock lock(m_mutex);
    m_surfaceKind = Surface::None;
    m_hasFrame = false;
    if (m_planarAllowed) {
        // An even pitch keeps the chroma rows at exactly half of it.
        const int pitch = (width + 31) & ~31;
        const size_t lumaBytes = size_t(pitch) * height;
        const size_t chromaBytes = size_t(pitch / 2) * chroma(height);
        try {
            m_planar.assign(lumaBytes + 2 * chromaBytes, 0);
            std::memset(m_planar.data() + lumaBytes, 128, 2 * chromaBytes);
            m_pitch = pitch;
            m_surfaceKind = Surface::Yv12;
            return 0;
        } catch (const std::bad_alloc&) {
            m_planar = {};
        }
    }
    m_rgb = QImage(width, height, QImage::Format_RGB32);
    if (m_rgb.isNull())
        return -3;
    m_rgb.fill(Qt::black);
    m_surfaceKind = Surface::Rgb32;
    return 0;
}

void CVideoWnd::ReleaseDisplayObjects() {
    if (!m_mutex)
        return;
    MutexLock lock(m_mutex);
    m_surfaceKind = Surface::None;
    m_planar = {};
    m_pitch = 0;
    m_rgb = QImage();
    m_scaled = QImage();
    m_hasFrame = false;
    sws_freeContext(m_scaler);
    m_scaler = nullptr;
}

intptr_t CVideoWnd::onMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    switch (msg) {
    case VELDES_MSG_VIDEO_SIZE:
        SetVideo(true, static_cast<int>(wParam), static_cast<int>(lParam));
        ReleaseDisplayObjects();
        BuildDisplayObjects();
        return 0;
    case VELDES_MSG_RENDER:
        return OnRender(reinterpret_cast<const tagVeldesRenderRequest*>(lParam));
    default:
        return 0;
    }
}

intptr_t CVideoWnd::OnRender(const tagVeldesRenderRequest* request) {
    if (!request)
        return -4;
    switch (request->type) {
    case VELDES_RENDER_STORE_INTS:
        m_ints[0] = static_cast<int32_t>(request->slot1);
        m_ints[1] = static_cast<int32_t>(request->value);
        break;
    case VELDES_RENDER_REPAINT:
        update();
        break;
    case VELDES_RENDER_STORE_SCALES:
        m_scales[0] = std::bit_cast<double>(request->slot1);
        m_scales[1] = std::bit_cast<double>(request->slot2);
        break;
    case VELDES_RENDER_STORE_THIRD:
        if (request->value < 0) {
            m_ints[2] = 0;
            update();
        } else {
            m_ints[2] = static_cast<int32_t>(request->value);
        }
        break;
    case VELDES_RENDER_PRESENT:
        if (request->value)
            Present(reinterpret_cast<const tagVeldesFrame*>(request->value));
        else
            update();
        break;
    case VELDES_RENDER_CLIENT_SIZE:
        if (auto* w = reinterpret_cast<int32_t*>(static_cast<intptr_t>(request->slot1)))
            *w = width() & ~1;
        if (auto* h = reinterpret_cast<int32_t*>(static_cast<intptr_t>(request->slot2)))
            *h = height() & ~1;
        break;
    case VELDES_RENDER_GET_SCALES:
        if (auto* first = reinterpret_cast<double*>(static_cast<intptr_t>(request->slot1)))
            *first = m_scales[0];
        if (auto* second = reinterpret_cast<double*>(static_cast<intptr_t>(request->slot2)))
            *second = m_scales[1];
        break;
    default:
        break;
    }
    return 0;
}

void CVideoWnd::Present(const tagVeldesFrame* frame) {
    if (!readableFrame(*frame)) {
        update();
        return;
    }
    // The engine may change the picture size without a 3036 (a new filter graph, a resized
    // pane); the surface follows the frame, so no plane is read past its end.
    if (m_surfaceKind == Surface::None || frame->width != m_videoWidth ||
        frame->height != m_videoHeight) {
        SetVideo(true, frame->width, frame->height);
        ReleaseDisplayObjects();
        if (BuildDisplayObjects() != 0)
            return;
    }
    {
        MutexLock lock(m_mutex);
        const int strides[3] = {frame->pitches[0], frame->pitches[1], frame->pitches[2]};
        if (m_surfaceKind == Surface::Yv12)
            Yuv420ToYv12(frame->planes, strides, m_planar.data(), m_pitch, m_videoWidth,
                         m_videoHeight);
        else if (m_surfaceKind == Surface::Rgb32)
            Yuv420ToRgb32(frame->planes, strides, m_rgb.bits(),
                          static_cast<int>(m_rgb.bytesPerLine()), m_videoWidth, m_videoHeight);
        m_hasFrame = m_surfaceKind != Surface::None;
        ScaleToPane();
    }
    m_presented = true;
    update();
}

void CVideoWnd::ScaleToPane() {
    const int paneWidth = width(), paneHeight = height();
    if (!m_hasFrame || paneWidth <= 0 || paneHeight <= 0) {
        m_scaled = QImage();
        return;
    }
    if (m_scaled.size() != QSize(paneWidth, paneHeight))
        m_scaled = QImage(paneWidth, paneHeight, QImage::Format_RGB32);
    if (m_scaled.isNull())
        return;
    const uint8_t* source[4] = {};
    int sourceStrides[4] = {};
    AVPixelFormat format = AV_PIX_FMT_YUV420P;
    if (m_surfaceKind == Surface::Yv12) {
        const int chromaPitch = m_pitch / 2;
        const uint8_t* v = m_planar.data() + size_t(m_pitch) * m_videoHeight;
        const uint8_t* u = v + size_t(chromaPitch) * chroma(m_videoHeight);
        source[0] = m_planar.data();
        source[1] = u;
        source[2] = v;
        sourceStrides[0] = m_pitch;
        sourceStrides[1] = sourceStrides[2] = chromaPitch;
    } else {
        source[0] = m_rgb.constBits();
        sourceStrides[0] = static_cast<int>(m_rgb.bytesPerLine());
        format = AV_PIX_FMT_RGB32; // QImage::Format_RGB32 in memory order
    }
    // The picture keeps its shape in the pane, with black bars where the two differ.
    const double fit = std::min(double(paneWidth) / m_videoWidth, double(paneHeight) / m_videoHeight);
    const int pictureWidth = std::clamp(int(std::lround(m_videoWidth * fit)), 1, paneWidth);
    const int pictureHeight = std::clamp(int(std::lround(m_videoHeight * fit)), 1, paneHeight);
    const int left = (paneWidth - pictureWidth) / 2, top = (paneHeight - pictureHeight) / 2;
    m_scaler = sws_getCachedContext(m_scaler, m_videoWidth, m_videoHeight, format, pictureWidth,
                                    pictureHeight, AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr,
                                    nullptr);
    if (!m_scaler) {
        m_scaled = QImage();
        return;
    }
    if (pictureWidth != paneWidth || pictureHeight != paneHeight)
        m_scaled.fill(Qt::black);
    uint8_t* destination[4] = {m_scaled.scanLine(top) + size_t(left) * 4, nullptr, nullptr,
                               nullptr};
    const int destinationStrides[4] = {static_cast<int>(m_scaled.bytesPerLine()), 0, 0, 0};
    sws_scale(m_scaler, source, sourceStrides, 0, m_videoHeight, destination, destinationStrides);
}

void CVideoWnd::resizeEvent(QResizeEvent* event) {
    CBaseWnd::resizeEvent(event);
    if (!m_mutex)
        return;
    MutexLock lock(m_mutex);
    ScaleToPane();
}

void CVideoWnd::paintEvent(QPaintEvent* event) {
    const bool presented = m_presented;
    m_presented = false;
    const bool showFrame = presented || (m_hasVideo && m_state != kIdle);
    QPainter painter(this);
    bool drawn = false;
    if (showFrame && m_mutex) {
        MutexLock lock(m_mutex);
        if (!m_scaled.isNull()) {
            painter.drawImage(0, 0, m_scaled);
            drawn = true;
        }
    }
    if (!drawn)
        painter.fillRect(rect(), Qt::black);
    // Paused: the engine presents the paused frame again (a present of its own does not ask).
    if (!presented && m_hasVideo && m_state == kPaused)
        sendToOwner(this, kMsgRepaintPaused, 0, 0);
}
