// libFuzzer target for the parameter file reader: any bytes as a parameter file.
// The reader must never crash, and re-saving what it decoded must be stable: a file that
// was decoded and saved once decodes and saves to the very same bytes again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/image/ImageDump.h"
#include "core/image/ParameterFile.h"

namespace {

qor::Bytes decodeAndSave(std::span<const qor::Byte> file) {
    const auto img = qor::ParseParameterFile(file);
    if (!img) return {};
    qor::ParameterSet p;
    qor::ImageStores s;
    qor::ImageEffects e;
    qor::ImageContext ctx{p, s, e};
    const bool openLoop = qor::HasOpenLoopIdle(img->version);
    qor::DecodeFileImage(*img, openLoop, ctx);
    return qor::BuildParameterFile(img->version, openLoop, p, s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const qor::Byte> file(data, size);
    const auto dump = qor::DumpParameterFile(file);
    if (size < static_cast<std::size_t>(qor::kFileBytes)) {
        if (dump.error.empty()) std::abort();  // a short file must be refused
        return 0;
    }
    const qor::Bytes once = decodeAndSave(file);
    const qor::Bytes twice = decodeAndSave(once);
    if (once != twice) std::abort();
    return 0;
}
