#pragma once
#include <optional>
#include <string>
#include <vector>

namespace qor {

inline constexpr const char* kComIniName = "com.ini";
inline constexpr std::size_t kComIniRecordSize = 21;  // length byte + 20 characters

// What com.ini yielded: record 1's name if it could be read, and whether the whole
// read (both records) succeeded.
struct ComIniRead {
    std::optional<std::string> record1;
    bool ok = false;
};
ComIniRead ReadComIni(const std::string& path);

// The two records: the port name (cut to 20 characters) and "Fast", zero-filled.
std::vector<unsigned char> ComIniBytes(const std::string& portName);
// Replaces the file as a whole: written to a temporary file beside it and renamed over it,
// so a failed save leaves the previous file intact. False on any failure.
bool WriteComIni(const std::string& path, const std::string& portName);

// The port name at start-up: "COM1", record 1 of com.ini, and when the file cannot be read
// a "-1".."-9" switch in parameter 1 or 2 (args[0] is the program itself).
std::string ResolvePortName(const std::string& appDir, const std::vector<std::string>& args);

}  // namespace qor
