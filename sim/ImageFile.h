#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "sim/SimModule.h"

namespace qor::sim {

// A parameter file (.e00): 1031 little-endian 16-bit records. Records 0..5 hold the first 12
// characters of the version text, two to a record, the first of each pair in the high byte;
// records 6..1029 are image words 0..1023; record 1030 is zero.
struct ImageFile {
    static constexpr std::size_t kRecords = 1031;
    static constexpr std::size_t kFirstImageRecord = 6;
    std::string version;  // up to the first zero character
    std::array<std::uint16_t, kImageWords> image{};

    // False with `error` set when the file cannot be read or is shorter than 1031 records.
    static bool load(const std::string& path, ImageFile& out, std::string& error);
};

}  // namespace qor::sim
