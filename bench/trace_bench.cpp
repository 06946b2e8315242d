// Cost of tracing: latch writes into the simulated board with and without the VCD trace around
// it. The trace renders each access as it is confirmed sent and writes the file once per latch
// write, so an exerciser hopping every millisecond must not be slowed by it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "link/sim_board.h"
#include "link/trace.h"
#include "model/latch.h"
#include "model/variants.h"

namespace {

EvalState bench_state() { return variants::start_state("ksy7100-1"); }

void run(benchmark::State& bs, boardlink::Port& port) {
    EvalState s = bench_state();
    uint8_t latch = 0;
    for (auto _ : bs) {
        s.latch_select = latch;
        write_latch(s, port);
        latch = (latch + 1) & 3;
    }
    bs.counters["latch_writes_per_s"] = benchmark::Counter(double(bs.iterations()), benchmark::Counter::kIsRate);
}

void BM_LatchWriteUntraced(benchmark::State& bs) {
    boardlink::SimBoard board;
    run(bs, board);
}

void BM_LatchWriteTraced(benchmark::State& bs) {
    std::string path = (std::filesystem::temp_directory_path() / ("ksy_bench_" + std::to_string(::getpid()) + ".vcd")).string();
    std::string error;
    auto trace = boardlink::TracePort::create(std::make_unique<boardlink::SimBoard>(), path, error);
    if (!trace) {
        bs.SkipWithError(error.c_str());
        return;
    }
    run(bs, *trace);
    trace.reset();
    bs.counters["trace_bytes_per_write"] = double(std::filesystem::file_size(path)) / double(bs.iterations());
    std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(BM_LatchWriteUntraced);
BENCHMARK(BM_LatchWriteTraced);
BENCHMARK_MAIN();
