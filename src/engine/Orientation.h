// How a video stream is meant to be shown: the display matrix phones and cameras store instead of
// turning the picture, reduced to the eight upright, quarter-turned and mirrored arrangements,
// and the small filter graph that turns decoded frames into the picture as it is meant to be
// shown. Every picture path takes its frames through it first.
#pragma once

#include "AvUtil.h"

namespace vel {

struct Orientation {
    // transpose filter direction (0 = plain transpose, 1 = clockwise, 2 = counter-clockwise,
    // 3 = clockwise then flipped), -1 for none; the flips come after it.
    int transpose = -1;
    bool hflip = false;
    bool vflip = false;

    bool upright() const { return transpose < 0 && !hflip && !vflip; }
    bool swapsAxes() const { return transpose >= 0; }
};

// The arrangement nearest to the stream's display matrix (none when it has no matrix).
Orientation orientationOf(const AVStream* stream);

// The shown size and pixel shape of a stored picture.
void orientSize(const Orientation& o, int* width, int* height);
AVRational orientSampleAspect(const Orientation& o, AVRational sampleAspect);

class CUprightFrames {
public:
    void configure(const Orientation& o, AVRational timeBase);
    const Orientation& orientation() const { return m_orientation; }

    // Replaces the frame's picture by the shown one, in place; frame properties (timestamps,
    // durations) are kept. Nothing is done for an upright stream.
    int apply(AVFrame* frame);

private:
    int build(const AVFrame* like);

    Orientation m_orientation;
    AVRational m_timeBase{1, 25};
    int m_width = 0, m_height = 0, m_format = -1;
    FilterGraphPtr m_graph;
    AVFilterContext* m_source = nullptr;
    AVFilterContext* m_sink = nullptr;
};

} // namespace vel
