#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "model/loop_design.h"
#include "model/loop_transient.h"
#include "tests/support/second_order_loop.h"

using testing_support::SecondOrderLoop;

namespace {

constexpr double kPi = std::numbers::pi, kIcp = 1e-3, kKvco = 20e6, kPfd = 1e6;

FrequencyHop hop_for(const SecondOrderLoop& loop, double to_hz, double tol) {
    const double k = kIcp * kKvco / loop.n;
    return {{0, loop.c2(k), 0, loop.r2(k), 0}, kKvco, kPfd, to_hz + loop.delta_f0, to_hz, {{0, kIcp}}, tol};
}

}  // namespace

TEST(LoopTransient, TrueSecondOrderLoopSettlesAsItsClosedForm) {
    struct Case { double zeta, fn_hz, step_hz, tol_hz; };
    for (const Case& c : {Case{0.3, 5e3, 10e6, 1e3}, {0.5, 5e3, -10e6, 100}, {0.707, 20e3, 1e6, 10}, {0.9, 2e3, 200e3, 1e3}}) {
        const SecondOrderLoop loop{c.zeta, 2 * kPi * c.fn_hz, 1000, c.step_hz};
        const HopTransient t(hop_for(loop, 1e9, c.tol_hz));
        ASSERT_TRUE(t.lock_time_s()) << c.zeta;
        const double expected = loop.lock_time(c.tol_hz);
        EXPECT_NEAR(*t.lock_time_s(), expected, expected * 1e-6) << c.zeta << " " << c.step_hz;
        const double between_edges = 0.37 * expected + 0.3e-6;
        EXPECT_NEAR(t.frequency_hz(between_edges) - 1e9, loop.deviation(between_edges), std::abs(c.step_hz) * 1e-9);
        EXPECT_NEAR(t.phase_error_s(between_edges), loop.phase(between_edges) / (2 * kPi * kPfd), 1e-15);
    }
}

// Peak phase error at the PFD: at tan(ωd·t) = ωd/σ, 2π·Δf0/(N·ωn)·e^(−σt). Beyond 2π cycles slip.
TEST(LoopTransient, FlagsStepsThatSlipCycles) {
    for (double step : {1e6, 50e6, 200e6, -400e6}) {
        const SecondOrderLoop loop{0.707, 2 * kPi * 10e3, 1000, step};
        const HopTransient t(hop_for(loop, 1e9, 1e3));
        const double t_peak = std::atan(loop.wd() / loop.sigma()) / loop.wd();
        const double peak = 2 * kPi * std::abs(step) / (loop.n * loop.wn) * std::exp(-loop.sigma() * t_peak);
        EXPECT_NEAR(t.peak_phase_error_rad(), peak, peak * 1e-3) << step;
        EXPECT_EQ(t.cycle_slips(), peak >= 2 * kPi) << step;
    }
}

// Fast lock: four times the current from the hop, released after a delay. With C1 = 0 the current
// scales ωn by 2 and ζ by 2, so until the release the closed form of that faster loop holds.
TEST(LoopTransient, PumpCurrentChangesDuringTheHop) {
    const SecondOrderLoop slow{0.4, 2 * kPi * 5e3, 1000, 10e6}, fast{0.8, 2 * kPi * 10e3, 1000, 10e6};
    FrequencyHop hop = hop_for(slow, 1e9, 1e3);
    hop.pump = {{0, 4 * kIcp}, {30e-6, kIcp}};
    const HopTransient t(hop);
    for (double at : {5e-6, 17.5e-6, 29e-6}) EXPECT_NEAR(t.frequency_hz(at) - 1e9, fast.deviation(at), 1e-3) << at;
    ASSERT_TRUE(t.lock_time_s());
    EXPECT_LT(*t.lock_time_s(), HopTransient(hop_for(slow, 1e9, 1e3)).lock_time_s().value());
}

