// The subtitle tracks of a source, read from the file when a run or measurement first needs them:
// text tracks (SRT, ASS/SSA, mov_text, WebVTT) as ASS events with their times, kept as soft
// subtitles or burned into the pictures, and bitmap tracks (DVD, PGS, DVB) as their packets,
// decoded when they are burned.
//
// Subtitles are sparse and come interleaved with the rest of the file, so a track is only
// complete after a read of the whole file: it is read once per source (one pass for every track
// asked for at once, the other streams discarded by the demuxer) and shared by every run and
// measurement of the media.
#pragma once

#include "AvUtil.h"
#include "velcodecapi.h"

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace vel {

bool isTextSubtitle(AVCodecID codec);
bool isBitmapSubtitle(AVCodecID codec);

// One event of a track. Times are seconds from the media's start (as a clip's begin counts).
struct SubtitleEvent {
    double start = 0.0, end = 0.0;
    // Text: one ASS dialogue as FFmpeg's decoders give it ("ReadOrder,Layer,Style,Name,MarginL,
    // MarginR,MarginV,Effect,Text"). Bitmap: empty.
    std::string dialogue;
    // Bitmap: the packet, decoded when burned; its end is then known only by the next packet
    // where the format does not state it (`end` < `start`).
    std::shared_ptr<AVPacket> packet;
};

struct SubtitleStream {
    int index = -1; // the file's stream index
    AVCodecID codec = AV_CODEC_ID_NONE;
    bool text = false;
    // Text: the ASS script header the events belong to (styles, play resolution).
    std::string header;
    // Bitmap: the size the pictures' positions refer to (0 when the track does not say).
    int width = 0, height = 0;
    std::shared_ptr<AVCodecParameters> parameters; // for a decoder of the packets
    AVRational timeBase{1, 1000};
    std::vector<SubtitleEvent> events; // by start time
};

// The sound and subtitle tracks a source offers for a choice, in the API's record (numbers 1, 2...
// per type, file order); `indexBase` is added to the file's stream indexes.
void listTracks(const AVFormatContext* input, int indexBase, std::vector<tagVeldesTrack>* tracks);

class SourceSubtitles {
public:
    // `startTime`: the file's start, AV_TIME_BASE units (event times count from it).
    SourceSubtitles(std::string path, int64_t startTime);

    // Reads the tracks of the given file stream indexes that are not read yet, in one pass over
    // the file. 0, or a negative error (AVERROR_EXIT when `interrupt` said so; nothing is kept
    // then and a later call reads again). Safe from any thread; a second caller waits.
    int load(const std::vector<int>& streamIndexes, const AVIOInterruptCB* interrupt);
    // A read track, or null.
    std::shared_ptr<const SubtitleStream> stream(int streamIndex) const;
    // The ASS header of a text track, without reading its events (an output needs it before
    // the first event): 0, or a negative error.
    int header(int streamIndex, const AVIOInterruptCB* interrupt, std::string* out);

private:
    const std::string m_path;
    const int64_t m_startTime;
    mutable std::mutex m_mutex;     // guards m_streams
    std::mutex m_loading;           // one reader at a time
    std::vector<std::shared_ptr<const SubtitleStream>> m_streams;
    std::vector<std::pair<int, std::string>> m_headers; // under m_mutex
};

// Writes `seconds` as an ASS time, H:MM:SS.cc.
std::string assTime(double seconds);
// An ASS script of the track's events placed from `clipBegin` on (times clip-relative; events
// before it dropped or cut), for libass.
std::string assScript(const SubtitleStream& stream, double clipBegin);

} // namespace vel
