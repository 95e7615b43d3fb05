#include <benchmark/benchmark.h>

#include "core/diagnostics/LiveData.h"

namespace {

qor::Bytes Frame(std::uint16_t variant) {
    qor::Bytes f(qor::liveframe::kSize, 0);
    f[0] = qor::liveframe::kLetter;
    // Plausible running-engine words; the variant makes successive frames differ.
    for (int offset = 1; offset < 49; offset += 2) {
        const std::uint16_t w = static_cast<std::uint16_t>(offset * 37 + variant);
        f[offset] = static_cast<qor::Byte>(w >> 8);
        f[offset + 1] = static_cast<qor::Byte>(w);
    }
    f[qor::liveframe::kStatusBits] = 0x01;
    f[qor::liveframe::kStatusBits + 1] = static_cast<qor::Byte>(variant);
    unsigned sum = 0;
    for (int i = 0; i < qor::liveframe::kChecksum; ++i) sum += f[i];
    f[qor::liveframe::kChecksum] = static_cast<qor::Byte>(sum);
    return f;
}

// One live frame decoded onto the dashboard, power panel, calibration gauges and errors window.
void BM_DecodeLiveFrame(benchmark::State& state) {
    qor::Presentation p;
    p.calibration.menuVisible = state.range(0) != 0;
    qor::LiveDataDecoder decoder{p};
    decoder.HandleCalibrationResult = [](std::uint16_t w) { benchmark::DoNotOptimize(w); };
    const qor::Bytes frames[2] = {Frame(0), Frame(1)};
    std::size_t i = 0;
    for (auto _ : state) {
        decoder.DecodeLiveDataFrame(frames[i++ & 1]);
        benchmark::DoNotOptimize(p.dashboard.values[0].data());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(p.calibration.menuVisible ? "calibration menu open" : "dashboard only");
}
BENCHMARK(BM_DecodeLiveFrame)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