// Any filter: the frequency error after the step is Δf0 times the step response of the error
// transfer 1/(1 + G/N), here (A2·s³ + A1·s² + A0·s) / (A2·s⁴ + A1·s³ + A0·s² + K·T2·s + K) with
// K = Icp·Kvco/N, integrated in its controllable canonical form by fourth-order Runge-Kutta with a
// step far below the fastest pole: a route independent of the filter's node equations.
TEST(LoopTransient, FiltersWithC1AndAThirdPoleFollowTheErrorTransfer) {
    const LoopPlant plant{2.5e-3, 50e6, 12000, 200e3};
    LoopParts without_c1 = *design_loop({3, 20e3, 45, 1, 0.6}, plant).parts;
    without_c1.c1 = 0;
    for (const LoopParts& parts : {*design_loop({2, 20e3, 45, 1, 0.6}, plant).parts,
                                   *design_loop({3, 20e3, 45, 1, 0.6}, plant).parts, without_c1}) {
        const FilterPolynomial f = filter_polynomial(parts);
        const double k = plant.icp_a * plant.kvco_hz_per_v / plant.n;
        // Denominator and numerator, highest power first (A2 is 0 without C1 or C3).
        std::vector<double> den = {f.a2, f.a1, f.a0, k * f.t2, k}, num = {f.a2, f.a1, f.a0, 0};
        if (den[0] == 0) den.erase(den.begin()), num.erase(num.begin());
        const size_t n = den.size() - 1;
        const double lead = den[0];
        for (size_t i = 0; i < n; ++i) den[i + 1] /= lead, num[i] /= lead;
        // x holds z and its derivatives up to the (n−1)-th, D(d/dt)·z = impulse, y = N(d/dt)·z:
        // the impulse starts the highest derivative at 1.
        std::vector<double> x(n, 0.0);
        x[n - 1] = 1;
        auto derivative = [&](std::vector<double> w, const std::vector<double>& dv, double scale) {
            for (size_t i = 0; i < n; ++i) w[i] += scale * dv[i];
            std::vector<double> d(w.begin() + 1, w.end());
            d.push_back(0);
            for (size_t i = 0; i < n; ++i) d[n - 1] -= den[n - i] * w[i];
            return d;
        };
        const double step = -10e6, h = 2e-9;
        const HopTransient t({parts, plant.kvco_hz_per_v, plant.pfd_hz, 2.4e9 + step, 2.4e9, {{0, plant.icp_a}}, 1e3});
        double time = 0;
        for (double check : {3e-6, 11e-6, 25e-6, 60e-6, 150e-6}) {
            for (; time < check - h / 2; time += h) {
                const auto k1 = derivative(x, x, 0), k2 = derivative(x, k1, h / 2), k3 = derivative(x, k2, h / 2),
                           k4 = derivative(x, k3, h);
                for (size_t i = 0; i < n; ++i) x[i] += h / 6 * (k1[i] + 2 * k2[i] + 2 * k3[i] + k4[i]);
            }
            double y = 0;
            for (size_t i = 0; i < n; ++i) y += num[n - 1 - i] * x[i];
            EXPECT_NEAR(t.frequency_hz(check) - 2.4e9, step * y, std::abs(step) * 1e-6) << parts.order() << " " << check;
        }
    }
}

TEST(LoopTransient, LoopsThatDoNotSettleWithinTheHorizon) {
    // An R3·C3 pole ten times slower than the zero: the phase stays below −180°, the loop grows.
    FrequencyHop unstable = hop_for({0.5, 2 * kPi * 5e3, 1000, 1e6}, 1e9, 1e3);
    unstable.parts.c3 = unstable.parts.c2 / 10, unstable.parts.r3 = unstable.parts.r2 * 100;
    const HopTransient growing(unstable);
    EXPECT_TRUE(!growing.lock_time_s() && growing.cycle_slips());
    EXPECT_EQ(HopTransient(hop_for({0.5, 2 * kPi * 5e3, 1000, 500}, 1e9, 1e3)).lock_time_s(), 0.0);
    // A step too small to leave the lock detector's window: detected after the cycles themselves.
    const HopTransient small(hop_for({0.5, 2 * kPi * 10e3, 1000, 1e3}, 1e9, 100));
    EXPECT_NEAR(small.lock_detect_time_s(5).value_or(-1), 5 / kPfd, 1e-12);
}
