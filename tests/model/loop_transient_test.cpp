#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "model/loop_transient.h"
#include "tests/support/second_order_loop.h"

using testing_support::SecondOrderLoop;

namespace {

constexpr double kPi = std::numbers::pi;

constexpr double kIcp = 1e-3, kKvco = 20e6, kPfd = 1e6;

FrequencyHop hop_for(const SecondOrderLoop& loop, double to_hz, double tol) {
    const double k = kIcp * kKvco / loop.n;
    return {{0, loop.c2(k), 0, loop.r2(k), 0}, kKvco, kPfd, to_hz + loop.delta_f0, to_hz,
            {{0, kIcp}}, tol};
}

}  // namespace

TEST(LoopTransient, TrueSecondOrderLoopSettlesAsItsClosedForm) {
    struct Case { double zeta, fn_hz, step_hz, tol_hz; };
    const Case cases[] = {
        {0.3, 5e3, 10e6, 1e3}, {0.5, 5e3, -10e6, 100}, {0.707, 20e3, 1e6, 10}, {0.9, 2e3, 200e3, 1e3},
    };
    for (const Case& c : cases) {
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

// The lock detector: the first PFD edge that ends `cycles` edges in a row inside ±15 ns.
TEST(LoopTransient, LockDetectAfterConsecutiveCyclesInsideTheWindow) {
    const SecondOrderLoop loop{0.5, 2 * kPi * 10e3, 1000, 5e6};
    const HopTransient t(hop_for(loop, 1e9, 1e3));
    for (int cycles : {3, 5}) {
        int inside = 0;
        double expected = 0;
        for (int k = 1; k < 100000 && inside < cycles; ++k) {
            inside = std::abs(loop.phase(k / kPfd) / (2 * kPi * kPfd)) < 15e-9 ? inside + 1 : 0;
            expected = k / kPfd;
        }
        ASSERT_TRUE(t.lock_detect_time_s(cycles));
        EXPECT_NEAR(*t.lock_detect_time_s(cycles), expected, 1e-9) << cycles;
    }
    // A step too small to leave the window: detected after the cycles themselves.
    const HopTransient small(hop_for({0.5, 2 * kPi * 10e3, 1000, 1e3}, 1e9, 100));
    EXPECT_NEAR(small.lock_detect_time_s(5).value_or(-1), 5 / kPfd, 1e-12);
}

// Fast lock: four times the current from the hop, released after a delay. With C1 = 0 the current
// scales ωn by 2 and ζ by 2, so until the release the closed form of that faster loop holds.
TEST(LoopTransient, PumpCurrentChangesDuringTheHop) {
    const SecondOrderLoop slow{0.4, 2 * kPi * 5e3, 1000, 10e6};
    const SecondOrderLoop fast{0.8, 2 * kPi * 10e3, 1000, 10e6};
    FrequencyHop hop = hop_for(slow, 1e9, 1e3);
    hop.pump = {{0, 4 * kIcp}, {30e-6, kIcp}};
    const HopTransient t(hop);
    for (double at : {5e-6, 17.5e-6, 29e-6}) EXPECT_NEAR(t.frequency_hz(at) - 1e9, fast.deviation(at), 1e-3) << at;
    ASSERT_TRUE(t.lock_time_s());
    EXPECT_LT(*t.lock_time_s(), HopTransient(hop_for(slow, 1e9, 1e3)).lock_time_s().value());
}

TEST(LoopTransient, LoopsThatDoNotSettleWithinTheHorizon) {
    // ωn of 2π·2 Hz with a light damping rings far past 100 ms.
    EXPECT_FALSE(HopTransient(hop_for({0.05, 2 * kPi * 2, 1000, 1e6}, 1e9, 1)).lock_time_s());
    // An R3·C3 pole ten times slower than the zero: the phase stays below −180°, the loop grows.
    FrequencyHop unstable = hop_for({0.5, 2 * kPi * 5e3, 1000, 1e6}, 1e9, 1e3);
    unstable.parts.c3 = unstable.parts.c2 / 10;
    unstable.parts.r3 = unstable.parts.r2 * 100;
    const HopTransient growing(unstable);
    EXPECT_FALSE(growing.lock_time_s());
    EXPECT_TRUE(growing.cycle_slips());
    EXPECT_EQ(HopTransient(hop_for({0.5, 2 * kPi * 5e3, 1000, 500}, 1e9, 1e3)).lock_time_s(), 0.0);
}
