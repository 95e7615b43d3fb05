#include "core/image/ImageDump.h"

#include <charconv>
#include <map>

#include "core/image/FileCommands.h"
#include "core/image/ParameterFile.h"

namespace qor {

namespace {

std::string numberText(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string jsonString(const std::string& s) {
    std::string o = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            o += '\\';
            o += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            o += buf;
        } else {
            o += static_cast<char>(c);
        }
    }
    return o + "\"";
}

DumpEntry numberEntry(std::string name, double v) {
    const std::string t = numberText(v);
    return {std::move(name), t, t};
}

}  // namespace

DumpResult DumpParameterFile(std::span<const Byte> file) {
    DumpResult r;
    const auto img = ParseParameterFile(file);
    if (!img) {
        r.error = "damaged parameter file: " + std::to_string(file.size()) +
                  " bytes, a parameter file has " + std::to_string(kFileBytes);
        return r;
    }
    ParameterSet p;
    ImageStores s;
    ImageEffects e;
    ImageContext ctx{p, s, e};
    DecodeFileImage(*img, HasOpenLoopIdle(img->version), ctx);

    r.entries.push_back({"version", img->version, jsonString(img->version)});
    const auto& cat = Catalogue();
    for (int i = 0; i < static_cast<int>(cat.size()); ++i) {
        const auto& d = cat[static_cast<std::size_t>(i)];
        if (d.isGrid()) {
            for (int c = d.firstColumn; c < d.firstColumn + d.cells; ++c)
                r.entries.push_back(
                    numberEntry(d.name + "[" + std::to_string(c) + "]", p.cell(i, c)));
            continue;
        }
        DumpEntry en = numberEntry(d.name, p.get(i));
        if (d.kind == ControlKind::List) {
            const auto& item = d.items[static_cast<std::size_t>(p.get(i))];
            en.value += " " + jsonString(item);
        }
        r.entries.push_back(std::move(en));
    }
    for (int c = 0; c < kCurveCells; ++c)
        r.entries.push_back(numberEntry("UserCurve1[" + std::to_string(c) + "]",
                                        s.UserCurve1[static_cast<std::size_t>(c)]));
    for (int c = 0; c < kCurveCells; ++c)
        r.entries.push_back(numberEntry("UserCurve2[" + std::to_string(c) + "]",
                                        s.UserCurve2[static_cast<std::size_t>(c)]));
    for (int i = 0; i < kSystemAreaWords; ++i)
        r.entries.push_back(numberEntry("SystemArea[" + std::to_string(i) + "]",
                                        s.SystemArea[static_cast<std::size_t>(i)]));
    // The tool never reads this word back into its flag; shown for information.
    r.entries.push_back(
        numberEntry("CanSettingsTouched", img->words[kCanSettingsTouchedWord] >> 8 == 1 ? 1 : 0));
    return r;
}

std::string FormatDumpText(const std::vector<DumpEntry>& entries) {
    std::string o;
    for (const auto& e : entries) o += e.name + " = " + e.value + "\n";
    return o;
}

std::string FormatDumpJson(const std::vector<DumpEntry>& entries) {
    std::string o = "{\n";
    for (std::size_t i = 0; i < entries.size(); ++i)
        o += "  " + jsonString(entries[i].name) + ": " + entries[i].json +
             (i + 1 < entries.size() ? ",\n" : "\n");
    return o + "}\n";
}

std::vector<DumpDifference> DiffDumps(const std::vector<DumpEntry>& a,
                                      const std::vector<DumpEntry>& b) {
    std::map<std::string, const DumpEntry*> inB;
    for (const auto& e : b) inB[e.name] = &e;
    std::vector<DumpDifference> d;
    for (const auto& e : a) {
        auto it = inB.find(e.name);
        if (it != inB.end() && !(it->second->value == e.value))
            d.push_back({e.name, e, *it->second});
    }
    return d;
}

std::string FormatDiffText(const std::vector<DumpDifference>& diffs) {
    std::string o;
    for (const auto& d : diffs) o += d.name + " = " + d.a.value + " | " + d.b.value + "\n";
    return o;
}

std::string FormatDiffJson(const std::vector<DumpDifference>& diffs) {
    std::string o = "{\n";
    for (std::size_t i = 0; i < diffs.size(); ++i)
        o += "  " + jsonString(diffs[i].name) + ": [" + diffs[i].a.json + ", " + diffs[i].b.json +
             "]" + (i + 1 < diffs.size() ? ",\n" : "\n");
    return o + "}\n";
}

int RunDumpTool(const std::vector<std::string>& args, std::string& out, std::string& err) {
    bool json = false;
    bool diff = false;
    std::vector<std::string> files;
    for (const auto& a : args) {
        if (a == "--json")
            json = true;
        else if (a == "--diff")
            diff = true;
        else
            files.push_back(a);
    }
    if (files.size() != (diff ? 2u : 1u)) {
        err = "usage: qor-etc-dump [--json] FILE.e00 | qor-etc-dump [--json] --diff A.e00 B.e00\n";
        return 2;
    }
    DiskFileStore disk;
    std::vector<std::vector<DumpEntry>> dumps;
    for (const auto& f : files) {
        const auto data = disk.readAll(f);
        if (!data) {
            err = "qor-etc-dump: " + f + ": cannot read the file\n";
            return 2;
        }
        auto r = DumpParameterFile(*data);
        if (!r.error.empty()) {
            err = "qor-etc-dump: " + f + ": " + r.error + "\n";
            return 2;
        }
        dumps.push_back(std::move(r.entries));
    }
    if (!diff) {
        out = json ? FormatDumpJson(dumps[0]) : FormatDumpText(dumps[0]);
        return 0;
    }
    const auto d = DiffDumps(dumps[0], dumps[1]);
    out = json ? FormatDiffJson(d) : FormatDiffText(d);
    return d.empty() ? 0 : 1;
}

}  // namespace qor
