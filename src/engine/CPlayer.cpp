// CPlayer: control from the user-interface thread, and the reader thread.
#include "CPlayer.h"

#include <algorithm>
#include <cmath>

namespace vel {

namespace {

// Pictures queued ahead of the clock; more only while the sound queue runs low, up to the hard
// limit (files whose sound lies far from its pictures).
constexpr size_t kVideoQueue = 6;
constexpr size_t kVideoQueueHard = 24;
// Sound queued ahead of what is heard.
constexpr double kAudioQueue = 0.5;
constexpr double kAudioLow = 0.15;
constexpr auto kPoll = std::chrono::milliseconds(10);
// How long a stop waits for the threads to end before letting them finish on their own.
constexpr auto kReleaseWait = std::chrono::milliseconds(30);
// Decoding pictures nobody refers to resumes this far before a seek target (more than the
// decoder's own delay), so the picture at the target is always decoded.
constexpr double kSkipAhead = 0.3;

const tagVeldesStreamInfo* chosenAudio(const MediaProbe& probe, int streamIndex) {
    const tagVeldesStreamInfo* found = nullptr;
    for (size_t i = 0; i < probe.streams.size(); ++i) {
        if (probe.streams[i].type != VELDES_STREAM_AUDIO)
            continue;
        if (probe.streamIndex[i] == streamIndex)
            return &probe.streams[i];
        if (!found)
            found = &probe.streams[i];
    }
    return found;
}

} // namespace

CPlayer::CPlayer(PlayerSetup setup) : m_setup(std::move(setup)) {
    m_effects = m_setup.showEffects;
    m_edits = m_setup.edits;
    m_level = m_setup.level;
    m_audio.setVolume(std::clamp(m_setup.volume, 0, 100));
}

CPlayer::~CPlayer() {
    // Only reached once both threads let go of the player.
    if (m_reader.joinable())
        m_reader.detach();
    if (m_presenter.joinable())
        m_presenter.detach();
}

std::shared_ptr<CPlayer> CPlayer::start(PlayerSetup setup) {
    std::shared_ptr<CPlayer> player(new CPlayer(std::move(setup)));
    if (const tagVeldesStreamInfo* audio =
            chosenAudio(player->m_setup.probe, player->m_setup.audioStream))
        player->m_audioOpen = player->m_audio.open(audio->sampleRate,
                                                   std::clamp(audio->channels, 1, 2));
    player->m_reader = std::thread([player] {
        player->readerMain();
        std::lock_guard lock(player->m_mutex);
        player->m_readerDone = true;
        player->m_wake.notify_all();
    });
    player->m_presenter = std::thread([player] {
        player->presenterMain();
        std::lock_guard lock(player->m_mutex);
        player->m_presenterDone = true;
        player->m_wake.notify_all();
    });
    return player;
}

void CPlayer::play() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_paused)
            return;
        m_paused = false;
        if (m_waitFirstFrame && m_playTime == std::chrono::steady_clock::time_point{})
            m_playTime = std::chrono::steady_clock::now();
    }
    m_wake.notify_all();
    if (m_audioOpen)
        m_audio.setPaused(false);
}

void CPlayer::pause() {
    {
        std::lock_guard lock(m_mutex);
        m_paused = true;
    }
    m_wake.notify_all();
    if (m_audioOpen)
        m_audio.setPaused(true);
}

void CPlayer::seek(int64_t ms) {
    {
        std::lock_guard lock(m_mutex);
        double duration = m_setup.probe.durationMs / 1000.0;
        double target = std::max<int64_t>(0, ms) / 1000.0;
        m_seekTarget = duration > 0.0 ? std::min(target, duration) : target;
        m_seekPending = true;
        m_seekTime = std::chrono::steady_clock::now();
        m_waitSeekFrame = true;
    }
    m_wake.notify_all();
}

void CPlayer::setVolume(int volume) {
    m_audio.setVolume(std::clamp(volume, 0, 100));
}

void CPlayer::showEffects(bool on) {
    {
        std::lock_guard lock(m_mutex);
        m_effects = on;
    }
    m_wake.notify_all();
}

