#include "core/link/PortSettings.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace qor {

ComIniRead ReadComIni(const std::string& path) {
    ComIniRead r;
    std::ifstream in(path, std::ios::binary);
    if (!in) return r;
    char rec[kComIniRecordSize];
    if (!in.read(rec, kComIniRecordSize)) return r;
    // The length byte of a damaged file may claim more than the record holds.
    const std::size_t len = std::min<std::size_t>(static_cast<unsigned char>(rec[0]), 20);
    r.record1 = std::string(rec + 1, rec + 1 + len);
    if (!in.read(rec, kComIniRecordSize)) return r;
    r.ok = true;
    return r;
}

std::vector<unsigned char> ComIniBytes(const std::string& portName) {
    std::vector<unsigned char> out(2 * kComIniRecordSize, 0);
    auto put = [&out](std::size_t at, const std::string& s) {
        const std::size_t len = std::min<std::size_t>(s.size(), 20);
        out[at] = static_cast<unsigned char>(len);
        std::copy_n(s.begin(), len, out.begin() + static_cast<std::ptrdiff_t>(at + 1));
    };
    put(0, portName);
    put(kComIniRecordSize, "Fast");
    return out;
}

bool WriteComIni(const std::string& path, const std::string& portName) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    fs::path temp = target;
    temp += ".tmp";
    const auto bytes = ComIniBytes(portName);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(temp, ignored);
            return false;
        }
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return false;
    }
    return true;
}

std::string ResolvePortName(const std::string& appDir, const std::vector<std::string>& args) {
    std::string name = "COM1";
    const ComIniRead r = ReadComIni(appDir + kComIniName);
    if (r.record1) name = *r.record1;
    if (r.ok || args.size() < 2) return name;
    for (char k = '1'; k <= '9'; ++k) {
        const std::string sw = std::string("-") + k;
        const bool first = args.size() > 1 && args[1] == sw;
        const bool second = args.size() > 2 && args[2] == sw;
        if (first || second) name = std::string("COM") + k;  // a later digit wins
    }
    return name;
}

}  // namespace qor
