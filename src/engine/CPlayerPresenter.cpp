// CPlayer: the presenter thread. It follows the clock, filters each picture it shows, hands it to
// the preview window, and reports positions, the end and snapshots through the edit callback.
#include "CPlayer.h"
#include "PictureFit.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace vel {

namespace {

using Clock = std::chrono::steady_clock;

// Position events a few times a second.
constexpr auto kEventInterval = std::chrono::milliseconds(200);
// The sound is taken as stalled (ended early, or a gap) when its clock stands still this long
// with nothing queued; the system clock carries on from where it stood.
constexpr double kAudioStall = 0.1;
// A picture this close to its time is shown now rather than after another wait.
constexpr double kEarlyTolerance = 0.003;
constexpr auto kIdle = std::chrono::milliseconds(10);

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// The preview shows the picture at the size the edits make of the source (the export's own size
// and rate would blur a large source in a large pane), capped at full HD, in square pixels of the
// shape the output keeps, so an anamorphic source looks as it will.
VideoPlan previewPlan(const MediaEdits& edits, const AVFrame* source, bool withEdits) {
    int width = source->width, height = source->height;
    if (withEdits && edits.crop && edits.cropScale && edits.cropScale->cropWidth > 0 &&
        edits.cropScale->cropHeight > 0 && edits.cropScale->sourceWidth > 0) {
        double toFrame = double(source->width) / edits.cropScale->sourceWidth;
        width = int(std::lround(edits.cropScale->cropWidth * toFrame));
        height = int(std::lround(edits.cropScale->cropHeight * toFrame));
    }
    width =
        std::max(2, int(std::lround(width * av_q2d(squareIfUnset(source->sample_aspect_ratio)))));
    double shrink = std::min({1.0, 1920.0 / std::max(1, width), 1080.0 / std::max(1, height)});
    VideoPlan plan;
    plan.width = std::max(2, int(width * shrink) & ~1);
    plan.height = std::max(2, int(height * shrink) & ~1);
    plan.frameRate = {0, 1}; // keep the source's timing
    plan.pixelFormat = AV_PIX_FMT_YUV420P;
    return plan;
}

} // namespace

double CPlayer::WallClock::now() const {
    return paused ? base : base + secondsSince(at);
}

void CPlayer::WallClock::set(double seconds) {
    base = seconds;
    at = Clock::now();
}

void CPlayer::WallClock::setPaused(bool pause) {
    if (pause == paused)
        return;
    base = now();
    at = Clock::now();
    paused = pause;
}

template <typename Call>
bool CPlayer::hostCall(std::unique_lock<std::mutex>& lock, bool* flag, Call call) {
    if (m_abort.load())
        return false;
    *flag = true;
    lock.unlock();
    call();
    lock.lock();
    *flag = false;
    return true;
}

// The sound's clock while sound is heard, else the system clock carrying on from it.
double CPlayer::masterClock() {
    if (m_hasAudio) {
        double audio = m_audio.clock();
        if (audio != m_lastAudio) {
            m_lastAudio = audio;
            m_lastAudioChange = Clock::now();
        }
        bool stalled = m_audio.queuedSeconds() <= 0.0 &&
                       (m_audio.drained() || secondsSince(m_lastAudioChange) > kAudioStall);
        if (!stalled && !m_paused) {
            m_wall.set(audio);
            return audio;
        }
    }
    return m_wall.now();
}

