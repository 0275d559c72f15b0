// The output size estimate: arithmetic on the export setting and the clip, no encoding. Stream
// payloads follow from the bit rates the encoders are set to (or the fixed frame sizes of AMR,
// DV, PCM...), scaled by how closely each kind of encoder meets its target; the container adds
// a fixed part and a cost per packet. The model was checked against real outputs.
#pragma once

#include "OutputPlan.h"

#include <cstdint>

namespace vel {

struct EstimateInput {
    ExportTarget target;
    double seconds = 0.0;        // clip length
    bool videoFromSource = true; // false: the output's video would be black pictures
    bool audioFromSource = true; // false: silence
    // What the probe knows of the source's picture, for content the encoder finds easy (it
    // spends less than its target) or very hard (it cannot get down to it); 0 = unknown.
    double sourceBitRate = 0.0;    // bits per second of the video stream
    double sourcePixelRate = 0.0;  // width x height x frames per second
    int sourceCodec = 0;           // FFmpeg codec id
};

// Writes the estimated size in bytes; returns 0, or a negative value when the setting cannot be
// produced by this engine.
int estimateEncodedSize(const EstimateInput& input, int64_t* bytes);

} // namespace vel
