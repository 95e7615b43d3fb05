#include "sim/ImageFile.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace qor::sim {

bool ImageFile::load(const std::string& path, ImageFile& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    const std::vector<char> raw{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
    if (raw.size() < kRecords * 2) {
        error = path + ": " + std::to_string(raw.size()) + " bytes, a parameter file has " +
                std::to_string(kRecords * 2);
        return false;
    }
    auto record = [&](std::size_t i) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                          static_cast<unsigned char>(raw[2 * i + 1]) << 8);
    };
    std::string text;
    for (std::size_t r = 0; r < kFirstImageRecord; ++r) {
        text += static_cast<char>(record(r) >> 8);
        text += static_cast<char>(record(r) & 0xFF);
    }
    out.version = text.substr(0, text.find('\0'));
    for (std::size_t a = 0; a < kImageWords; ++a) out.image[a] = record(kFirstImageRecord + a);
    return true;
}

}  // namespace qor::sim
