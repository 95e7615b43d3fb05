#pragma once
// Parameter files (.e00): 1031 little-endian 16-bit records: six records of version text,
// the 1024 image words, a final zero.
#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "core/image/RegionCodec.h"
#include "core/platform/Bytes.h"

namespace qor {

inline constexpr int kFileHeaderRecords = 6;
inline constexpr int kFileRecords = 1031;
inline constexpr int kFileBytes = kFileRecords * 2;

// Message texts of the file commands.
namespace file_texts {
inline const std::string kErrorSaving = "Error on saving data";
inline const std::string kErrorReading = "Error on reading file";
inline const std::string kEcuIsNewer =
    "ECU is newer then the PC software\n\rPlease download newer QOR PC software";
}  // namespace file_texts

// True when the module version has the open-loop idle table (at or above "1EA1AB").
bool HasOpenLoopIdle(const std::string& version);
// True when the module version is newer than this software knows.
bool EcuIsNewerThanTool(const std::string& version, const std::string& toolVersion);

// ---- Format ------------------------------------------------------------------------------

// The whole file. Regions 15 and 16 are written only when withOpenLoop; region 17 is zero.
Bytes BuildParameterFile(const std::string& version, bool withOpenLoop, const ParameterSet& p,
                         const ImageStores& s);

struct FileImage {
    std::string version;
    std::array<Word, kImageWords> words{};
};
// Version header: up to 12 characters, ending at the first zero character.
std::string ReadFileVersion(std::span<const Byte> file);
// The whole file checked first: nullopt when it is shorter than 2062 bytes.
std::optional<FileImage> ParseParameterFile(std::span<const Byte> file);

// Decodes every region a file carries in image order: 0..14, then 15 and 16 when
// withOpenLoop, then 18. Region 17 and word 565 are not read.
void DecodeFileImage(const FileImage& f, bool withOpenLoop, ImageContext& ctx);

// ---- Files on disk -----------------------------------------------------------------------

// Reading and writing whole files; a seam so tests can make a write fail.
class FileStore {
  public:
    virtual ~FileStore() = default;
    virtual std::optional<Bytes> readAll(const std::string& path) = 0;
    // Replaces path with data as one step: either the new content or the old file remains.
    virtual bool replaceAtomically(const std::string& path, std::span<const Byte> data) = 0;
};

// Temporary file in the target's folder, written, flushed and closed, then renamed over
// the target. writeChunk lets tests fail half-way; by default it writes everything.
class DiskFileStore : public FileStore {
  public:
    using ChunkWriter = std::function<bool(std::FILE*, std::span<const Byte>)>;
    std::optional<Bytes> readAll(const std::string& path) override;
    bool replaceAtomically(const std::string& path, std::span<const Byte> data) override;
    ChunkWriter writeChunk;  // empty: fwrite of the whole buffer
};

// ---- The main window's file commands ---------------------------------------------------------

struct FileDialogSpec {
    std::string title;
    std::string filter;  // "Description|pattern"
    std::string defaultExtension;
    std::string initialName;  // empty: none
    std::string initialDir;
    bool confirmOverwrite = false;
    bool operator==(const FileDialogSpec&) const = default;
};
FileDialogSpec SaveDialogSpec(const std::string& appDir);
FileDialogSpec OpenDialogSpec(const std::string& appDir);

// Open and save dialogs; the UI implements them. nullopt when the user cancels.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    virtual std::optional<std::string> getSaveFileName(const FileDialogSpec& dialog) = 0;
    virtual std::optional<std::string> getOpenFileName(const FileDialogSpec& dialog) = 0;
};

}  // namespace qor
