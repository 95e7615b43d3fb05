#include "sim/Wire.h"

#include <algorithm>

namespace qor::sim {

Millis wireTime(std::size_t bytes, int baud) {
    if (baud <= 0) return 0;
    const auto bitsTimesThousand = static_cast<Millis>(bytes) * 10 * 1000;
    return (bitsTimesThousand + baud - 1) / baud;
}

ChunkPlan planChunks(const Transmission& t, bool paced) {
    ChunkPlan plan;
    const std::size_t total = t.bytes.size();
    const std::size_t pieces = std::clamp<std::size_t>(
        static_cast<std::size_t>(std::max(t.chunks, 1)), 1, std::max<std::size_t>(total, 1));
    Millis cursor = t.delay;
    std::size_t pos = 0;
    for (std::size_t k = 0; k < pieces; ++k) {
        const std::size_t size = total / pieces + (k < total % pieces ? 1 : 0);
        if (k > 0) cursor += t.gap;
        if (size == 0) continue;
        if (!paced) {
            plan.chunks.push_back(
                {cursor, Bytes(t.bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                               t.bytes.begin() + static_cast<std::ptrdiff_t>(pos + size))});
        } else {
            for (std::size_t j = 0; j < size; ++j) {
                const Millis at = cursor + wireTime(j + 1, t.baud);
                if (plan.chunks.empty() || plan.chunks.back().at != at)
                    plan.chunks.push_back({at, {}});
                plan.chunks.back().bytes.push_back(t.bytes[pos + j]);
            }
            cursor += wireTime(size, t.baud);
        }
        pos += size;
    }
    plan.end = cursor;
    return plan;
}

}  // namespace qor::sim
