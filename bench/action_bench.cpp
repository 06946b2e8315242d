// Processor time of a representative action, a frequency plan with its N latch write, into a
// discarding port: once through the action layer, once through the frequency dialog's handler
// (reading its entries, the action, and the main window brought up to date).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>

#include "actions/frequency.h"
#include "bench/discarding_port.h"
#include "bench/qt_main.h"
#include "link/board_link.h"
#include "model/variants.h"
#include "ui/dialogs/synthform.h"
#include "ui/main/main_window.h"

namespace {

EvalState bench_state() { return variants::start_state("ksy7100-1"); }

// Alternates between two frequencies, so every load sends its N latch.
void BM_FrequencyPlanAction(benchmark::State& bs) {
    EvalState s = bench_state();
    DiscardingPort port;
    actions::open_frequency_dialog(s);
    const double vco[2] = {2400.2, 2400.4};
    int i = 0;
    for (auto _ : bs) {
        auto out = actions::load_frequency(s, port, vco[i], 200);
        benchmark::DoNotOptimize(out);
        i ^= 1;
    }
    bs.counters["port_writes_per_action"] = double(port.writes) / double(bs.iterations());
}

void BM_FrequencyPlanThroughWindow(benchmark::State& bs) {
    EvalState s = bench_state();
    boardlink::BoardLink link;
    link.attach(std::make_unique<DiscardingPort>());
    SilentPrompts prompts;
    Main main(s, link, prompts);
    synthform dialog(main);
    const QString vco[2] = {"2400.2", "2400.4"};
    int i = 0;
    for (auto _ : bs) {
        dialog.Text1->setText(vco[i]);
        dialog.Command3_Click();
        i ^= 1;
    }
}

}  // namespace

BENCHMARK(BM_FrequencyPlanAction);
BENCHMARK(BM_FrequencyPlanThroughWindow);

int main(int argc, char** argv) { return run_benchmarks_with_qt(argc, argv); }
