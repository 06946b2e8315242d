// The loop model's costs: one design, a phase-noise curve of 1000 offsets, and the lock-time
// simulation of a 10 MHz step on a 20 kHz loop.
#include <benchmark/benchmark.h>

#include <cmath>

#include "model/loop_design.h"
#include "model/loop_noise.h"
#include "model/loop_transient.h"

namespace {

// A 2.4 GHz synthesizer on a 200 kHz PFD.
const LoopPlant kPlant{2.5e-3, 50e6, 12000, 200e3};

void BM_Design(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(design_loop({3, 20e3, 50, 1, 0.6}, kPlant));
}
BENCHMARK(BM_Design)->Unit(benchmark::kMicrosecond);

void BM_PhaseNoiseCurve1000(benchmark::State& state) {
    NoiseInputs in;
    in.plant = kPlant;
    in.parts = *design_loop({3, 20e3, 50, 1, 0.6}, kPlant).parts;
    in.r_divider = 50;
    in.vco = {{1e4, -90}, {1e5, -115}, {1e6, -135}};
    in.reference = {{10, -120}, {100, -140}, {1e3, -150}, {1e4, -155}};
    std::vector<double> offsets(1000);
    for (std::size_t i = 0; i < offsets.size(); ++i) offsets[i] = 100 * std::pow(10.0, 6.0 * double(i) / 999);
    for (auto _ : state) benchmark::DoNotOptimize(phase_noise_curve(in, offsets));
}
BENCHMARK(BM_PhaseNoiseCurve1000)->Unit(benchmark::kMicrosecond);

void BM_LockTime10MHzStep(benchmark::State& state) {
    const LoopParts parts = *design_loop({3, 20e3, 50, 1, 0.6}, kPlant).parts;
    const FrequencyHop hop{parts, 50e6, 200e3, 2.39e9, 2.4e9, {{0, 2.5e-3}}, 1e3};
    for (auto _ : state) {
        HopTransient t(hop);
        benchmark::DoNotOptimize(t.lock_time_s());
        benchmark::DoNotOptimize(t.lock_detect_time_s(5));
    }
}
BENCHMARK(BM_LockTime10MHzStep)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
