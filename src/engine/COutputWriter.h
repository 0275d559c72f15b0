// Encoders and muxer of one run's output. The file is written under a temporary name next to
// the final one and renamed over it only by finish(), so a failed or skipped run never leaves a
// partial file and never touches an existing file of the final name.
#pragma once

#include "AvUtil.h"
#include "OutputPlan.h"

#include <string>

namespace vel {

class COutputWriter {
public:
    COutputWriter() = default;
    ~COutputWriter();
    COutputWriter(const COutputWriter&) = delete;
    COutputWriter& operator=(const COutputWriter&) = delete;

    // A fresh temporary name next to the final one, recognisable so leftovers of a crashed
    // process can be found and removed: "<final name>.movara-partial-<pid>-<n>".
    static std::string temporaryPath(const std::string& finalPath);

    int open(const OutputPlan& plan, const std::string& finalPath,
             const AVIOInterruptCB& interrupt);

    // Encodes one picture as the next frame (its pts is overwritten).
    int writeVideo(AVFrame* frame);
    // Appends `count` samples of `frame` starting at sample `offset` (encoder format).
    int writeAudio(const AVFrame* frame, int offset, int count);
    int writeSilence(int64_t samples);

    int64_t videoFrames() const { return m_videoFrames; }
    int64_t audioSamples() const { return m_audioQueued; }

    // Flushes, finishes the file and renames it over the final name.
    int finish();
    // Closes and deletes the temporary file (also done by the destructor when not finished).
    void discard();

    const std::string& error() const { return m_error; }

private:
    int openVideo(const VideoPlan& plan);
    int openAudio(const AudioPlan& plan);
    int encode(AVCodecContext* encoder, AVStream* stream, AVFrame* frame);
    int drainAudio(bool final);
    int fail(int code, const std::string& what);

    OutputPlan m_plan;
    std::string m_finalPath, m_tempPath;
    AVFormatContext* m_output = nullptr;
    CodecContextPtr m_videoEncoder, m_audioEncoder;
    AVStream* m_videoStream = nullptr;
    AVStream* m_audioStream = nullptr;
    AudioFifoPtr m_fifo;
    FramePtr m_audioFrame;
    PacketPtr m_packet;
    int m_audioFrameSize = 0;
    int64_t m_videoFrames = 0;
    int64_t m_audioQueued = 0;  // samples handed to writeAudio/writeSilence
    int64_t m_audioEncoded = 0; // samples given to the encoder
    bool m_headerWritten = false;
    bool m_done = false;
    std::string m_error;
};

} // namespace vel
