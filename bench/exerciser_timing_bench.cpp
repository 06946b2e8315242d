// How well the exercisers keep time on the simulated board: the lock-time window's plain hops
// and the sweep window's steps, run by their own timers for 1000 periods at 10 ms and at 1 ms,
// each quiet and with a load the bench starts itself (two busy threads at normal priority for
// the run's length): the second argument, 0 quiet, 1 loaded. The hops run with or without the
// lock measurement (the third argument, 1: the board settles by the loop model with MUXOUT on
// digital lock detect, and every hop's lock-detect line is read until it has stayed high for the
// hold), so the rows show what the measurement costs the hops' timing.
//
// The time of a tick is the moment its first latch word reaches the board (the board's listener
// stamps it on the monotonic clock), so the figures include everything a tick does before it
// sends. Both windows and the main window are shown, as in use. Reported per run:
//   mean_period_ms     the mean of the 1000 periods
//   mean_error_pct     how far that mean is from the interval asked for
//   within_2ms_pct     the share of periods within 2 ms of the interval
//   p99_dev_ms         99% of the periods are at most this far from the interval
//   max_dev_ms         the worst period's distance from the interval
//   late_ticks         periods longer than the interval by more than 1 ms
//   ticks_per_s        the rate achieved; asked_per_s is the rate asked for
#include <benchmark/benchmark.h>
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "bench/qt_main.h"
#include "app/board_loop.h"
#include "exercisers/locktime.h"
#include "ui/widgets/toggle_switch.h"
#include "exercisers/sweepform.h"
#include "link/board_link.h"
#include "ui/main/deviceform.h"
#include "ui/main/main_window.h"
#include "ui/main/supply_measurement.h"
#include "app/window_registry.h"

