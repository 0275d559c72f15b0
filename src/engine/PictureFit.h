// How a picture is placed in an output frame without distortion: the frame's sample aspect
// (what the container will signal) and the largest picture of the source's display shape that
// fits inside the frame, the rest being black bars.
#pragma once

extern "C" {
#include <libavutil/rational.h>
}

namespace vel {

struct PictureBox {
    int width = 0, height = 0;
};

// A sample aspect that is unset, zero or negative reads as square pixels.
AVRational squareIfUnset(AVRational sampleAspect);

// The sample aspect of a frame of frameWidth x frameHeight. `displayAspect` > 0 asks for that
// display shape; 0 or less keeps pixels square, except that a frame of the source's own size
// keeps the source's sample aspect (so an anamorphic source stays as it is).
AVRational frameSampleAspect(double displayAspect, int frameWidth, int frameHeight, int sourceWidth,
                             int sourceHeight, AVRational sourceSampleAspect);

// The largest even-sized picture, in frame pixels, that shows a source of display shape
// `sourceDisplayAspect` (width / height as seen) undistorted in the frame.
PictureBox fitPicture(int frameWidth, int frameHeight, AVRational frameSampleAspect,
                      double sourceDisplayAspect);

} // namespace vel
