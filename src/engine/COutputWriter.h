// Encoders and muxer of one run's output. The muxer writes into a COutputFile, which is named
// only by finish(), so a failed, skipped or killed run never leaves a partial file and an
// existing file is never touched unless the run was told to replace it.
#pragma once

#include "AvUtil.h"
#include "CEncodedSound.h"
#include "COutputFile.h"
#include "OutputPlan.h"

#include <memory>
#include <string>
#include <vector>

namespace vel {

class COutputWriter {
public:
    COutputWriter() = default;
    ~COutputWriter();
    COutputWriter(const COutputWriter&) = delete;
    COutputWriter& operator=(const COutputWriter&) = delete;

    // replaceExisting: finish() renames over a file of the final name; otherwise a taken name
    // makes it take the next free one (path() tells which).
    int open(const OutputPlan& plan, const std::string& finalPath, const AVIOInterruptCB& interrupt,
             bool replaceExisting = false);

    // Encodes one picture as the next frame (its pts is overwritten).
    int writeVideo(AVFrame* frame);
    // Writes one event of soft subtitle stream `output` (of the plan's subtitles): an ASS
    // dialogue as FFmpeg's decoders give it, shown from `start` to `end` seconds of the output.
    // Events of a stream come in order of their start.
    int writeSubtitle(int output, const std::string& dialogue, double start, double end);
    // Appends `count` samples of `frame` starting at sample `offset` (encoder format).
    int writeAudio(const AVFrame* frame, int offset, int count);
    int writeSilence(int64_t samples);

    int64_t videoFrames() const { return m_videoFrames; }
    int64_t audioSamples() const { return m_audioQueued; }
    // Bytes of encoded pictures written so far, and the picture encoder (null without one).
    int64_t videoBytes() const { return m_videoBytes; }
    // The share of the pictures written so far that the encoder coded at (or within half a step
    // of) its finest quantiser; 0 when it reports none.
    double videoShareAtFinest() const {
        return m_qualityCount ? double(m_qualityAtFinest) / double(m_qualityCount) : 0.0;
    }
    const AVCodecContext* videoEncoder() const { return m_videoEncoder.get(); }
    // Bytes of encoded sound written so far.
    int64_t audioBytes() const { return m_audioBytes; }
    // Notes every encoded picture from now on (a measurement's own use: a long run would only
    // grow the list), read once the writing is over.
    struct PictureNote {
        double seconds; // presentation time in the output
        int64_t bytes;
        bool key;
        double quantiser = -1.0; // as the encoder reports it; -1 where it does not
    };
    void notePictures() { m_notePictures = true; }
    const std::vector<PictureNote>& pictureNotes() const { return m_pictureNotes; }

    // Before open(): writes the plan's cover picture too. A run's output does; a measurement's
    // leaves it out, as what it writes besides pictures and sound is scaled with the clip's
    // length and a cover is the same size however long the clip.
    void carryCover() { m_carryCover = true; }
    // Before open(): keeps the encoded sound for a later run of the same sound (takeSound()
    // after finish() hands it over).
    void keepSound() { m_keptSound = std::make_shared<CEncodedSound>(); }
    std::shared_ptr<const CEncodedSound> takeSound() { return std::move(m_keptSound); }
    // Before open(): writes `sound` instead of encoding what writeAudio() is handed, which must
    // come to the same number of samples (else finish() fails with kErrorSoundChanged).
    void useSound(std::shared_ptr<const CEncodedSound> sound) { m_givenSound = std::move(sound); }

    // A file that comes out larger than this many bytes is not named: finish() then fails with
    // kErrorOverSizeLimit and lastSize() tells how large it came out. 0 = no limit.
    void setSizeLimit(int64_t bytes) { m_sizeLimit = bytes; }
    int64_t lastSize() const { return m_lastSize; }
    // Flushes, finishes the file and gives it its name.
    int finish();
    // Drops the unfinished file (also done by the destructor when not finished).
    void discard();

    // The name the finished file got.
    const std::string& path() const { return m_file.path(); }
    const std::string& error() const { return m_error; }

private:
    int openVideo(const VideoPlan& plan);
    int openAudio(const AudioPlan& plan);
    int openSubtitles(const AVIOInterruptCB& interrupt);
    // The source's tags and cover as the container keeps them; muxer options into *options.
    void carryTagsAndCover(AVDictionary** options);
    int encode(AVCodecContext* encoder, AVStream* stream, AVFrame* frame);
    int drainAudio(bool final);
    int openGivenSound();
    // Writes the given sound's packets that the samples handed so far have reached (all of the
    // rest when `final`).
    int releaseSound(bool final);
    // Counts sound handed to a writer given its sound encoded, in place of encoding it.
    int handOverGiven(int64_t samples);
    int fail(int code, const std::string& what);

    OutputPlan m_plan;
    COutputFile m_file;
    bool m_replaceExisting = false;
    AVFormatContext* m_output = nullptr;
    CodecContextPtr m_videoEncoder, m_audioEncoder;
    AVStream* m_videoStream = nullptr;
    AVStream* m_audioStream = nullptr;
    struct SubtitleOut {
        CodecContextPtr encoder;
        AVStream* stream = nullptr;
    };
    std::vector<SubtitleOut> m_subtitles;
    // The cover picture written once right after the header (an attached picture stream).
    PacketPtr m_coverPacket;
    AVStream* m_coverStream = nullptr;
    bool m_carryCover = false;
    AudioFifoPtr m_fifo;
    FramePtr m_audioFrame;
    PacketPtr m_packet;
    int m_audioFrameSize = 0;
    int64_t m_videoFrames = 0;
    int64_t m_videoBytes = 0;
    int64_t m_audioBytes = 0;
    int64_t m_sizeLimit = 0, m_lastSize = 0;
    bool m_notePictures = false;
    std::vector<PictureNote> m_pictureNotes;
    int64_t m_qualityAtFinest = 0, m_qualityCount = 0;
    int64_t m_audioQueued = 0;  // samples handed to writeAudio/writeSilence
    int64_t m_audioEncoded = 0; // samples given to the encoder
    std::shared_ptr<CEncodedSound> m_keptSound;
    std::shared_ptr<const CEncodedSound> m_givenSound;
    size_t m_soundReleased = 0; // packets of m_givenSound written
    bool m_headerWritten = false;
    bool m_done = false;
    std::string m_error;
};

} // namespace vel
