// Whole-image decode and encode, and parameter file save and open, on a random valid set.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "core/image/ParameterFile.h"
#include "tests/support/ImageFixtures.h"

namespace {

using qor::test::ImageState;

void BM_EncodeImage(benchmark::State& st) {
    ImageState s;
    qor::test::randomizeImageState(s, 1);
    for (auto _ : st) benchmark::DoNotOptimize(qor::test::encodeImage(s));
}
BENCHMARK(BM_EncodeImage)->Unit(benchmark::kMicrosecond);

void BM_DecodeImage(benchmark::State& st) {
    ImageState src;
    qor::test::randomizeImageState(src, 1);
    const auto img = qor::test::encodeImage(src);
    ImageState s;
    for (auto _ : st) {
        qor::test::decodeImage(img, s);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DecodeImage)->Unit(benchmark::kMicrosecond);

std::string benchFile() {
    return (std::filesystem::temp_directory_path() / "qor-bench-image.e00").string();
}

void BM_SaveFile(benchmark::State& st) {
    ImageState s;
    qor::test::randomizeImageState(s, 2);
    qor::DiskFileStore disk;
    const auto path = benchFile();
    for (auto _ : st) {
        const auto data = qor::BuildParameterFile("1EA1AB1AA", true, s.params, s.stores);
        if (!disk.replaceAtomically(path, data)) st.SkipWithError("cannot write");
    }
}
BENCHMARK(BM_SaveFile)->Unit(benchmark::kMicrosecond);

void BM_OpenFile(benchmark::State& st) {
    ImageState src;
    qor::test::randomizeImageState(src, 3);
    qor::DiskFileStore disk;
    const auto path = benchFile();
    disk.replaceAtomically(path,
                           qor::BuildParameterFile("1EA1AB1AA", true, src.params, src.stores));
    ImageState s;
    for (auto _ : st) {
        const auto data = disk.readAll(path);
        const auto img = qor::ParseParameterFile(*data);
        qor::DecodeFileImage(*img, true, s.ctx);
        benchmark::ClobberMemory();
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_OpenFile)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
