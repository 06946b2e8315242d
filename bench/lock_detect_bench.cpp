// Lock times measured on the simulated board's lock-detect line on real time, beside the loop
// model's prediction (LOOP:LDT?) for the same step: three designs, each hopping 1750 <-> 1760 MHz
// every 10 ms for 0.6 s on the timing thread, as HOP:STAR runs it. Reported per design:
//   measured_median_us, measured_min_us, measured_max_us   over the hops that locked
//   predicted_us        LOOP:LDT? 1750,1760 (and 1760,1750: their mean)
//   resolution_us       the coarsest time between the reads around a rising edge
//   error_pct           how far the median is from the prediction
//   not_locked, hops    hops not locked, and every hop measured
#include <benchmark/benchmark.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "actions/command_language.h"
#include "app/board_loop.h"
#include "app/remote_exercisers.h"
#include "bench/qt_main.h"
#include "model/variants.h"

namespace {

std::vector<double> numbers(const std::string& text) {
    std::vector<double> values;
    std::istringstream in(text);
    for (std::string field; std::getline(in, field, ',');) values.push_back(std::strtod(field.c_str(), nullptr));
    return values;
}

// <PFD kHz>/<fc Hz>
void BM_LockDetectMeasuredVsPredicted(benchmark::State& bs) {
    const double pfd_khz = double(bs.range(0)), fc_hz = double(bs.range(1));
    std::vector<double> lock, predicted;
    for (auto _ : bs) {
        EvalState state = variants::start_state("ksy7100-1");
        boardlink::BoardLink link;
        link.attach(std::make_unique<boardlink::SimBoard>());
        BoardLoop loop(state, link);
        RemoteExercisers remote(state, link, {});
        commands::Interpreter in(state, link, "bench");
        in.hooks().exercisers = &remote;
        auto ask = [&](const std::string& line) {
            std::string answer;
            for (const auto& reply : in.run_line(line)) {
                if (reply.error) bs.SkipWithError((line + ": " + reply.error->message).c_str());
                if (reply.answer) answer = *reply.answer;
            }
            return answer;
        };
        ask("FREQ:REF 10; FREQ:PFD " + std::to_string(pfd_khz) + "; FREQ 1750; CURR1 3,4700; MUX 1");
        ask("LOOP:DES " + std::to_string(fc_hz) + ",50; LATC:SEND ALL");
        ask("HOP:STAR 1750,1760,10");
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        ask("HOP:STOP");
        lock = numbers(ask("HOP:LOCK?"));
        predicted = {numbers(ask("LOOP:LDT? 1750,1760")).at(0), numbers(ask("LOOP:LDT? 1760,1750")).at(0)};
    }
    if (lock.size() != 6) return bs.SkipWithError("no figures");
    const double expected = (predicted[0] + predicted[1]) / 2;
    bs.counters["hops"] = lock[0];
    bs.counters["measured_min_us"] = lock[1] * 1e6;
    bs.counters["measured_median_us"] = lock[2] * 1e6;
    bs.counters["measured_max_us"] = lock[3] * 1e6;
    bs.counters["not_locked"] = lock[4];
    bs.counters["resolution_us"] = lock[5] * 1e6;
    bs.counters["predicted_us"] = expected * 1e6;
    bs.counters["error_pct"] = 100 * (lock[2] - expected) / expected;
}
BENCHMARK(BM_LockDetectMeasuredVsPredicted)
    ->Args({200, 5000})
    ->Args({200, 20000})
    ->Args({1000, 80000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return run_benchmarks_with_qt(argc, argv); }
