// Subtitles drawn into the pictures of one source, as a step of its video filter graph: after the
// picture is turned upright (the source does that) and cropped, before it is scaled, so they land
// on the picture as it is shown and are sized for it.
//
// Text tracks are drawn by libass (FFmpeg's `ass` filter) from an ASS script of the track's
// events, written for the clip into an unnamed in-memory file. Bitmap tracks (DVD, PGS, DVB) are
// decoded here, a packet at a time as the pictures reach them, into transparent pictures that an
// `overlay` lays over the frame: each change (a subtitle shown, or cleared) goes in once, so the
// overlay holds it until the next.
//
// A mirroring edit that comes later in the graph would turn the text round: the subtitles are
// drawn mirrored the same way first, so they come out readable where they belong.
#pragma once

#include "AvUtil.h"
#include "SubtitleTrack.h"

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace vel {

class CSubtitleBurn {
public:
    // `clipBegin`: seconds from the media's start where the clip (and picture time 0) begins.
    CSubtitleBurn(std::shared_ptr<const SubtitleStream> stream, double clipBegin);
    ~CSubtitleBurn();
    CSubtitleBurn(const CSubtitleBurn&) = delete;
    CSubtitleBurn& operator=(const CSubtitleBurn&) = delete;

    struct Geometry {
        int frameWidth = 0, frameHeight = 0; // the picture entering the graph
        // The part of it kept by the crop before this step (the whole frame without one).
        int cropX = 0, cropY = 0, cropWidth = 0, cropHeight = 0;
        int flip = 0; // mirroring done after this step: bit 0 horizontal, bit 1 vertical
    };
    // Appends the drawing filters to `chain` (the picture's path) in a new graph; a bitmap track
    // also gets its own input there. 0 or a negative error.
    int addTo(AVFilterGraph* graph, std::vector<AVFilterContext*>* chain, const Geometry& geometry);
    // Before a picture `seconds` from the clip's begin enters the graph: a bitmap track's input
    // gets every change up to it and the next one after.
    int feed(double seconds);
    // No more pictures for this graph: a bitmap track's input ends too.
    int close();

private:
    struct Change {
        double at = 0.0;
        FramePtr canvas; // null: nothing shown from `at` on
    };
    int addText(AVFilterGraph* graph, std::vector<AVFilterContext*>* chain, const Geometry& g);
    int addBitmap(AVFilterGraph* graph, std::vector<AVFilterContext*>* chain, const Geometry& g);
    // Decodes the next packet into changes; false when none is left.
    bool decodeNext();
    FramePtr render(const AVSubtitle& subtitle) const;
    int push(const AVFrame* canvas, double at);

    std::shared_ptr<const SubtitleStream> m_stream;
    double m_clipBegin;
    // Bitmap tracks.
    CodecContextPtr m_decoder;
    bool m_decoderFailed = false;
    int m_canvasWidth = 0, m_canvasHeight = 0;
    size_t m_nextPacket = 0;
    std::deque<Change> m_changes; // decoded, not handed to the graph yet; by time
    FramePtr m_shown; // the change in force at the last picture (null: nothing shown)
    double m_shownAt = 0.0;
    std::optional<Change> m_ahead; // handed over, due after the last picture
    AVFilterContext* m_input = nullptr; // of the current graph; null once ended
    bool m_freshInput = false;          // gets m_shown first
    int64_t m_lastPts = -1;
};

} // namespace vel
