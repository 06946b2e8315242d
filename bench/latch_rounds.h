#pragma once
// The latch write loop the latch-path benchmarks share: the four latches of a KSY7100-1 in turn,
// one per iteration, with the rate of latch writes.
#include <benchmark/benchmark.h>

#include "link/port.h"
#include "model/latch.h"
#include "model/variants.h"

inline void write_latches_in_turn(benchmark::State& bs, boardlink::Port& port) {
    EvalState s = variants::start_state("ksy7100-1");
    uint8_t latch = 0;
    for (auto _ : bs) {
        s.latch_select = latch;
        write_latch(s, port);
        latch = (latch + 1) & 3;
    }
    bs.counters["latch_writes_per_s"] = benchmark::Counter(double(bs.iterations()), benchmark::Counter::kIsRate);
}
