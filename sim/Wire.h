#pragma once
#include <cstddef>
#include <vector>

#include "core/platform/Bytes.h"
#include "core/platform/Scheduler.h"
#include "sim/FaultPlan.h"

namespace qor::sim {

// Time on the wire for n bytes at a baud rate: 10 bit times a byte (8N1), rounded up to
// whole milliseconds.
Millis wireTime(std::size_t bytes, int baud);

// One piece of a transmission and when its last byte has arrived, counted from the moment
// the transmission starts.
struct TimedChunk {
    Millis at = 0;
    Bytes bytes;
};

struct ChunkPlan {
    std::vector<TimedChunk> chunks;
    Millis end = 0;  // when the line is free again
};

// Cuts a transmission into the pieces the far end sees: its delay first, then its `chunks`
// pieces (sizes as equal as they can be, larger ones first) `gap` ms apart. Unpaced, each
// piece arrives whole at once; paced, the bytes of a piece arrive as the wire delivers them,
// grouped by the millisecond in which they complete.
ChunkPlan planChunks(const Transmission& t, bool paced);

}  // namespace qor::sim
