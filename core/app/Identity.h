#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace qor {

// Modules at or above this version have the open-loop idle table.
inline const std::string kOpenLoopIdleVersion = "1EA1AB   ";

// Region start words of the image for every supported module version.
inline constexpr std::array<int, 20> kSupportedRegionTable = {
    0, 11, 22, 24, 35, 74, 329, 332, 354, 356, 358, 376, 379, 439, 566, 567, 578, 579, 896, 1024};

// version >= reference position by position; a blank in the reference ends the comparison.
bool VersionAtLeast(const std::string& version, const std::string& reference);
// Whether the module (version) is newer than what this software (toolVersion) knows.
bool EcuIsNewer(const std::string& version, const std::string& toolVersion);
bool IsSupportedVersion(const std::string& version);
bool IsUnsupportedEtcVersion(const std::string& version);
// Character 2 of a version: 'E' for an ETC module.
char SystemKind(const std::string& version);
// The word naming another system kind in the refusal messages.
std::string SystemWordAtUpload(char kind);
std::string SystemWordAtDownload(char kind);

// First 4-byte little-endian integer of Language.ini, if the file has one.
std::optional<std::int32_t> ReadLanguageIni(const std::string& path);
std::string ManualFileNameFor(std::int32_t language);

}  // namespace qor
