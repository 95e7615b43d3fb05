// Writes Pred01.e0i .. Pred05.e0i into the folder given as the only argument, with the
// tool's own parameter file writer. Every parameter outside the control-loop group keeps
// its start value; only the control-loop group is read back from these files.
#include <cstdio>
#include <string>

#include "System/predefined_settings.h"
#include "core/app/ToolState.h"
#include "core/image/FileCommands.h"
#include "core/image/ParameterFile.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_predefined OUTPUT_DIR\n");
        return 2;
    }
    qor::DiskFileStore disk;
    for (int i = 0; i < qor::kPredefinedCount; ++i) {
        qor::ParameterSet params;
        qor::ImageStores stores;
        for (int p = 0; p < 18; ++p)
            params.set(
                qor::predefined::kNames[p],
                qor::predefined::kValues[static_cast<std::size_t>(p)][static_cast<std::size_t>(i)]);
        const auto data = qor::BuildParameterFile(
            qor::kToolVersion, qor::HasOpenLoopIdle(qor::kToolVersion), params, stores);
        const std::string path = std::string(argv[1]) + "/" + qor::PredefinedFileName(i);
        if (!disk.replaceAtomically(path, data)) {
            std::fprintf(stderr, "make_predefined: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
