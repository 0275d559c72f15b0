// Every figure the measured size estimate and the size fit are tuned by, in one place, each with
// where its value comes from. Three kinds:
//   cost      - what a measurement may spend; it bounds time, not accuracy.
//   codec     - a property of an encoder or format, as its documentation or source states it.
//   measured  - taken from a benchmark run: the benchmark and the sources are named. Such a figure
//               only sets where a search starts or stops, never a predicted size: sizes come from
//               what the encoder did with this clip's own content.
// The instant figure (EncodedSize.cpp) is the exception: it encodes nothing, so its tables are
// fitted to bench/estimate-accuracy's fixed corpus, and it is shown only until a measured figure
// arrives.
#pragma once

#include <cstdint>

namespace vel::tuning {

// --- Where the sample is taken (CSizeSampler, SampleWindows) ---------------------------------

// cost: seconds a measurement encodes at most at 640x480x25 and below; larger pictures get
// proportionally less, down to the least. A clip up to 5/4 of that is encoded whole.
inline constexpr double kSampleSeconds = 8.0;
inline constexpr double kLeastSampleSeconds = 6.0;
inline constexpr double kReferencePixelRate = 640.0 * 480.0 * 25.0;
// cost: windows over a clip of one content; a clip of several parts gets one a part, each at
// least this long (a shorter one holds little but the encoder's start on new content).
inline constexpr int kWindows = 4;
inline constexpr double kLeastWindowSeconds = 1.0;
// codec: a window starts this far past its keyframe, as packet times may run a few pictures ahead
// of presentation and a seek to the keyframe's own time can land a group of pictures earlier.
inline constexpr int64_t kPastKeyMs = 250;
// measured: source rates within this factor of a part's own are the same content. Within a scene
// of the random sources' kinds the source rate (x264 CRF, MPEG-4, MJPEG, FFV1 sources) swings by
// less; at their cuts it moves by more (a factor 2.1 at the smallest, life to colour bars).
inline constexpr double kContentChange = 1.5;
// Rates under this share of the clip's mean count alike: near-empty seconds differ only in noise.
inline constexpr double kQuietShare = 0.05;

// --- Sound (CSizeSampler) ----------------------------------------------------------------------

// codec: AAC spends its full rate at first and less on simple sound later, over minutes; so sound
// up to this long is encoded whole, a longer clip's lead is, and the rest goes at the rate of the
// lead's second half. Sound kept for a run is encoded whole for clips up to 15 minutes.
inline constexpr double kWholeSoundSeconds = 150.0;
inline constexpr double kSoundLeadSeconds = 120.0;
inline constexpr double kKeptSoundSeconds = 900.0;

// --- What the sample's pictures say of the clip's (SamplePictureBits) ------------------------

// measured: windows of one sample whose rates differ by this factor show content that changes
// (bench/estimate-accuracy fixed corpus, changing-120s against the others).
inline constexpr double kChangingContent = 3.0;
// codec: H.264 quantiser steps that double the bits.
inline constexpr double kStepsPerDoubling = 6.0;
// codec: steps a rate control is taken to move to reach its target; a window further below it is
// near-empty content (a still picture's ordinary pictures are skipped blocks at any quantiser).
inline constexpr double kFurthestReach = 12.0;
// codec: x264's own key interval, which the wrapper leaves in place when none is set.
inline constexpr int kDefaultKeyInterval = 250;

// --- The size fit (SizeFit) --------------------------------------------------------------------

// measured: a sampled fit aims this share below its limit: what a sample cannot foresee of a run
// (bench/fit-size fixed corpus: the largest run over its sample's prediction was 2.6 %).
inline constexpr double kMargin = 0.03;
// An encode of the whole clip is exact: it may come this close.
inline constexpr double kWholeMargin = 0.005;
// Pictures below this many bits per pixel and frame are no longer worth looking at.
inline constexpr double kUsefulBitsPerPixel = 0.004;
inline constexpr int64_t kLeastUsefulVideoRate = 8000;
// The first rate aims this far into what the sound leaves.
inline constexpr double kFirstAim = 0.98;
// Sound may give up bit rate for pictures until pictures have this share of the bytes.
inline constexpr double kPictureShare = 0.25;
// codec: sound that a lower rate brought down by less than this share is at its encoder's least
// (AAC stereo at 44.1 kHz spends about 25 kb/s however little it is asked for).
inline constexpr double kSoundNoLess = 0.97;

// --- The rate search (RateSearch) --------------------------------------------------------------
// measured: bench/fit-size fixed corpus (x264, MPEG-4, Xvid, H.263 at limits from a tenth to a
// half of a plain conversion's size). They set when the search stops, not what a run spends.

// A measurement that fills this share of its budget is taken; a lower one is aimed again.
inline constexpr double kAcceptedFill = 0.96;
// An encode of the whole clip that filled this share is kept rather than aimed again once a
// higher rate came out over (encoders whose quantiser steps jump the band).
inline constexpr double kCloseFill = 0.9;
// cost: measurements after the first at most, of samples and of clips encoded whole.
inline constexpr int kAttempts = 3;
inline constexpr int kWholeAttempts = 5;
// Where in the budget a correction aims.
inline constexpr double kAim = 0.985;
// A correction of a sample's rate up to this share is not measured again: spending follows the
// rate that closely over so short a step.
inline constexpr double kTrustedStep = 0.12;
// A sample with this share of its pictures at the encoder's finest quantiser cannot spend more.
inline constexpr double kFinestShare = 0.9;
// No rate above this multiple of the first is asked for.
inline constexpr int64_t kHighestRaise = 4;
// A prediction over its budget at the coarsest quantiser is refused: such a run can only come
// out over too.
inline constexpr double kCoarsestExcess = 1.0;

} // namespace vel::tuning
