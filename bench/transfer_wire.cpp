// A full upload and a full download, in real time, against qor-etc-sim on a pseudo-terminal
// with wire-speed pacing, through the same core and POSIX port as qor-etc-cli. Each run
// reports its wall time next to the protocol floor: the time the bytes need on the wire at
// the baud rates used, plus the timer waits the protocol itself prescribes.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "core/app/Identity.h"
#include "sim/SimProcess.h"
#include "tools/qor-etc-cli/Session.h"


namespace {

using qor::cli::Session;

// qor-etc-sim --pace, its device path read from the first line it prints.
// QOR_BENCH_SIM_LOG=FILE keeps the simulator's byte log for a closer look.
std::vector<std::string> pacedSimArgs() {
    std::vector<std::string> args{"--pace"};
    if (const char* log = std::getenv("QOR_BENCH_SIM_LOG")) args.insert(args.end(), {"--log", log});
    return args;
}

class PacedSim : public qor::sim::SimProcess {
public:
    PacedSim() : SimProcess(std::string(QOR_BIN_DIR) + "/qor-etc-sim", pacedSimArgs()) {
        if (device().empty()) throw std::runtime_error("qor-etc-sim printed no device");
    }
};

// Bytes of an upload after the switch to 115200: 'S' and its 8-byte reply, the 6-byte 'a'
// and its 4-byte reply, and per block of the plan a 6-byte 'Z' and 2 x count + 2 bytes back.
std::size_t uploadFastBytes() {
    const auto& b = qor::kSupportedRegionTable;
    std::size_t n = 1 + 8 + 6 + 4;
    for (const auto& row : qor::BlockPlan()) {
        const int count = b[static_cast<std::size_t>(row.toBoundary)] -
                          b[static_cast<std::size_t>(row.fromBoundary)];
        n += 6 + 2 * static_cast<std::size_t>(count) + 2;
    }
    return n;
}

// Sequencer ticks of a full download to a module with the open-loop idle table: the baud
// switch, then per step one tick per frame and one to complete (190 has no frame), then 'R'.
int downloadTicks() {
    int ticks = 1;
    for (int st = 30; st != 200;) {
        const qor::SequencerRow* row = qor::SequencerRowFor(st);
        ticks += static_cast<int>(qor::PagePlanFor(row->encoder).frames.size()) + 1;
        st = row->next;
    }
    return ticks + 1;
}

double wireMs(std::size_t bytes, int baud) { return static_cast<double>(bytes) * 10.0 * 1000.0 / baud; }

PacedSim& sim() {
    static PacedSim s;
    return s;
}

std::string parameterFile() {
    return (std::filesystem::temp_directory_path() / ("qor-bench-" + std::to_string(::getpid()) + ".e00"))
        .string();
}

// bytes_* and ticks_seen are what this run measured; the floor uses the protocol's counts.
void report(benchmark::State& state, double wall, double floor, std::size_t slow, std::size_t fast,
            int ticks) {
    state.SetIterationTime(wall / 1000.0);
    state.counters["wall_ms"] = wall;
    state.counters["floor_ms"] = floor;
    state.counters["ratio"] = wall / floor;
    state.counters["bytes_9600"] = static_cast<double>(slow);
    state.counters["bytes_115200"] = static_cast<double>(fast);
    state.counters["ticks_seen"] = ticks;
}

// Floor: the 80 ms poll tick before 'V'; the 'V' request and reply at 9600 baud; one 50 ms
// sequencer tick to the fast rate ('G' goes out inside it); everything after ('S', 'a', the
// 18 block reads and replies) back to back at 115200 baud.
void BM_Upload(benchmark::State& state) {
    for (auto _ : state) {
        Session s(sim().device());
        s.onProgress = nullptr;
        const double t0 = s.loop.nowMs();
        const int rc = s.upload(parameterFile());
        const double wall = s.loop.nowMs() - t0;
        if (rc != qor::cli::kOk) {
            state.SkipWithError("upload failed");
            return;
        }
        const std::size_t slow = s.port.bytesAtBaud[9600], fast = s.port.bytesAtBaud[115200];
        const double floor = 80 + wireMs(12, 9600) + 50 + wireMs(uploadFastBytes(), 115200);
        report(state, wall, floor, slow, fast, 2);
        // From each reply's last bytes to the tool's next write, summed over the upload.
        state.counters["tool_turns_ms"] = s.port.turnaroundMs;
    }
}

// Floor: the 'V' request and reply at 9600 baud; then one 50 ms period for every sequencer
// tick that acted (the baud switch, each page frame, each step's completion, 'R'), since each
// tick re-arms the 50 ms timer and every frame with its 'Y' fits inside one period at 115200
// baud; then the 'R' reply at 115200 baud.
void BM_Download(benchmark::State& state) {
    {
        Session up(sim().device());
        up.onProgress = nullptr;
        if (up.upload(parameterFile()) != qor::cli::kOk) {
            state.SkipWithError("upload for the download failed");
            return;
        }
    }
    for (auto _ : state) {
        Session s(sim().device());
        s.onProgress = nullptr;
        if (s.openFile(parameterFile()) != qor::cli::kOk) {
            state.SkipWithError("cannot read the parameter file");
            return;
        }
        int ticks = 0;
        auto step = s.tool().hooks().sequencerStep;
        s.tool().hooks().sequencerStep = [&] {
            if (s.state().StepDone) ++ticks;
            step();
        };
        const double t0 = s.loop.nowMs();
        const int rc = s.download();
        const double wall = s.downloadEndedAt - t0;
        if (rc != qor::cli::kOk) {
            state.SkipWithError("download failed");
            return;
        }
        const std::size_t slow = s.port.bytesAtBaud[9600], fast = s.port.bytesAtBaud[115200];
        const double floor = wireMs(12, 9600) + downloadTicks() * 50.0 + wireMs(2, 115200);
        report(state, wall, floor, slow, fast, ticks);
    }
}

BENCHMARK(BM_Upload)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Download)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
    const std::size_t fast = uploadFastBytes();
    const int ticks = downloadTicks();
    std::printf(
        "floor = the bytes the protocol needs on the wire, 10 bits each, at the baud rate in use,\n"
        "        plus the timer waits it prescribes:\n"
        "upload:   80 ms poll tick + 'V' and its reply (12 bytes at 9600: %.2f ms) + one 50 ms\n"
        "          sequencer tick (the 'G' goes out inside it) + %zu bytes at 115200 ('S', 'a'\n"
        "          and the 18 block reads with their replies, back to back: %.2f ms) = %.2f ms.\n"
        "download: 'V' and its reply (12 bytes at 9600: %.2f ms) + %d sequencer ticks x 50 ms\n"
        "          (the baud switch, one per page frame, one per step completion, 'R'; each frame\n"
        "          and its 'Y' fit inside a tick at 115200) + 'R' and its reply (2 bytes at\n"
        "          115200: %.2f ms) = %.2f ms.\n"
        "ratio = wall / floor; bytes_* and ticks_seen are what the run measured.\n",
        wireMs(12, 9600), fast, wireMs(fast, 115200),
        80 + wireMs(12, 9600) + 50 + wireMs(fast, 115200), wireMs(12, 9600), ticks,
        wireMs(2, 115200), wireMs(12, 9600) + ticks * 50.0 + wireMs(2, 115200));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(parameterFile().c_str());
    return 0;
}
