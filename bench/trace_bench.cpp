// Cost of tracing: latch writes into the simulated board with and without the VCD trace around
// it. The trace renders each access as it is confirmed sent and writes the file once per latch
// write, so an exerciser hopping every millisecond must not be slowed by it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "bench/latch_rounds.h"
#include "link/sim_board.h"
#include "link/trace.h"
#include "model/latch.h"
#include "model/variants.h"

namespace {

void BM_LatchWriteUntraced(benchmark::State& bs) {
    boardlink::SimBoard board;
    write_latches_in_turn(bs, board);
}

void BM_LatchWriteTraced(benchmark::State& bs) {
    std::string path = (std::filesystem::temp_directory_path() / ("ksy_bench_" + std::to_string(::getpid()) + ".vcd")).string();
    std::string error;
    auto trace = boardlink::TracePort::create(std::make_unique<boardlink::SimBoard>(), path, error);
    if (!trace) {
        bs.SkipWithError(error.c_str());
        return;
    }
    write_latches_in_turn(bs, *trace);
    trace.reset();
    bs.counters["trace_bytes_per_write"] = double(std::filesystem::file_size(path)) / double(bs.iterations());
    std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(BM_LatchWriteUntraced);
BENCHMARK(BM_LatchWriteTraced);
BENCHMARK_MAIN();
