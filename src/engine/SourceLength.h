// How long a source really is. A container's own duration field is often wrong where it can be
// checked: fragmented files, edit lists, a header written before the recording ended, or a
// missing or absurd value. The length is what the streams hold: their durations, the end of
// their index, and where neither is known, the last packet a read of the file finds.
#pragma once

#include "AvUtil.h"

#include <atomic>

namespace vel {

// The length in AV_TIME_BASE units from the file's start time, 0 when nothing tells it.
// May read the file (demultiplexing only) when its fields disagree with nothing to settle it;
// `abort` (may be null) ends such a read.
int64_t sourceLength(AVFormatContext* ctx, const std::atomic<bool>* abort);

} // namespace vel
