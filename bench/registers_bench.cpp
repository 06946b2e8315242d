// The register map's costs: opening the window (built afresh, 72 switches set from the state,
// laid out and painted once) and its Load Now (rebuild, refresh_main and the three latch writes).
// Load Now runs into a port that discards its bytes, so the figure is the processor's share; on
// real hardware the 228 port writes of the three words come on top.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QRadioButton>

#include "bench/discarding_port.h"
#include "bench/qt_main.h"
#include "link/board_link.h"
#include "model/variants.h"
#include "ui/main/deviceform.h"
#include "ui/main/main_window.h"
#include "ui/main/supply_measurement.h"
#include "ui/registers/registers.h"

namespace {

// The tool started for a variant, on a port that discards what it is sent.
struct Rig {
    Rig() {
        auto discarding = std::make_unique<DiscardingPort>();
        port = discarding.get();
        link.attach(std::move(discarding));
        main = std::make_unique<Main>(state, link, prompts);
        main->supply_measurement().set_settle_ms(0);
        deviceform dialog(*main, {});
        dialog.Form_Load();
        dialog.Option[2]->setChecked(true);
        dialog.Command1_Click();
        main->supply_measurement().cancel();
    }
    EvalState state;
    boardlink::BoardLink link;
    DiscardingPort* port = nullptr;
    SilentPrompts prompts;
    std::unique_ptr<Main> main;
};

void BM_OpenRegisters(benchmark::State& bs) {
    Rig rig;
    for (auto _ : bs) {
        registers window(*rig.main);
        window.show();
        QApplication::processEvents();
        window.close();
    }
}
BENCHMARK(BM_OpenRegisters)->Unit(benchmark::kMillisecond);

void BM_LoadNow(benchmark::State& bs) {
    Rig rig;
    registers window(*rig.main);
    const uint64_t before = rig.port->writes;
    for (auto _ : bs) window.Command3_Click();
    bs.counters["port_writes"] = double(rig.port->writes - before) / double(bs.iterations());
}
BENCHMARK(BM_LoadNow)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return run_benchmarks_with_qt(argc, argv); }