void CPlayer::setSoundLevel(const SoundLevel& level) {
    {
        std::lock_guard lock(m_mutex);
        m_level = level;
        m_levelChanged = true;
    }
    m_wake.notify_all();
}

void CPlayer::setEdits(const MediaEdits& edits) {
    {
        std::lock_guard lock(m_mutex);
        m_edits = edits;
        ++m_editsVersion;
    }
    m_wake.notify_all();
}

void CPlayer::refresh() {
    {
        std::lock_guard lock(m_mutex);
        m_refresh = true;
    }
    m_wake.notify_all();
}

int CPlayer::snapshot(int width, int height, VeldesEventCallback callback, void* user) {
    if (!callback)
        return -1;
    {
        std::lock_guard lock(m_mutex);
        if (!m_hasVideo && m_readerEnded)
            return -1;
        m_snapshots.push_back({std::max(0, width), std::max(0, height), callback, user});
    }
    m_wake.notify_all();
    return 0;
}

void CPlayer::release() {
    std::unique_lock lock(m_mutex);
    m_abort.store(true);
    // A picture already on its way to the window is withdrawn: the window then only repaints, so
    // nothing of a stopped preview shows up after the stop.
    if (m_presenterInHost && m_render.type == VELDES_RENDER_PRESENT)
        __atomic_store_n(&m_render.value, 0, __ATOMIC_RELEASE); // a window may read it anywhere
    m_wake.notify_all();
    // Threads usually end at once; one still opening a decoder or inside a send to the host is
    // let go (it holds the player alive and never calls the host again), so stopping stays quick.
    m_wake.wait_for(lock, kReleaseWait, [this] {
        return m_readerDone && (m_presenterDone || m_presenterInHost);
    });
    bool readerDone = m_readerDone, presenterDone = m_presenterDone;
    lock.unlock();
    for (auto [thread, done] : {std::pair{&m_reader, readerDone}, {&m_presenter, presenterDone}}) {
        if (!thread->joinable())
            continue;
        if (done && thread->get_id() != std::this_thread::get_id())
            thread->join();
        else
            thread->detach();
    }
    // Closing the sound device waits for SDL's own thread, longer than a stop may take: it is
    // done aside, with the player kept alive until then.
    if (m_audioOpen)
        std::thread([self = shared_from_this()] { self->m_audio.close(); }).detach();
}

PlayerStats CPlayer::stats() const {
    std::lock_guard lock(m_mutex);
    return m_stats;
}

// --- reader thread ------------------------------------------------------------------------------

AudioPlan CPlayer::devicePlan() const {
    AudioPlan plan;
    plan.sampleRate = m_audio.sampleRate();
    plan.channels = m_audio.channels();
    plan.sampleFormat = AV_SAMPLE_FMT_S16;
    return plan;
}

int CPlayer::openReader(CMediaSource* source, CAudioFilter* audioFilter) {
    int r = source->open(m_setup.probe.path, &m_abort, &m_setup.probe);
    if (r < 0)
        return r;
    bool hasVideo = false, hasAudio = false;
    if ((r = source->openVideo(m_setup.videoStream, &hasVideo)) < 0)
        return r;
    if ((r = source->openAudio(m_setup.audioStream, &hasAudio)) < 0)
        return r;
    if (!hasVideo && !hasAudio)
        return AVERROR_STREAM_NOT_FOUND;
    std::lock_guard lock(m_mutex);
    if (hasAudio && m_audioOpen)
        audioFilter->configure(devicePlan(), m_level);
    m_hasVideo = hasVideo;
    m_hasAudio = hasAudio && m_audioOpen;
    if (hasVideo)
        m_timeBase = source->videoStream()->time_base;
    return source->seek(0.0);
}

// Waits until a queue has room; false when a seek or the stop came first.
bool CPlayer::waitForRoom(std::unique_lock<std::mutex>& lock) {
    for (;;) {
        if (m_abort.load() || m_seekPending)
            return false;
        double audio = m_hasAudio ? m_audio.queuedSeconds() : 0.0;
        bool videoFull = m_video.size() >= kVideoQueueHard ||
                         (m_video.size() >= kVideoQueue && (!m_hasAudio || audio >= kAudioLow));
        bool audioFull = m_hasAudio && audio >= kAudioQueue && (!m_hasVideo || !m_video.empty());
        if (!videoFull && !audioFull)
            return true;
        m_wake.wait_for(lock, kPoll);
    }
}

