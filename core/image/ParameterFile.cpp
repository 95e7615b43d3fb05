#include "core/image/ParameterFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/app/Identity.h"
#include "core/image/Encodings.h"

namespace qor {

// The files follow the module's own version rules.
bool HasOpenLoopIdle(const std::string& version) {
    return VersionAtLeast(version, kOpenLoopIdleVersion);
}

bool EcuIsNewerThanTool(const std::string& version, const std::string& toolVersion) {
    return EcuIsNewer(version, toolVersion);
}

// ---- Format ------------------------------------------------------------------------------

Bytes BuildParameterFile(const std::string& version, bool withOpenLoop, const ParameterSet& p,
                         const ImageStores& s) {
    std::array<Word, kFileRecords> rec{};
    for (int r = 0; r < kFileHeaderRecords; ++r) {
        auto ch = [&](std::size_t i) {
            return i < version.size() ? static_cast<unsigned char>(version[i]) : 0u;
        };
        rec[static_cast<std::size_t>(r)] = static_cast<Word>(
            ch(2 * static_cast<std::size_t>(r)) * 256 + ch(2 * static_cast<std::size_t>(r) + 1));
    }
    for (int k = 0; k < kRegionCount; ++k) {
        if (k == 17) continue;  // not used: zero words
        if ((k == 15 || k == 16) && !withOpenLoop) continue;
        const auto words = encodeRegion(k, p, s);
        for (std::size_t i = 0; i < words.size(); ++i)
            rec[static_cast<std::size_t>(kFileHeaderRecords + RegionStart(k)) + i] = words[i];
    }
    Bytes out;
    out.reserve(kFileBytes);
    for (Word w : rec) {
        out.push_back(static_cast<Byte>(w & 0xFF));
        out.push_back(static_cast<Byte>(w >> 8));
    }
    return out;
}

std::string ReadFileVersion(std::span<const Byte> file) {
    std::string v;
    for (int r = 0; r < kFileHeaderRecords && static_cast<std::size_t>(2 * r + 1) < file.size();
         ++r) {
        const Byte low = file[static_cast<std::size_t>(2 * r)];
        const Byte high = file[static_cast<std::size_t>(2 * r + 1)];
        if (high == 0) break;
        v.push_back(static_cast<char>(high));
        if (low == 0) break;
        v.push_back(static_cast<char>(low));
    }
    return v;
}

std::optional<FileImage> ParseParameterFile(std::span<const Byte> file) {
    if (file.size() < static_cast<std::size_t>(kFileBytes)) return std::nullopt;
    FileImage f;
    f.version = ReadFileVersion(file);
    for (int w = 0; w < kImageWords; ++w) {
        const auto at = static_cast<std::size_t>(2 * (w + kFileHeaderRecords));
        f.words[static_cast<std::size_t>(w)] = static_cast<Word>(file[at] | (file[at + 1] << 8));
    }
    return f;
}

void DecodeFileImage(const FileImage& f, bool withOpenLoop, ImageContext& ctx) {
    for (int k = 0; k < kRegionCount; ++k) {
        if (k == 17) continue;
        if ((k == 15 || k == 16) && !withOpenLoop) continue;
        const std::span<const Word> words(f.words.data() + RegionStart(k),
                                          static_cast<std::size_t>(RegionWords(k)));
        decodeRegionWords(k, words, ctx);
    }
}

// ---- Files on disk -----------------------------------------------------------------------

std::optional<Bytes> DiskFileStore::readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return data;
}

bool DiskFileStore::replaceAtomically(const std::string& path, std::span<const Byte> data) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    const fs::path temp = target.parent_path() / (target.filename().string() + ".saving");
    std::FILE* f = std::fopen(temp.string().c_str(), "wb");
    if (!f) return false;
    bool ok = writeChunk ? writeChunk(f, data)
                         : std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = (std::fflush(f) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    std::error_code ec;
    if (ok) {
        // A virus scanner may hold the target for a moment on some systems: retry briefly.
        for (int attempt = 0; attempt < 3; ++attempt) {
            fs::rename(temp, target, ec);
            if (!ec) return true;
        }
    }
    fs::remove(temp, ec);
    return false;
}

// ---- Dialog settings -----------------------------------------------------------------------

FileDialogSpec SaveDialogSpec(const std::string& appDir) {
    return {"Save as", "E_gas(*.e00)|*e00", "e00", "noname.e00", appDir, true};
}

FileDialogSpec OpenDialogSpec(const std::string& appDir) {
    return {"Open", "E_gas (*.e00)|*.e00", "e00", "", appDir, false};
}

}  // namespace qor
