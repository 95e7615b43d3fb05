#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qor {

using Byte = std::uint8_t;
using Bytes = std::vector<Byte>;

inline Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline std::string textOf(const Bytes& b) { return std::string(b.begin(), b.end()); }

}  // namespace qor