namespace {

constexpr int kPeriods = 1000;

int64_t now_ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// The tool started for ksy7100-1 on the simulated board, its main window shown.
struct Tool {
    Tool() {
        auto sim = std::make_unique<boardlink::SimBoard>();
        board = sim.get();
        link.attach(std::move(sim));
        main = std::make_unique<Main>(state, link, prompts);
        install_windows(*main);
        main->supply_measurement().set_settle_ms(0);
        deviceform dialog(*main, {});
        dialog.Form_Load();
        dialog.Option[1]->setChecked(true);
        dialog.Command1_Click();
        while (main->supply_measurement().running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        for (uint8_t latch : {1, 0, 2}) main->send(latch);
        main->show();
    }
    boardlink::BoardLink link;
    boardlink::SimBoard* board = nullptr;
    EvalState state;
    SilentPrompts prompts;
    std::unique_ptr<Main> main;
};

struct Figures {
    double mean_ms = 0, within_2ms = 0, p99_dev_ms = 0, max_dev_ms = 0, ticks_per_s = 0, late_ticks = 0;
};

// Two threads that keep a core each busy while they live.
class Load {
public:
    explicit Load(bool on) {
        if (!on) return;
        for (int i = 0; i < 2; ++i)
            threads_.emplace_back([this] {
                volatile uint64_t spin = 0;
                while (!done_.load(std::memory_order_relaxed)) spin = spin + 1;
            });
    }
    ~Load() {
        done_ = true;
        for (auto& t : threads_) t.join();
    }

private:
    std::atomic<bool> done_{false};
    std::vector<std::thread> threads_;
};

Figures figures(const std::vector<int64_t>& tick_ns, double interval_ms) {
    Figures f;
    std::vector<double> dev;
    for (size_t i = 1; i < tick_ns.size(); ++i) {
        double period = (tick_ns[i] - tick_ns[i - 1]) / 1e6;
        f.mean_ms += period;
        dev.push_back(std::fabs(period - interval_ms));
        if (period > interval_ms + 1.0) ++f.late_ticks;
    }
    const double periods = double(dev.size());
    f.mean_ms /= periods;
    f.within_2ms = double(std::count_if(dev.begin(), dev.end(), [](double d) { return d <= 2.0; })) / periods;
    std::sort(dev.begin(), dev.end());
    f.p99_dev_ms = dev[size_t(std::ceil(0.99 * periods)) - 1];
    f.max_dev_ms = dev.back();
    f.ticks_per_s = periods / ((tick_ns.back() - tick_ns.front()) / 1e9);
    return f;
}

// Starts `window` with `start`, stamps the first word of each tick (`words_per_tick` words
// arrive per tick) until kPeriods periods are in, and stops it with `stop`. The words may arrive
// on another thread than this one.
template <class W>
std::vector<int64_t> run_ticks(Tool& tool, W& window, size_t words_per_tick, void (W::*start)(), void (W::*stop)()) {
    std::vector<int64_t> ticks(kPeriods + 1);
    std::atomic<size_t> stamped{0};
    size_t words = 0;
    tool.board->set_listener([&] {
        const size_t i = stamped.load(std::memory_order_relaxed);
        if (words++ % words_per_tick == 0 && i < ticks.size()) {
            ticks[i] = now_ns();
            stamped.store(i + 1, std::memory_order_release);
        }
    });
    window.show();
    QApplication::processEvents();
    (window.*start)();
    QElapsedTimer guard;
    guard.start();
    while (stamped.load(std::memory_order_acquire) < ticks.size() && guard.elapsed() < 120'000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    (window.*stop)();
    tool.board->set_listener({});
    ticks.resize(stamped.load(std::memory_order_acquire));
    return ticks;
}

void report(benchmark::State& bs, const std::vector<Figures>& runs, double interval_ms) {
    Figures sum;
    for (const Figures& f : runs) {
        sum.mean_ms += f.mean_ms;
        sum.within_2ms += f.within_2ms;
        sum.p99_dev_ms = std::max(sum.p99_dev_ms, f.p99_dev_ms);
        sum.max_dev_ms = std::max(sum.max_dev_ms, f.max_dev_ms);
        sum.ticks_per_s += f.ticks_per_s;
        sum.late_ticks += f.late_ticks;
    }
    const double n = double(runs.size());
    bs.counters["mean_period_ms"] = sum.mean_ms / n;
    bs.counters["mean_error_pct"] = 100 * std::fabs(sum.mean_ms / n - interval_ms) / interval_ms;
    bs.counters["within_2ms_pct"] = 100 * sum.within_2ms / n;
    bs.counters["p99_dev_ms"] = sum.p99_dev_ms;
    bs.counters["max_dev_ms"] = sum.max_dev_ms;
    bs.counters["late_ticks"] = sum.late_ticks / n;
    bs.counters["ticks_per_s"] = sum.ticks_per_s / n;
    bs.counters["asked_per_s"] = 1000 / interval_ms;
}

void BM_LocktimeHops(benchmark::State& bs) {
    const int interval = int(bs.range(0));
    const bool measure = bs.range(2) != 0;
    std::vector<Figures> runs;
    unsigned long measured = 0;
    for (auto _ : bs) {
        Tool tool;
        BoardLoop loop(tool.state, tool.link);
        tool.state.muxout_bits = measure ? 32 : 0;  // digital lock detect, or three-state
        tool.main->send(0);
        Load load(bs.range(1) != 0);
        locktime window(*tool.main);
        window.Toggle4->setChecked(measure);
        window.Text3->setText(QString::number(interval));
        auto ticks = run_ticks(tool, window, 2, &locktime::Command1_Click, &locktime::Command3_Click);
        if (ticks.size() < kPeriods + 1) {
            bs.SkipWithError("the hops did not arrive");
            return;
        }
        runs.push_back(figures(ticks, interval));
        measured += window.lock_figures().summary().count;
    }
    report(bs, runs, interval);
    bs.counters["hops_measured"] = double(measured) / double(runs.size());
}

void BM_SweepSteps(benchmark::State& bs) {
    const int interval = int(bs.range(0));
    std::vector<Figures> runs;
    for (auto _ : bs) {
        Tool tool;
        Load load(bs.range(1) != 0);
        sweepform window(*tool.main);
        window.Text1->setText("1000");
        window.Text3->setText("2000");  // 5001 steps: the sweep outlasts the measurement
        window.Text4->setText(QString::number(interval));
        auto ticks = run_ticks(tool, window, 1, &sweepform::Command3_Click, &sweepform::Command4_Click);
        if (ticks.size() < kPeriods + 1) {
            bs.SkipWithError("the steps did not arrive");
            return;
        }
        runs.push_back(figures(ticks, interval));
    }
    report(bs, runs, interval);
}

// <interval ms>/<0 quiet, 1 loaded>
void timing_cases(benchmark::internal::Benchmark* b) {
    b->Args({10, 0})->Args({10, 1})->Args({1, 0})->Args({1, 1})->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}
// <interval ms>/<0 quiet, 1 loaded>/<0 without, 1 with the lock measurement>
void hop_cases(benchmark::internal::Benchmark* b) {
    for (int measure : {0, 1})
        b->Args({10, 0, measure})->Args({10, 1, measure})->Args({1, 0, measure})->Args({1, 1, measure});
    b->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(BM_LocktimeHops)->Apply(hop_cases);
BENCHMARK(BM_SweepSteps)->Apply(timing_cases);

}  // namespace

int main(int argc, char** argv) { return run_benchmarks_with_qt(argc, argv); }
