// Throughput of the latch path: assembly plus the 76 port calls of one latch write.
// On real hardware one word costs about 76 data-register writes of about a microsecond each;
// the processor's share of a latch write must stay below 1% of that (0.75 microseconds).
#include <benchmark/benchmark.h>

#include "bench/discarding_port.h"
#include "bench/latch_rounds.h"
#include "link/sim_board.h"
#include "model/latch.h"
#include "model/variants.h"

namespace {

EvalState bench_state() { return variants::start_state("ksy7100-1"); }

void run(benchmark::State& bs, boardlink::Port& port, uint64_t& writes) {
    write_latches_in_turn(bs, port);
    bs.counters["port_writes_per_s"] = benchmark::Counter(double(writes), benchmark::Counter::kIsRate);
}

void BM_WriteLatchDiscardingPort(benchmark::State& bs) {
    DiscardingPort port;
    run(bs, port, port.writes);
}

class CountingSim : public boardlink::SimBoard {
public:
    void out(uint16_t address, uint8_t value) override { SimBoard::out(address, value); ++writes; }
    uint64_t writes = 0;
};

void BM_WriteLatchSimulatedBoard(benchmark::State& bs) {
    CountingSim board;
    run(bs, board, board.writes);
}

void BM_AssembleLatch(benchmark::State& bs) {
    EvalState s = bench_state();
    uint8_t latch = 0;
    for (auto _ : bs) {
        benchmark::DoNotOptimize(assemble_latch(s, latch));
        latch = (latch + 1) & 3;
    }
}

}  // namespace

BENCHMARK(BM_WriteLatchDiscardingPort);
BENCHMARK(BM_WriteLatchSimulatedBoard);
BENCHMARK(BM_AssembleLatch);
BENCHMARK_MAIN();
