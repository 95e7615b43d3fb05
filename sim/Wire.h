#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/platform/Bytes.h"
#include "core/platform/Scheduler.h"
#include "sim/FaultPlan.h"

namespace qor::sim {

// Time on the wire for n bytes at a baud rate: 10 bit times a byte (8N1), rounded up to a
// whole unit of 1/unitsPerMs ms (1: milliseconds, 1000: microseconds).
std::int64_t wireTime(std::size_t bytes, int baud, std::int64_t unitsPerMs = 1);

// One piece of a transmission and when its last byte has arrived, counted from the moment
// the transmission starts, in the plan's units.
struct TimedChunk {
    std::int64_t at = 0;
    Bytes bytes;
};

struct ChunkPlan {
    std::vector<TimedChunk> chunks;
    std::int64_t end = 0;  // when the line is free again
};

// Cuts a transmission into the pieces the far end sees: its delay first, then its `chunks`
// pieces (sizes as equal as they can be, larger ones first) `gap` ms apart. Unpaced, each
// piece arrives whole at once; paced, the bytes of a piece arrive as the wire delivers them,
// grouped by the millisecond in which they complete, each group when its last byte is done.
// Times are in units of 1/unitsPerMs ms: a real-time transport uses microseconds so that
// short answers at the fast speed are not stretched to whole milliseconds.
ChunkPlan planChunks(const Transmission& t, bool paced, std::int64_t unitsPerMs = 1);

}  // namespace qor::sim
