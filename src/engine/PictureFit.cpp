#include "PictureFit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vel {

AVRational squareIfUnset(AVRational sampleAspect) {
    return sampleAspect.num > 0 && sampleAspect.den > 0 ? sampleAspect : AVRational{1, 1};
}

AVRational frameSampleAspect(double displayAspect, int frameWidth, int frameHeight, int sourceWidth,
                             int sourceHeight, AVRational sourceSampleAspect) {
    if (frameWidth <= 0 || frameHeight <= 0)
        return {1, 1};
    if (displayAspect > 0.0) {
        AVRational q = av_d2q(displayAspect * frameHeight / frameWidth, 1000);
        return squareIfUnset(q);
    }
    // Sizes are made even on the way, so a source of 721 lines still counts as its own size.
    bool ownSize =
        std::abs(frameWidth - sourceWidth) <= 1 && std::abs(frameHeight - sourceHeight) <= 1;
    return ownSize ? squareIfUnset(sourceSampleAspect) : AVRational{1, 1};
}

PictureBox fitPicture(int frameWidth, int frameHeight, AVRational frameSampleAspect,
                      double sourceDisplayAspect) {
    PictureBox box{frameWidth, frameHeight};
    if (frameWidth <= 0 || frameHeight <= 0 || !(sourceDisplayAspect > 0.0))
        return box;
    const double sar = av_q2d(squareIfUnset(frameSampleAspect));
    const double frameDisplay = frameWidth * sar / frameHeight;
    // Within half a pixel of the frame's own shape there is nothing worth a bar.
    if (std::fabs(frameDisplay / sourceDisplayAspect - 1.0) * std::max(frameWidth, frameHeight) <
        1.0)
        return box;
    if (sourceDisplayAspect > frameDisplay) {
        double h = frameWidth * sar / sourceDisplayAspect;
        box.height = int(std::lround(h / 2.0)) * 2;
    } else {
        double w = frameHeight * sourceDisplayAspect / sar;
        box.width = int(std::lround(w / 2.0)) * 2;
    }
    box.width = std::clamp(box.width, 2, frameWidth);
    box.height = std::clamp(box.height, 2, frameHeight);
    return box;
}

} // namespace vel
