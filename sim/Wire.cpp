#include "sim/Wire.h"

#include <algorithm>

namespace qor::sim {

std::int64_t wireTime(std::size_t bytes, int baud, std::int64_t unitsPerMs) {
    if (baud <= 0) return 0;
    const auto bitsTimesUnits = static_cast<std::int64_t>(bytes) * 10 * 1000 * unitsPerMs;
    return (bitsTimesUnits + baud - 1) / baud;
}

ChunkPlan planChunks(const Transmission& t, bool paced, std::int64_t unitsPerMs) {
    ChunkPlan plan;
    const std::int64_t u = std::max<std::int64_t>(unitsPerMs, 1);
    const std::size_t total = t.bytes.size();
    const std::size_t pieces = std::clamp<std::size_t>(
        static_cast<std::size_t>(std::max(t.chunks, 1)), 1, std::max<std::size_t>(total, 1));
    std::int64_t cursor = t.delay * u;
    std::int64_t lastMs = -1;  // the millisecond the last group completes in
    std::size_t pos = 0;
    for (std::size_t k = 0; k < pieces; ++k) {
        const std::size_t size = total / pieces + (k < total % pieces ? 1 : 0);
        if (k > 0) cursor += t.gap * u;
        if (size == 0) continue;
        if (!paced) {
            plan.chunks.push_back(
                {cursor, Bytes(t.bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                               t.bytes.begin() + static_cast<std::ptrdiff_t>(pos + size))});
        } else {
            for (std::size_t j = 0; j < size; ++j) {
                const std::int64_t at = cursor + wireTime(j + 1, t.baud, u);
                const std::int64_t ms = (at + u - 1) / u;
                if (plan.chunks.empty() || ms != lastMs) plan.chunks.push_back({at, {}});
                plan.chunks.back().at = at;
                plan.chunks.back().bytes.push_back(t.bytes[pos + j]);
                lastMs = ms;
            }
            cursor += wireTime(size, t.baud, u);
        }
        pos += size;
    }
    plan.end = cursor;
    return plan;
}

}  // namespace qor::sim