int CPlayer::filterPicture(std::unique_lock<std::mutex>& lock, const AVFrame* source, double t,
                           FramePtr* out) {
    // The requested edits and picture choice are read under the lock; the filtering itself runs
    // without it, so the reader and the user-interface thread never wait for a picture's work.
    bool effects = m_effects;
    bool rebuild = m_filterVersion != m_editsVersion || m_filterEffects != effects ||
                   m_filterGeneration != m_generation || m_filterVersion < 0;
    MediaEdits edits;
    if (rebuild && effects)
        edits = m_edits;
    m_filterVersion = m_editsVersion;
    m_filterEffects = effects;
    m_filterGeneration = m_generation;
    lock.unlock();
    if (rebuild)
        m_filter.configure(previewPlan(edits, source, effects), edits,
                           m_setup.probe.firstVideoWidth, m_setup.probe.firstVideoHeight,
                           m_timeBase);
    int r = AVERROR(ENOMEM);
    FramePtr in(av_frame_clone(source));
    if (in) {
        in->pts = std::llround(t / av_q2d(m_timeBase));
        r = m_filter.push(in.get());
    }
    if (r >= 0) {
        FramePtr picture = makeFrame();
        r = m_filter.pull(picture.get());
        if (r == 1)
            *out = std::move(picture);
        else if (r == AVERROR_EOF || r == 0)
            r = 0;
    }
    lock.lock();
    return r;
}

void CPlayer::present(std::unique_lock<std::mutex>& lock, const AVFrame* picture,
                      int64_t positionMs) {
    tagVeldesFrame frame{};
    frame.width = picture->width;
    frame.height = picture->height;
    frame.positionMs = positionMs;
    for (int i = 0; i < 3; ++i) {
        frame.planes[i] = picture->data[i];
        frame.pitches[i] = picture->linesize[i];
    }
    VeldesWindow window = m_setup.window;
    if (!window)
        return;
    if (picture->width != m_presentedWidth || picture->height != m_presentedHeight) {
        m_presentedWidth = picture->width;
        m_presentedHeight = picture->height;
        int w = picture->width, h = picture->height;
        hostCall(lock, &m_presenterInHost,
                 [&] { VelSendMessage(window, VELDES_MSG_VIDEO_SIZE, uintptr_t(w), intptr_t(h)); });
    }
    m_render = {};
    m_render.type = VELDES_RENDER_PRESENT;
    m_render.value = reinterpret_cast<intptr_t>(&frame);
    hostCall(lock, &m_presenterInHost, [&] {
        VelSendMessage(window, VELDES_MSG_RENDER, 0, reinterpret_cast<intptr_t>(&m_render));
    });
}

void CPlayer::sendPosition(std::unique_lock<std::mutex>& lock, int subKind, double seconds) {
    m_lastEvent = Clock::now();
    if (!m_setup.callback)
        return;
    int64_t duration = m_setup.probe.durationMs;
    int64_t ms = std::max<int64_t>(0, std::llround(seconds * 1000.0));
    if (duration > 0)
        ms = std::min(ms, duration);
    tagVeldesEvent event{};
    event.kind = VELDES_EVENT_POSITION;
    event.subKind = subKind;
    event.position = ms;
    hostCall(lock, &m_presenterInHost, [&] { m_setup.callback(&event, m_setup.user); });
}

void CPlayer::deliverSnapshot(std::unique_lock<std::mutex>& lock, const SnapshotRequest& request) {
    const AVFrame* picture = m_lastPicture.get();
    if (!picture)
        return;
    int width = request.width > 0 ? request.width : picture->width;
    int height = request.height > 0 ? request.height : picture->height;
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    SwsContext* scaler =
        sws_getContext(picture->width, picture->height, AVPixelFormat(picture->format), width,
                       height, AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!scaler)
        return;
    uint8_t* dst[4] = {pixels.data(), nullptr, nullptr, nullptr};
    int dstStride[4] = {width * 4, 0, 0, 0};
    sws_scale(scaler, picture->data, picture->linesize, 0, picture->height, dst, dstStride);
    sws_freeContext(scaler);
    tagVeldesEvent event{};
    event.kind = VELDES_EVENT_SNAPSHOT;
    event.pixels = pixels.data();
    event.width = width;
    event.height = height;
    hostCall(lock, &m_presenterInHost, [&] { request.callback(&event, request.user); });
}

