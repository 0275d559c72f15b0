// How the pictures of a size measurement's sample stand for a whole clip's: the sample is a few
// windows of the clip encoded as a run would encode them, and its pictures' bytes, kinds and
// quantisers tell what the run will spend, given how the encoder's rate control behaves.
#pragma once

#include "COutputWriter.h"

#include <vector>

namespace vel {

// How an encoder's rate control spends: its `target` rate, the `tolerance` (bits) that sets the
// pace it works an early excess off at, and whether it is held to a second's bits (`tight`).
struct RateControl {
    double target = 0.0, tolerance = 0.0;
    bool tight = false;
};

// One window of a sample: where it starts in the sample and how long it lasted there (seconds of
// the sample), and how many seconds of the clip it stands for.
struct SampleSpan {
    double start = 0.0, length = 0.0, represents = 0.0;
};

// The picture bits of a whole clip of `seconds` from those of `sampled` seconds of it, for an
// encoder whose early excess over (or shortfall under) the `target` bit rate is worked off at a
// pace set by `tolerance` (bits).
double scaledVideoBits(double sampledBits, double sampled, double seconds, double target,
                       double tolerance);

// The picture bytes of the whole clip from the sample's pictures. Key pictures cost many
// times an ordinary one, and the sample has them where a run has none (each window starts
// after a jump) and lacks the ones a run places every group of pictures, so the two kinds are
// counted apart: ordinary pictures scale with the pictures each window stands for, key pictures
// with the groups (shared among the windows as they stand for the clip). The first window holds
// the encoder's own start, which a run spends once: its pictures count as they are and the rest
// it stands for goes at the pace of its later half. Bytes per window.
std::vector<double> clipPictureBytes(const std::vector<COutputWriter::PictureNote>& notes,
                                     const std::vector<SampleSpan>& spans, double frameRate,
                                     int group);

// The picture bytes of the windows as a continuous run would spend them, for encoders whose
// groups of pictures are short enough for each window to hold its share of key pictures. Each
// window's first picture follows a jump, so the encoder spends a fresh start on it that a run
// spends once, at the clip's start: within a window it counts as one more of the window's
// ordinary pictures, except in the first window, whose start counts once as above. Bytes per
// window, for the seconds it stands for.
std::vector<double> continuousPictureBytes(const std::vector<COutputWriter::PictureNote>& notes,
                                           const std::vector<SampleSpan>& spans);

// Per window, the bits of a rate control that reaches its target wherever the content can take
// it: a window that spent less than `target` although its pictures were not at the finest
// quantiser (canReach) spends its own rate while sampled and the target for the rest it stands
// for. `bytes` as the functions above give them; the clip's total bits.
double reachedPictureBits(const std::vector<COutputWriter::PictureNote>& notes,
                          const std::vector<SampleSpan>& spans, const std::vector<double>& bytes,
                          const AVCodecContext* encoder, double target);

// The picture bits of the clip for an encoder that works an early excess off slowly. Where the
// windows spend alike (one kind of content) the sample as a whole settles over the clip. Where
// they differ widely (content that changes) each window stands for its share of the clip: one
// that spends over the target settles over that share, one under it is the content's own rate.
double settlingPictureBits(const std::vector<COutputWriter::PictureNote>& notes,
                           const std::vector<SampleSpan>& spans, double seconds,
                           const RateControl& rc);

// Whether an encoder that spent `rate` at the sample's usual quantiser can spend `target`
// above its smallest quantiser (each 6 steps double the bits); content that needs less than
// the target at the finest quality spends only what it needs, however long the run.
bool canReach(const std::vector<COutputWriter::PictureNote>& notes, const AVCodecContext* encoder,
              double rate, double target);

// Whether most of the sample's pictures sit at the encoder's coarsest quantiser: its rate
// control can then spend no less, and works no excess off however long the run.
bool atCoarsest(const std::vector<COutputWriter::PictureNote>& notes,
                const AVCodecContext* encoder);

// The interval of key pictures an encoder keeps when nothing else forces one.
int keyInterval(const AVCodecContext* encoder);

} // namespace vel
