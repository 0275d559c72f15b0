// Fitting an output into a size ("at most 10 MB"): the video bit rate that makes a run land at or
// under a number of bytes, calibrated by the sample encodes the measured estimate uses (what the
// encoder really spends on this content against what it is asked for), and the corrected rate
// of a second pass when the first still came out over.
#pragma once

#include "CEncodedSound.h"
#include "CSourcePass.h"
#include "OutputPlan.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace vel {

struct SizeFit {
    int64_t videoBitRate = 0; // what the plan's pictures are encoded at (0 without pictures)
    int64_t audioBitRate = 0; // what its sound is encoded at (0 without sound)
    int64_t predictedBytes = 0;
    // Sound and container bytes, which the video rate does not change.
    double fixedBytes = 0.0;
    // Asked for by the caller: a calibration encode that was the whole clip and fits may be kept
    // in `sampleFile`, which is then the output as the run would write it (the caller removes it).
    bool keepSample = false;
    std::string sampleFile;
    // Also kept when asked for: the sound of a single clip as measured, encoded whole, for the
    // run to write instead of encoding it again (null where it was not kept).
    std::shared_ptr<const CEncodedSound> sound;
};

// Sets the plan's bit rates so that `sources`, exported into one output, come to at most
// `targetBytes`. 0; kErrorTargetTooSmall with the reason in *why (a target that cannot hold
// the sound at its lowest rate, or pictures at their useful minimum); or a negative AVERROR
// (AVERROR_EXIT when `abort` was set).
inline constexpr int kErrorTargetTooSmall = -0x5a1f;
int fitToSize(const std::vector<PassSource>& sources, int64_t targetBytes, OutputPlan* plan,
              const std::atomic<bool>* abort, SizeFit* fit, std::string* why);

// The video rate for another pass after one at the plan's rate came out at `actualBytes`
// (`earlier`: the rate and size of the pass before, or zeros): from the two passes' slope where
// there are two, else in proportion; 0 when no useful lower rate can help.
int64_t correctedVideoRate(const SizeFit& fit, const OutputPlan& plan, int64_t targetBytes,
                           int64_t actualBytes, int64_t earlierRate, int64_t earlierBytes);
// Why an output could not be brought under its limit.
std::string overLimitText(int64_t targetBytes, int64_t actualBytes);

// "10 KB", "1.5 MB": sizes in powers of 1024, as the limit was given.
std::string sizeText(int64_t bytes);

} // namespace vel
