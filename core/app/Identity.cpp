#include "core/app/Identity.h"

#include <fstream>

#include "core/app/AppMessages.h"

namespace qor {

namespace {
unsigned char at(const std::string& s, std::size_t i, unsigned char missing) {
    return i < s.size() ? static_cast<unsigned char>(s[i]) : missing;
}
// Three characters from position `from`, short versions padded so they compare lowest.
std::string group(const std::string& v, std::size_t from) {
    std::string g = v.size() > from ? v.substr(from, 3) : std::string();
    g.resize(3, '\0');
    return g;
}
}  // namespace

bool VersionAtLeast(const std::string& version, const std::string& reference) {
    for (std::size_t k = 0; k < 9; ++k) {
        const unsigned char r = at(reference, k, ' ');
        if (r == ' ') return true;
        const unsigned char v = at(version, k, 0);
        if (v > r) return true;
        if (v < r) return false;
    }
    return true;
}

bool EcuIsNewer(const std::string& version, const std::string& toolVersion) {
    if (group(version, 0) < group(toolVersion, 0)) return false;
    return group(version, 3) > group(toolVersion, 3);
}

bool IsSupportedVersion(const std::string& version) {
    const std::string g = group(version, 0);
    return g == "1EA" || g == "4EA";
}

char SystemKind(const std::string& version) {
    return version.size() > 1 ? version[1] : '\0';
}

bool IsUnsupportedEtcVersion(const std::string& version) {
    return !IsSupportedVersion(version) && SystemKind(version) == 'E';
}

std::string SystemWordAtUpload(char kind) {
    switch (kind) {
        case 'I':
            return "Ignition";
        case 'F':
            return "Fuel injection";
        case 'M':
            return "Motormanagement";
        default:
            return "correct";
    }
}

std::string SystemWordAtDownload(char kind) {
    switch (kind) {
        case 'I':
            return "Ignition";
        case 'F':
            return "Fuel";
        default:
            return "correct";
    }
}

std::optional<std::int32_t> ReadLanguageIni(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    unsigned char b[4];
    if (!in.read(reinterpret_cast<char*>(b), 4)) return std::nullopt;
    const std::uint32_t u = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 |
                            std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    return static_cast<std::int32_t>(u);
}

std::string ManualFileNameFor(std::int32_t language) {
    switch (language) {
        case 1:
            return std::string(app_msg::kManualEnglish103);
        case 3:
            return std::string(app_msg::kManualDutch103);
        default:
            return std::string(app_msg::kManualEnglish13);
    }
}

}  // namespace qor
