// The plan carried to firmware: planning one frequency (every R of the reference, each modulus,
// ranked), and writing a channel table of 65,536 channels (the N words and the C header's text).
#include <benchmark/benchmark.h>

#include "model/channel_table.h"
#include "model/frequency_planner.h"
#include "model/variants.h"

namespace {

void BM_PlanOneFrequency(benchmark::State& bs) {
    const EvalState s = variants::start_state("ksy7100-1");
    for (auto _ : bs) benchmark::DoNotOptimize(plan_frequency(s, 2400.1, std::nullopt));
}

void BM_ChannelTable65536(benchmark::State& bs) {
    const EvalState s = variants::start_state("ksy7100-1");
    for (auto _ : bs) {
        auto table = channel_table(s, 100, 100 + 65535 * 0.2, 200);
        benchmark::DoNotOptimize(channel_table_text(s, std::get<ChannelTable>(table), ExportFormat::C, "bench"));
    }
}

}  // namespace

BENCHMARK(BM_PlanOneFrequency)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChannelTable65536)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
