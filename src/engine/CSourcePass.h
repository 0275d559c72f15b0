// One source of a run appended to the output: demux and decode its clip, filter it into the
// export format, and keep video and audio the same length on the run's one timeline (missing
// streams become black pictures or silence, short ones are held or padded to the clip's end).
#pragma once

#include "CDecodeAhead.h"
#include "CMediaSource.h"
#include "CWriterThread.h"
#include "FilterGraph.h"
#include "MediaEdits.h"
#include "OutputPlan.h"
#include "PassSubtitles.h"
#include "SoundLevel.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

namespace vel {

// A run's copy of one media entry, taken when the run starts.
struct PassSource {
    int mediaId = -1;
    MediaProbe probe;
    int videoStream = -1, audioStream = -1; // file stream index chosen by the caller, -1 = best
    int64_t beginMs = 0;
    int64_t stopMs = -1; // -1 = to the end
    MediaEdits edits;
    bool preview = false; // a capture shown in the preview window while it is converted
    LoudnessTarget loudness;
    std::optional<LoudnessFigures> loudnessKnown; // measured earlier, in some run's shape
    std::optional<SoundLevel> soundLevel;         // applied to the sound; resolved before passes
    // The source's subtitle tracks, read when first needed (shared by the media's runs and
    // measurements), and the one drawn into the pictures (a file stream index, -1: none).
    std::shared_ptr<SourceSubtitles> subtitles;
    int burnSubtitle = -1;
};

// What a pass needs from the run that drives it.
class IPassControl {
public:
    virtual ~IPassControl() = default;
    // Waits while the run is suspended; false once the run was skipped.
    virtual bool proceed() = 0;
    virtual void progress(int mediaId, int value) = 0;
    virtual const std::atomic<bool>* abortFlag() const = 0;
    // A picture as it goes to the encoder, for the preview window.
    virtual void preview(const AVFrame* picture) {}
};

class CSourcePass {
public:
    static constexpr int kAborted = 1;

    CSourcePass(const PassSource& source, const OutputPlan& plan, CWriterThread& writer,
                IPassControl& control);

    // Appends the clip, which starts at `timelineStart` seconds of the output. Returns 0 with
    // the clip's length in *length, kAborted, or a negative error.
    int run(double timelineStart, double* length);

private:
    int openSource();
    void showCoverArt();
    int position();
    // The next frame with its time from the clip's begin: 1, 0 at the end, or an error.
    int nextFrame(AVFrame* frame, AVMediaType* type, double* t, double* length);
    // The refusal of a source that gave neither picture nor sound.
    int nothingDecoded() const;
    // t: the frame's time from the clip's begin; length: how long it lasts.
    int handleVideo(AVFrame* frame, double t, double length);
    int handleAudio(AVFrame* frame, double t, double length);
    int drainVideo();
    int drainAudio();
    int writePicture(AVFrame* picture);
    int fillVideoTo(int64_t frames);
    int fillAudioTo(int64_t samples);
    int keepSyntheticLevel();
    int finishClip();
    void reportProgress();

    int64_t videoTarget() const;
    int64_t audioTarget() const;

    const PassSource& m_source;
    const OutputPlan& m_plan;
    CWriterThread& m_writer;
    IPassControl& m_control;
    CMediaSource m_reader;
    std::unique_ptr<CDecodeAhead> m_ahead; // started once the clip's begin is reached
    CVideoFilter m_videoFilter;
    CAudioFilter m_audioFilter;
    CPassSubtitles m_subtitles;

    bool m_hasVideo = false, m_hasAudio = false; // the source feeds that output stream
    bool m_videoDone = false, m_audioDone = false;
    bool m_openEnded = false;             // unknown duration: until the file ends
    double m_start = 0.0;                 // on the output's timeline, seconds
    double m_begin = 0.0, m_length = 0.0; // clip within the source, seconds
    double m_videoPosition = 0.0, m_audioPosition = 0.0;
    double m_videoEnd = 0.0, m_audioEnd = 0.0;   // furthest decoded time
    int64_t m_firstFrame = 0, m_firstSample = 0; // writer positions when the clip began
    AVRational m_videoTimeBase{1, 25};
    struct Decoded {
        FramePtr frame;
        AVMediaType type;
        double t, length;
    };
    std::deque<Decoded> m_replay; // decoded while positioning, not yet handled
    FramePtr m_held;              // last picture before the clip begins
    FramePtr m_lastPicture;
    FramePtr m_black;
    int m_lastProgress = -1;
};

} // namespace vel
