// One opened source: probing (stream records for VeldesGetMediaInfo, duration) and, for a run,
// demultiplexing and decoding of the chosen video and audio streams.
#pragma once

#include "AvUtil.h"
#include "Orientation.h"
#include "SourceTags.h"
#include "velcodecapi.h"

#include <atomic>
#include <string>
#include <vector>

namespace vel {

// What VeldesAddMedia2 learns about a source; kept by the timeline and copied into runs.
struct MediaProbe {
    std::string path;
    std::vector<tagVeldesStreamInfo> streams; // audio and video streams only, in file order
    std::vector<int> streamIndex;             // the file's stream index of each record
    int64_t durationMs = 0;                   // 0 = unknown
    bool durationEstimated = false;           // guessed from the bit rate, not stored in the file
    int64_t startTime = 0;                    // of the whole file, AV_TIME_BASE units
    // The picture as it is shown: turned and mirrored as the stream's display matrix says.
    int firstVideoWidth = 0, firstVideoHeight = 0;
    AVRational firstVideoSampleAspect{0, 1}; // 0/1 = not stated (square)
    // The sound and subtitle tracks a person chooses between (VeldesGetMediaTracks).
    std::vector<tagVeldesTrack> tracks;
    // What outputs keep of the file besides pictures and sound: its global tags and the stream
    // of its cover picture (-1: none).
    Tags tags;
    int coverStream = -1;
};

// The file stream index of a media's track of the given type and number (1, 2...), -1 when
// there is none.
int trackStreamIndex(const MediaProbe& probe, int type, int number);
// The file stream indexes of the text subtitle tracks an output keeps, in file order: all but
// the one burned into the pictures (-1: none).
std::vector<int> keptTextTracks(const MediaProbe& probe, int burnedStream);

// The two values of a stream record that the caller copies into the export setting: the
// file's stream index + 1 (so 0 still means "no stream") and the FFmpeg codec id.
int streamIndexFromValues(const int32_t values[2]);

class CMediaSource {
public:
    CMediaSource() = default;
    CMediaSource(const CMediaSource&) = delete;
    CMediaSource& operator=(const CMediaSource&) = delete;

    // Opens the file; `abort` (may be null) interrupts blocking reads when it becomes true.
    // With what an earlier probe learnt (`known`), the costly stream analysis is skipped when the
    // file's headers already describe every stream.
    int open(const std::string& path, const std::atomic<bool>* abort,
             const MediaProbe* known = nullptr);
    int probe(MediaProbe* out);

    // Opens the decoder of a stream: `preferred` is a file stream index or -1 for the best one.
    // Returns 0 (*present false when the source has no such stream) or a negative error.
    int openVideo(int preferred, bool* present);
    int openAudio(int preferred, bool* present);

    // How far through the file the reader is, 0..1 (for sources of unknown duration).
    double readFraction() const;
    const AVFormatContext* input() const { return m_input.get(); }
    AVStream* videoStream() const { return m_video.stream; }
    AVStream* audioStream() const { return m_audio.stream; }
    AVCodecContext* videoDecoder() const { return m_video.decoder.get(); }
    AVCodecContext* audioDecoder() const { return m_audio.decoder.get(); }

    // Positions the reader at `seconds` from the media's start: on the keyframe at or before it
    // where the format can tell; some (MPEG-TS, MP3) land near it. 0 goes back to the start.
    int seek(double seconds);

    // The next decoded frame of an open stream: 1 with *type set, 0 at the end of the file.
    // Pictures come as they are meant to be shown (display matrix applied, the container's
    // pixel shape). A read error ends the file too; readError() tells it apart from a clean end.
    int next(AVFrame* frame, AVMediaType* type);
    bool readError() const { return m_readError; }
    int64_t decodeErrors() const { return m_video.errors + m_audio.errors; }
    int64_t decodedFrames() const { return m_video.frames + m_audio.frames; }
    // Whether the open stream of that type was given packets of which (almost) none decoded.
    bool undecodable(AVMediaType type) const;

    // Seconds from the media's start of a decoded frame of the given type (call once per
    // frame: frames without a timestamp are placed after the previous one), and its length.
    double frameSeconds(const AVFrame* frame, AVMediaType type, double* length);

private:
    struct Decoder {
        AVFormatContext* input = nullptr; // the input the stream belongs to
        AVStream* stream = nullptr;
        CodecContextPtr decoder;
        bool flushed = false;
        double nextSeconds = 0.0; // extrapolated time for frames without a timestamp
        int64_t frames = 0, errors = 0;
    };

    int openStream(Decoder* d, AVMediaType type, int preferred, bool* present);
    int finishPicture(AVFrame* frame);
    int openDevice(const std::string& path);
    int probeInput(AVFormatContext* ctx, int indexBase, MediaProbe* out);
    void noteLivePacket(const AVFormatContext* input, const Decoder& d);
    // Stream indexes of a capture's second input start here.
    static constexpr int kSecondInput = 1000;
    Decoder* decoderFor(const AVFormatContext* input, int streamIndex);
    // The input to read next: with two live inputs, the one whose last packet is older.
    AVFormatContext* nextInput();

    static int interruptCallback(void* opaque);

    InputContextPtr m_input;
    // A capture source with pictures and sound has a second input for the sound; live inputs
    // cannot seek and count time from their first packet.
    InputContextPtr m_input2;
    bool m_live = false;
    int64_t m_durationMs = 0; // of a capture: its time limit
    int64_t m_lastRead[2] = {INT64_MIN, INT64_MIN};
    const std::atomic<bool>* m_abort = nullptr;
    Decoder m_video, m_audio;
    CUprightFrames m_upright;
    Decoder* m_draining = nullptr;
    PacketPtr m_packet;
    bool m_started = false; // packets were read
    bool m_endOfFile = false;
    bool m_readError = false;
    int64_t m_startTime = 0; // AV_TIME_BASE units
};

} // namespace vel
