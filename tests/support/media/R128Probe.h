// The EBU R128 figures of a file's first sound stream as FFmpeg's own meter (the ebur128 filter
// of the ffmpeg tool) reports them: the oracle for loudness normalisation.
#pragma once

#include <string>

namespace testmedia {

struct R128Probe {
    bool ok = false;
    double integrated = 0.0; // LUFS
    double truePeak = 0.0;   // dBTP
    double range = 0.0;      // LU
};

R128Probe r128(const std::string& path);

} // namespace testmedia
