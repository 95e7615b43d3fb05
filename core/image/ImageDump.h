#pragma once
// Text and JSON listings of a parameter file, and the differences between two.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/platform/Bytes.h"

namespace qor {

struct DumpEntry {
    std::string name;   // parameter, grid cell name[c], or store
    std::string value;  // as text: numbers in their shortest exact form, list items quoted after
    std::string json;   // JSON value
    bool operator==(const DumpEntry&) const = default;
};

struct DumpResult {
    std::vector<DumpEntry> entries;  // empty when error is set
    std::string error;               // one line, empty when the file could be read
};

// Every parameter of the file (in catalogue order), then the stores the file carries:
// version, UserCurve1[c], UserCurve2[c], SystemArea[i], CanSettingsTouched.
DumpResult DumpParameterFile(std::span<const Byte> file);

std::string FormatDumpText(const std::vector<DumpEntry>& e);
std::string FormatDumpJson(const std::vector<DumpEntry>& e);

struct DumpDifference {
    std::string name;
    DumpEntry a, b;
};
std::vector<DumpDifference> DiffDumps(const std::vector<DumpEntry>& a,
                                      const std::vector<DumpEntry>& b);
std::string FormatDiffText(const std::vector<DumpDifference>& d);
std::string FormatDiffJson(const std::vector<DumpDifference>& d);

// The command line of qor-etc-dump; returns the exit code (0 ok / same, 1 files differ,
// 2 damaged or unreadable file or bad usage).
int RunDumpTool(const std::vector<std::string>& args, std::string& out, std::string& err);

}  // namespace qor
