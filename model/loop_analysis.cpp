#include "model/loop_analysis.h"

#include <cmath>
#include <numbers>

namespace {

// The frequency between lo and hi (Hz, lo inside, hi outside) where `inside` changes, bisected
// on a log scale to far below any figure's rounding.
template <class Inside>
double bisect_log(double lo, double hi, Inside inside) {
    for (int i = 0; i < 100 && hi / lo > 1 + 1e-13; ++i) {
        const double mid = std::sqrt(lo * hi);
        (inside(mid) ? lo : hi) = mid;
    }
    return std::sqrt(lo * hi);
}

}  // namespace

std::complex<double> closed_loop(const LoopParts& parts, const LoopPlant& plant, double f_hz) {
    const std::complex<double> h = open_loop_gain(parts, plant, f_hz);
    return h / (1.0 + h);
}

std::complex<double> error_transfer(const LoopParts& parts, const LoopPlant& plant, double f_hz) {
    return 1.0 / (1.0 + open_loop_gain(parts, plant, f_hz));
}

std::optional<LoopFigures> analyse_loop(const LoopParts& parts, const LoopPlant& plant) {
    if (!parts_problem(parts).empty() || !plant_problem(plant).empty()) return std::nullopt;
    // |G/N| falls monotonically with frequency: the filter's poles are real (an RC ladder), so
    // each factor of the magnitude falls or stays. One crossing, found by widening then bisecting.
    auto gain_above_one = [&](double f) { return std::abs(open_loop_gain(parts, plant, f)) > 1; };
    double lo = 1, hi = 1;
    while (gain_above_one(hi) && hi < 1e15) hi *= 10;
    while (!gain_above_one(lo) && lo > 1e-9) lo /= 10;
    if (!gain_above_one(lo) || gain_above_one(hi)) return std::nullopt;
    LoopFigures fig;
    fig.crossover_hz = bisect_log(lo, hi, gain_above_one);
    // The open loop's phase lies between −360° and −90°; arg folds it into ±180°.
    fig.phase_margin_deg = 180 + std::arg(open_loop_gain(parts, plant, fig.crossover_hz)) * 180 / std::numbers::pi;
    if (fig.phase_margin_deg > 180) fig.phase_margin_deg -= 360;

    // The closed loop is 1 at DC (two integrators), may peak near fc, then falls: step up from
    // a decade below fc to the first point below −3 dB, then bisect that step.
    auto above_3db = [&](double f) { return std::norm(closed_loop(parts, plant, f)) >= 0.5; };
    double f = fig.crossover_hz / 10;
    const double step = std::pow(10.0, 1.0 / 50);
    while (above_3db(f * step) && f < fig.crossover_hz * 1e6) f *= step;
    fig.closed_loop_bandwidth_hz = bisect_log(f, f * step, above_3db);
    return fig;
}