void CPlayer::takeSeek(std::unique_lock<std::mutex>& lock, CMediaSource* source,
                       CAudioFilter* audioFilter, double* dropBefore) {
    double target = m_seekTarget;
    m_seekPending = false;
    m_video.clear();
    ++m_generation;
    m_showNext = true;
    m_readerEnded = false;
    m_endSent = false;
    if (m_hasAudio)
        m_audio.reset(target);
    const SoundLevel level = m_level;
    m_levelChanged = false;
    lock.unlock();
    m_wake.notify_all();
    source->seek(target);
    if (source->videoDecoder())
        source->videoDecoder()->skip_frame = AVDISCARD_DEFAULT;
    if (m_hasAudio)
        audioFilter->configure(devicePlan(), level);
    *dropBefore = target;
    lock.lock();
}

void CPlayer::queueVideo(FramePtr frame, double t, double length, double dropBefore) {
    // Pictures that end before the seek target are decoded only to reach it.
    if (t + std::max(length, 0.0) <= dropBefore + 1e-4 && t < dropBefore)
        return;
    std::lock_guard lock(m_mutex);
    m_video.push_back({std::move(frame), t, length, m_generation});
    m_wake.notify_all();
}

void CPlayer::queueAudio(CAudioFilter* filter, AVFrame* frame, double t) {
    frame->pts = std::llround(t * frame->sample_rate);
    if (filter->push(frame) < 0)
        return;
    FramePtr out = makeFrame();
    while (filter->pull(out.get()) == 1) {
        if (out->pts != AV_NOPTS_VALUE)
            m_audio.write(out.get(), double(out->pts) / m_audio.sampleRate());
        av_frame_unref(out.get());
    }
}

void CPlayer::readerMain() {
    CMediaSource source;
    CAudioFilter audioFilter;
    int r = openReader(&source, &audioFilter);
    std::unique_lock lock(m_mutex);
    if (r < 0) {
        m_readerFailed = true;
        m_readerEnded = true;
        m_wake.notify_all();
        return;
    }
    double dropBefore = 0.0;
    FramePtr frame = makeFrame();
    while (!m_abort.load()) {
        if (m_seekPending) {
            takeSeek(lock, &source, &audioFilter, &dropBefore);
            continue;
        }
        if (m_levelChanged) {
            m_levelChanged = false;
            if (m_hasAudio)
                audioFilter.configure(devicePlan(), m_level);
            continue;
        }
        if (m_readerEnded) {
            m_wake.wait(lock);
            continue;
        }
        if (!waitForRoom(lock))
            continue;
        lock.unlock();
        AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
        r = source.next(frame.get(), &type);
        if (r == 1) {
            double length = 0.0;
            double t = source.frameSeconds(frame.get(), type, &length);
            if (type == AVMEDIA_TYPE_VIDEO) {
                // Far before a seek target, pictures nothing refers to are not even decoded:
                // they would be dropped anyway, and a seek lands sooner without them.
                source.videoDecoder()->skip_frame =
                    t < dropBefore - kSkipAhead ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
                FramePtr queued = makeFrame();
                av_frame_move_ref(queued.get(), frame.get());
                queueVideo(std::move(queued), t, length, dropBefore);
            } else if (m_hasAudio) {
                queueAudio(&audioFilter, frame.get(), t);
            }
            av_frame_unref(frame.get());
        } else if (r == 0 && m_hasAudio) {
            audioFilter.close();
            FramePtr out = makeFrame();
            while (audioFilter.pull(out.get()) == 1) {
                m_audio.write(out.get(), double(out->pts) / m_audio.sampleRate());
                av_frame_unref(out.get());
            }
            m_audio.endOfInput();
        }
        lock.lock();
        if (r <= 0 && !m_seekPending) {
            m_readerEnded = true; // the end, a read error, or the stop
            m_wake.notify_all();
        }
    }
}

} // namespace vel
