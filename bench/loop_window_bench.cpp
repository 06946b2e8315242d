// The loop designer window's cost of an edit: one whole redraw (the parts' figures in three
// columns, the open loop, the phase-noise curve with every contribution and the lock transient),
// plotted and painted, at order 2 and 3 on the default plan.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStandardPaths>

#include "actions/loop_filter.h"
#include "bench/qt_main.h"
#include "link/board_link.h"
#include "link/sim_board.h"
#include "model/variants.h"
#include "ui/loop/loopform.h"
#include "ui/main/main_window.h"
#include "ui/prompts.h"

namespace {

void BM_LoopWindowRedraw(benchmark::State& st) {
    QStandardPaths::setTestModeEnabled(true);  // nothing kept from or for a user's session
    boardlink::BoardLink link;
    link.attach(std::make_unique<boardlink::SimBoard>());
    EvalState state = variants::start_state("ksy7100-1");
    SilentPrompts prompts;
    Main main(state, link, prompts);
    if (st.range(0) == 3) {
        actions::set_loop_order(state, 3);
        actions::design_loop_filter(state, {3, 10e3, 50, 1, 0.6});
    }
    loopform window(main);
    window.resize(1400, 700);
    window.show();
    QApplication::processEvents();
    for (auto _ : st) {
        window.redraw();
        window.repaint();  // the plots painted, as the user sees them
    }
}
BENCHMARK(BM_LoopWindowRedraw)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return run_benchmarks_with_qt(argc, argv); }
