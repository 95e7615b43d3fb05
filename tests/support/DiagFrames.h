#pragma once
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "core/platform/Bytes.h"

namespace qor::test {

// A live data frame ('*', 32 words high byte first, checksum) with the given words set at their
// byte offsets and every other word zero.
inline Bytes LiveFrame(std::initializer_list<std::pair<int, std::uint16_t>> words = {}) {
    Bytes frame(66, 0);
    frame[0] = '*';
    for (auto [offset, word] : words) {
        frame[offset] = static_cast<Byte>(word >> 8);
        frame[offset + 1] = static_cast<Byte>(word & 0xFF);
    }
    unsigned sum = 0;
    for (int i = 0; i < 65; ++i) sum += frame[i];
    frame[65] = static_cast<Byte>(sum & 0xFF);
    return frame;
}

}  // namespace qor::test
