#include "CSourcePass.h"

#include "CoverArt.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cmath>
#include <limits>

namespace vel {

namespace {

// A source that ends this much before its stated length was cut short or turned corrupt.
double truncationTolerance(double length) {
    return std::max(0.5, 0.03 * length);
}

// Audio that starts this late (or skips this much) gets silence in between.
constexpr double kAudioGapSeconds = 0.02;

} // namespace

CSourcePass::CSourcePass(const PassSource& source, const OutputPlan& plan, CWriterThread& writer,
                         IPassControl& control)
    : m_source(source), m_plan(plan), m_writer(writer), m_control(control) {}

int64_t CSourcePass::videoTarget() const {
    if (m_openEnded)
        return std::numeric_limits<int64_t>::max();
    return std::llround((m_start + m_length) * av_q2d(m_plan.video->frameRate));
}

int64_t CSourcePass::audioTarget() const {
    if (m_openEnded)
        return std::numeric_limits<int64_t>::max();
    return std::llround((m_start + m_length) * m_plan.audio->sampleRate);
}

int CSourcePass::openSource() {
    int r = m_reader.open(m_source.probe.path, m_control.abortFlag(), &m_source.probe);
    if (r < 0)
        return r;
    if (m_plan.video && (r = m_reader.openVideo(m_source.videoStream, &m_hasVideo)) < 0)
        return r;
    if (m_plan.audio && (r = m_reader.openAudio(m_source.audioStream, &m_hasAudio)) < 0)
        return r;
    if (!m_hasVideo && !m_hasAudio && m_source.probe.durationMs <= 0)
        return AVERROR_STREAM_NOT_FOUND; // nothing would tell how long the clip is

    double duration = m_source.probe.durationMs / 1000.0;
    m_begin = std::max<int64_t>(0, m_source.beginMs) / 1000.0;
    double end = m_source.stopMs > m_source.beginMs ? m_source.stopMs / 1000.0 : duration;
    if (duration > 0.0)
        end = std::min(end, duration);
    m_openEnded = end <= 0.0;
    m_length = m_openEnded ? 0.0 : end - m_begin;
    if (!m_openEnded && m_length <= 0.0)
        return AVERROR(EINVAL); // the clip begins after the source ends

    if (m_hasVideo) {
        m_videoTimeBase = m_reader.videoStream()->time_base;
        m_videoFilter.configure(*m_plan.video, m_source.edits, m_source.probe.firstVideoWidth,
                                m_source.probe.firstVideoHeight, m_videoTimeBase);
    }
    if (m_hasAudio)
        m_audioFilter.configure(*m_plan.audio, m_source.soundLevel.value_or(SoundLevel{}));
    // The burned subtitles are drawn by the video filter; the kept ones go to the writer.
    r = m_subtitles.open(m_source.probe, m_source.subtitles, m_hasVideo ? m_source.burnSubtitle : -1,
                         m_plan, m_begin, m_control.abortFlag());
    if (r < 0)
        return r;
    m_videoFilter.burnSubtitles(m_subtitles.burn());
    m_videoDone = !m_hasVideo;
    m_audioDone = !m_hasAudio;
    if (m_plan.video && !m_hasVideo)
        showCoverArt();
    return position();
}

// Seeks to the clip's begin and makes sure the reader really is at or before it: formats
// without an index (MPEG-TS, MP3...) may land after it, on a later keyframe. Then it backs off
// further and further, at worst to the start of the file. What was decoded while checking is
// kept for the main loop.
int CSourcePass::position() {
    if (m_begin <= 0.0 || (!m_hasVideo && !m_hasAudio))
        return m_reader.seek(0.0);
    const AVMediaType leading = m_hasVideo ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO;
    for (double backoff = 0.0;; backoff = backoff > 0.0 ? backoff * 2.0 : 1.0) {
        double at = std::max(0.0, m_begin - backoff);
        int r = m_reader.seek(at);
        if (r < 0)
            return r;
        m_replay.clear();
        if (at <= 0.0)
            return 0;
        for (;;) {
            if (!m_control.proceed())
                return kAborted;
            Decoded d{makeFrame(), AVMEDIA_TYPE_UNKNOWN, 0.0, 0.0};
            r = m_reader.next(d.frame.get(), &d.type);
            if (r <= 0)
                return r;
            d.t = m_reader.frameSeconds(d.frame.get(), d.type, &d.length) - m_begin;
            bool landed = d.type == leading;
            bool early = d.t <= 0.0005;
            m_replay.push_back(std::move(d));
            if (landed) {
                if (early)
                    return 0;
                break;
            }
        }
    }
}

// Sound in a video output shows the picture the source carries of itself, fitted to the frame
// with bars like any picture; where it carries none, or it does not decode, the frame is black.
void CSourcePass::showCoverArt() {
    FramePtr art;
    if (decodeCoverArt(m_reader.input(), &art) < 0)
        return;
    const AVRational timeBase{1, 25};
    CVideoFilter filter;
    filter.configure(*m_plan.video, MediaEdits{}, art->width, art->height, timeBase);
    art->pts = 0;
    if (filter.push(art.get()) < 0 || filter.close(1) < 0)
        return;
    FramePtr picture = makeFrame();
    if (picture && filter.pull(picture.get()) == 1)
        m_lastPicture = std::move(picture);
}

int CSourcePass::nextFrame(AVFrame* frame, AVMediaType* type, double* t, double* length) {
    if (!m_replay.empty()) {
        Decoded& d = m_replay.front();
        av_frame_move_ref(frame, d.frame.get());
        *type = d.type;
        *t = d.t;
        *length = d.length;
        m_replay.pop_front();
        return 1;
    }
    if (!m_ahead) {
        m_ahead = std::make_unique<CDecodeAhead>(m_reader, m_begin, m_control.abortFlag());
        m_ahead->start();
    }
    return m_ahead->next(frame, type, t, length);
}

int CSourcePass::run(double timelineStart, double* length) {
    m_start = timelineStart;
    m_firstFrame = m_writer.videoFrames();
    m_firstSample = m_writer.audioSamples();
    int r = openSource();
    if (r != 0)
        return r;

    FramePtr frame = makeFrame();
    bool endOfFile = false;
    while (!m_videoDone || !m_audioDone) {
        if (!m_control.proceed())
            return kAborted;
        AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
        double t = 0.0, length = 0.0;
        r = nextFrame(frame.get(), &type, &t, &length);
        if (r == AVERROR_EXIT && !m_control.proceed())
            return kAborted;
        if (r < 0)
            return r;
        if (r == 0) {
            endOfFile = true;
            break;
        }
        r = type == AVMEDIA_TYPE_VIDEO ? handleVideo(frame.get(), t, length)
                                       : handleAudio(frame.get(), t, length);
        av_frame_unref(frame.get());
        if (r < 0 || (r = m_subtitles.release(m_writer, std::max(m_videoPosition, m_audioPosition),
                                              m_start, m_openEnded ? 0.0 : m_length)) < 0)
            return r;
        reportProgress();
    }

    // The reader is this thread's again before its figures are read.
    if (m_ahead)
        m_ahead->stop();
    // A stream that does not decode would come out as black or silence: that is no conversion.
    if (m_hasVideo && m_reader.undecodable(AVMEDIA_TYPE_VIDEO))
        return kErrorPicturesUndecodable;
    if (m_hasAudio && m_reader.undecodable(AVMEDIA_TYPE_AUDIO))
        return kErrorSoundUndecodable;
    if (m_openEnded) {
        m_length = std::max(m_videoEnd, m_audioEnd);
        if (m_length <= 0.0)
            return nothingDecoded();
    } else if (endOfFile && (m_hasVideo || m_hasAudio)) {
        // A source cut short (or corrupt towards its end) converts what decodes, whatever its
        // format: the clip ends where the decodable part ends, not padded to the stated length.
        double reached = std::max(m_hasVideo ? m_videoEnd : 0.0, m_hasAudio ? m_audioEnd : 0.0);
        if (reached < m_length - truncationTolerance(m_length)) {
            if (reached <= 0.0)
                return nothingDecoded();
            m_length = reached;
        }
    }
    if ((r = finishClip()) < 0)
        return r;
    *length = m_length;
    return 0;
}

// A source that gave no picture and no sound at all (cut off before its data, or streams that
// decode to nothing, as a 1x1 picture of a minimal file) is refused for what it should have given:
// the demuxer's own words ("Invalid data found when processing input") tell a person nothing.
int CSourcePass::nothingDecoded() const {
    return m_hasVideo ? kErrorPicturesUndecodable : kErrorSoundUndecodable;
}

int CSourcePass::handleVideo(AVFrame* frame, double t, double length) {
    if (m_videoDone)
        return 0;
    if (!m_openEnded && t >= m_length - 1e-6) {
        m_videoDone = true;
        return 0;
    }
    m_videoEnd = std::max(m_videoEnd, t + length);
    if (t < 0.0) {
        // Decoded from the keyframe before the clip: only the picture showing at the clip's
        // begin is kept, as its first frame.
        m_held.reset(av_frame_clone(frame));
        if (m_held)
            m_held->pts = 0;
        return 0;
    }
    int r;
    if (m_held) {
        if (t > 0.0 && (r = m_videoFilter.push(m_held.get())) < 0)
            return r;
        m_held.reset();
    }
    frame->pts = std::llround(t / av_q2d(m_videoTimeBase));
    if ((r = m_videoFilter.push(frame)) < 0)
        return r;
    m_videoPosition = t;
    return drainVideo();
}

int CSourcePass::handleAudio(AVFrame* frame, double t, double length) {
    if (m_audioDone)
        return 0;
    if (!m_openEnded && t >= m_length) {
        m_audioDone = true;
        return 0;
    }
    if (t + length <= 0.0)
        return 0;
    frame->pts = std::llround(t * frame->sample_rate);
    int r = m_audioFilter.push(frame);
    if (r < 0)
        return r;
    m_audioPosition = t + length;
    m_audioEnd = std::max(m_audioEnd, m_audioPosition);
    return drainAudio();
}

int CSourcePass::drainVideo() {
    FramePtr picture = makeFrame();
    for (;;) {
        int r = m_videoFilter.pull(picture.get());
        if (r == 0 || r == AVERROR_EOF)
            return 0;
        if (r < 0)
            return r;
        r = writePicture(picture.get());
        av_frame_unref(picture.get());
        if (r < 0)
            return r;
    }
}

// Pictures arrive at the export rate with pts counting frames from the clip's begin; a gap
// (the picture starts later than the clip) is filled with the next picture.
int CSourcePass::writePicture(AVFrame* picture) {
    int64_t index = m_firstFrame + (picture->pts == AV_NOPTS_VALUE ? 0 : picture->pts);
    if (index < m_writer.videoFrames())
        return 0;
    int64_t last = std::min(index, videoTarget() - 1);
    while (m_writer.videoFrames() <= last) {
        FramePtr copy(av_frame_clone(picture));
        if (!copy)
            return AVERROR(ENOMEM);
        int r = m_writer.writeVideo(copy.get());
        if (r < 0)
            return r;
    }
    m_lastPicture.reset(av_frame_clone(picture));
    if (m_source.preview)
        m_control.preview(picture);
    return keepSyntheticLevel();
}

int CSourcePass::drainAudio() {
    FramePtr samples = makeFrame();
    const int64_t gap = std::llround(kAudioGapSeconds * m_plan.audio->sampleRate);
    for (;;) {
        int r = m_audioFilter.pull(samples.get());
        if (r == 0 || r == AVERROR_EOF)
            return 0;
        if (r < 0)
            return r;
        int64_t written = m_writer.audioSamples() - m_firstSample;
        int64_t at = samples->pts == AV_NOPTS_VALUE ? written : samples->pts;
        if (at > written + gap && (r = fillAudioTo(m_firstSample + at)) < 0)
            return r;
        written = m_writer.audioSamples() - m_firstSample;
        int64_t skip = std::max<int64_t>(0, written - at);
        int64_t count =
            std::min<int64_t>(samples->nb_samples - skip, audioTarget() - m_writer.audioSamples());
        if (skip < samples->nb_samples && count > 0) {
            if ((r = m_writer.writeAudio(samples.get(), int(skip), int(count))) < 0)
                return r;
            if ((r = keepSyntheticLevel()) < 0)
                return r;
        }
        av_frame_unref(samples.get());
    }
}

int CSourcePass::fillVideoTo(int64_t frames) {
    frames = std::min(frames, videoTarget());
    while (m_writer.videoFrames() < frames) {
        if (!m_lastPicture && !m_black) {
            const VideoPlan& v = *m_plan.video;
            m_black = makeFrame();
            m_black->width = v.width;
            m_black->height = v.height;
            m_black->format = v.pixelFormat;
            int r = av_frame_get_buffer(m_black.get(), 0);
            if (r < 0)
                return r;
            ptrdiff_t lines[4] = {};
            for (int i = 0; i < 4; ++i)
                lines[i] = m_black->linesize[i];
            bool fullRange = v.pixelFormat == AV_PIX_FMT_YUVJ420P;
            av_image_fill_black(m_black->data, lines, v.pixelFormat,
                                fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG, v.width, v.height);
        }
        FramePtr copy(av_frame_clone(m_lastPicture ? m_lastPicture.get() : m_black.get()));
        if (!copy)
            return AVERROR(ENOMEM);
        int r = m_writer.writeVideo(copy.get());
        if (r < 0)
            return r;
    }
    return 0;
}

int CSourcePass::fillAudioTo(int64_t samples) {
    samples = std::min(samples, audioTarget());
    int64_t missing = samples - m_writer.audioSamples();
    return missing > 0 ? m_writer.writeSilence(missing) : 0;
}

// An output stream the source cannot feed (black pictures, silence) follows the other one, so
// the muxer interleaves them as it goes.
int CSourcePass::keepSyntheticLevel() {
    if (m_plan.audio && !m_hasAudio && m_plan.video) {
        double seconds = double(m_writer.videoFrames()) / av_q2d(m_plan.video->frameRate);
        return fillAudioTo(std::llround(seconds * m_plan.audio->sampleRate));
    }
    if (m_plan.video && !m_hasVideo && m_plan.audio) {
        double seconds = double(m_writer.audioSamples()) / m_plan.audio->sampleRate;
        return fillVideoTo(std::llround(seconds * av_q2d(m_plan.video->frameRate)));
    }
    return 0;
}

int CSourcePass::finishClip() {
    int r;
    if (m_hasVideo) {
        if (m_held && (r = m_videoFilter.push(m_held.get())) < 0)
            return r;
        m_held.reset();
        if ((r = m_videoFilter.close(std::llround(m_length / av_q2d(m_videoTimeBase)))) < 0 ||
            (r = drainVideo()) < 0)
            return r;
    }
    if (m_hasAudio && ((r = m_audioFilter.close()) < 0 || (r = drainAudio()) < 0))
        return r;
    // Both streams end exactly where the clip ends on the output's timeline.
    if (m_plan.video && (r = fillVideoTo(videoTarget())) < 0)
        return r;
    if (m_plan.audio && (r = fillAudioTo(audioTarget())) < 0)
        return r;
    return m_subtitles.release(m_writer, m_length, m_start, m_length);
}

void CSourcePass::reportProgress() {
    double position;
    if (m_openEnded) {
        position = m_ahead ? m_ahead->fraction() : 0.0;
    } else {
        position = m_length;
        if (!m_videoDone)
            position = std::min(position, m_videoPosition);
        if (!m_audioDone)
            position = std::min(position, m_audioPosition);
        position /= m_length;
    }
    int value = std::clamp(int(position * 10000.0), 0, 9999);
    if (value > m_lastProgress) {
        m_lastProgress = value;
        m_control.progress(m_source.mediaId, value);
    }
}

} // namespace vel