// Filters and shows one queued picture; false when it could not be filtered.
bool CPlayer::presentQueued(std::unique_lock<std::mutex>& lock, Queued queued) {
    FramePtr picture;
    if (filterPicture(lock, queued.frame.get(), queued.t, &picture) != 1)
        return false;
    m_lastSource = std::move(queued.frame);
    m_lastSourceT = queued.t;
    m_lastPicture = std::move(picture);
    double offset = queued.t - masterClock();
    ++m_stats.presented;
    m_stats.lastOffset = offset;
    if (!m_paused)
        m_stats.worstOffset = std::max(m_stats.worstOffset, std::abs(offset));
    if (m_waitFirstFrame && m_playTime != Clock::time_point{}) {
        m_stats.firstFrameSeconds = secondsSince(m_playTime);
        m_waitFirstFrame = false;
    }
    if (m_waitSeekFrame) {
        m_stats.lastSeekSeconds = secondsSince(m_seekTime);
        m_waitSeekFrame = false;
    }
    present(lock, m_lastPicture.get(), std::llround(queued.t * 1000.0));
    return true;
}

void CPlayer::presenterMain() {
    std::unique_lock lock(m_mutex);
    int seenGeneration = 0;
    bool wasPaused = true;
    while (!m_abort.load()) {
        if (!m_snapshots.empty()) {
            SnapshotRequest request = m_snapshots.front();
            m_snapshots.pop_front();
            deliverSnapshot(lock, request);
            continue;
        }
        if (seenGeneration != m_generation) {
            seenGeneration = m_generation;
            m_wall.set(m_seekTarget);
            m_lastAudio = -1.0;
        }
        if (wasPaused != m_paused) {
            wasPaused = m_paused;
            m_wall.setPaused(m_paused);
            if (m_paused && m_lastPicture)
                sendPosition(lock, 0, m_lastSourceT);
            continue;
        }
        // Edits or the picture choice changed while nothing new comes: show the change on the
        // picture that is up.
        bool stale = m_filterVersion != m_editsVersion || m_filterEffects != m_effects;
        if (m_lastSource && stale && (m_paused || m_video.empty())) {
            FramePtr source(av_frame_clone(m_lastSource.get()));
            if (source)
                presentQueued(lock, {std::move(source), m_lastSourceT, 0.0, m_generation});
            continue;
        }
        if (m_refresh) {
            m_refresh = false;
            if (m_lastPicture)
                present(lock, m_lastPicture.get(), std::llround(m_lastSourceT * 1000.0));
            continue;
        }
        while (!m_video.empty() && m_video.front().generation != m_generation)
            m_video.pop_front();
        if (!m_video.empty() && (!m_paused || m_showNext)) {
            double clock = masterClock();
            const Queued& front = m_video.front();
            if (!m_showNext && front.t > clock + kEarlyTolerance) {
                auto wait = std::chrono::duration<double>(std::min(front.t - clock, 0.05));
                m_wake.wait_for(lock, wait);
                continue;
            }
            if (!m_showNext && m_video.size() > 1 && m_video[1].t <= clock) {
                m_video.pop_front(); // late: the next one is due already
                ++m_stats.dropped;
                m_wake.notify_all();
                continue;
            }
            Queued queued = std::move(m_video.front());
            m_video.pop_front();
            m_wake.notify_all();
            bool announce = m_showNext;
            m_showNext = false;
            double t = queued.t;
            presentQueued(lock, std::move(queued));
            if (announce || Clock::now() - m_lastEvent >= kEventInterval)
                sendPosition(lock, 0, m_paused ? t : masterClock());
            continue;
        }
        if (m_readerEnded && m_video.empty() && !m_endSent &&
            (m_readerFailed || !m_hasAudio || m_audio.drained())) {
            m_endSent = true;
            double end = m_setup.probe.durationMs > 0 ? m_setup.probe.durationMs / 1000.0
                                                      : masterClock();
            sendPosition(lock, m_readerFailed ? VELDES_SUBKIND_END_ERROR : VELDES_SUBKIND_END, end);
            continue;
        }
        if (!m_paused && !m_endSent && Clock::now() - m_lastEvent >= kEventInterval &&
            (!m_hasVideo || m_lastPicture))
            sendPosition(lock, 0, masterClock());
        m_wake.wait_for(lock, m_paused ? kIdle * 5 : kIdle);
    }
}

} // namespace vel
