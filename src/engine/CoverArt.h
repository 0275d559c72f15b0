// The picture a sound file carries of itself (ID3 APIC, MP4 covr, FLAC PICTURE, Matroska
// attachments shown as attached pictures): shown in a video output instead of a black frame.
#pragma once

#include "AvUtil.h"

namespace vel {

// Decodes the first attached picture of the input. 0 with the picture in *out, a negative
// error otherwise (AVERROR_STREAM_NOT_FOUND when the file carries none).
int decodeCoverArt(const AVFormatContext* ctx, FramePtr* out);

} // namespace vel
