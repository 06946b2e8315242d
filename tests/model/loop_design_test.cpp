#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "model/e_series.h"
#include "model/loop_analysis.h"
#include "model/loop_defaults.h"
#include "model/loop_design.h"
#include "model/loop_filter.h"
#include "model/variants.h"

constexpr double kPi = std::numbers::pi;

// That a design analysed again gives back the bandwidth and phase margin asked for, the published
// worked example (loop_commands_test), the start-up designs below and the loop window's test check.
// Goals the equations cannot meet are refused with a reason, never parts that are NaN.
TEST(LoopDesign, RefusesGoalsTheOrderCannotReach) {
    const LoopPlant plant{2.5e-3, 40e6, 12000, 200e3};
    const DesignGoal goals[] = {
        {3, 10e3, 89.9, 1, 0.6}, {2, 10e3, 90, 1, 0.6}, {3, 10e3, 95, 1, 0.6}, {2, 10e3, 0, 1, 0.6},
        {2, 10e3, 50, 0, 0.6},   {3, 10e3, 50, 1, 0},   {4, 10e3, 50, 1, 0.6}, {2, 0, 50, 1, 0.6},
    };
    for (const DesignGoal& g : goals) {
        const Designed d = design_loop(g, plant);
        EXPECT_FALSE(d.parts) << g.order << " " << g.phase_margin_deg;
        EXPECT_FALSE(d.refusal.empty());
    }
    for (const LoopPlant& bad : {LoopPlant{0, 40e6, 12000, 200e3}, LoopPlant{2.5e-3, -40e6, 12000, 200e3},
                                 LoopPlant{2.5e-3, INFINITY, 12000, 200e3}})
        EXPECT_FALSE(design_loop({2, 10e3, 50, 1, 0.6}, bad).parts || plant_problem(bad).empty()) << bad.kvco_hz_per_v;
}

// With C1 = 0 the loop is the textbook second-order one: ωn² = Icp·Kvco/(N·C2), 2ζωn = Icp·Kvco·R2/N.
// Its crossover, phase margin and −3 dB bandwidth have closed forms.
TEST(LoopAnalysis, TrueSecondOrderLoopAgainstItsClosedForms) {
    const LoopPlant plant{1e-3, 20e6, 1000, 1e6};
    const double k = plant.icp_a * plant.kvco_hz_per_v / plant.n;
    for (double zeta : {0.3, 0.707, 1.0, 2.0}) {
        const double wn = 2 * kPi * 5e3;
        const LoopParts parts{0, k / (wn * wn), 0, 2 * zeta * wn / k, 0};
        const auto fig = analyse_loop(parts, plant);
        ASSERT_TRUE(fig);
        const double z2 = zeta * zeta;
        const double wc = wn * std::sqrt(2 * z2 + std::sqrt(4 * z2 * z2 + 1));
        const double w3db = wn * std::sqrt(1 + 2 * z2 + std::sqrt((1 + 2 * z2) * (1 + 2 * z2) + 1));
        EXPECT_NEAR(fig->crossover_hz, wc / (2 * kPi), wc / (2 * kPi) * 1e-6) << zeta;
        EXPECT_NEAR(fig->phase_margin_deg, std::atan(2 * zeta * wc / wn) * 180 / kPi, 1e-6) << zeta;
        EXPECT_NEAR(fig->closed_loop_bandwidth_hz, w3db / (2 * kPi), w3db / (2 * kPi) * 1e-6) << zeta;
    }
}

TEST(LoopParts, SnapToTheNearestSeriesValueInLogTerms) {
    struct Case { double value; ESeries series; double snapped; };
    const Case cases[] = {
        {6.59e-9, ESeries::E12, 6.8e-9},   {85.5e-9, ESeries::E24, 82e-9},  {467e-12, ESeries::E96, 464e-12},
        {2584, ESeries::E96, 2610},        {33873, ESeries::E12, 33e3},     {9.6, ESeries::E12, 10},
        {1.09e3, ESeries::E12, 1.0e3},     {1.1e3, ESeries::E12, 1.2e3},    {0.976, ESeries::E96, 0.976},
        {0, ESeries::E24, 0},              {123.4, ESeries::None, 123.4},
    };
    for (const Case& c : cases) EXPECT_NEAR(snap_to_series(c.value, c.series), c.snapped, c.snapped * 1e-12) << c.value;
}

// The current each setting selects (code 7 at 2937.5 ohm: loop_commands_test), and the start-up
// record designed for each variant's plan.
TEST(LoopDefaults, PumpCurrentAndStartUpDesignOfEachVariant) {
    EvalState s = variants::start_state("ksy7100-1");
    s.cp_gain_bits = 2097152, s.cs2_bits = 0;
    EXPECT_DOUBLE_EQ(charge_pump_current_a(s), 0.3125e-3);
    s.rset = 0;
    EXPECT_EQ(charge_pump_current_a(s), 0);

    const VariantLoopDefaults mid = loop_defaults("ksy7100-4");
    for (std::string_view device : variants::kNames) {
        const EvalState v = variants::start_state(device);
        const LoopSettings loop = start_loop_settings(v);
        const double fc = std::min(10e3, v.pfd_freq * 100);
        const auto fig = analyse_loop(loop.parts, {2.5e-3, loop.kvco_mhz_per_v * 1e6, v.vco_freq / v.pfd_freq * 1e3, v.pfd_freq * 1e3});
        ASSERT_TRUE(fig) << device;
        EXPECT_EQ(loop.parts.order(), 2);
        EXPECT_NEAR(fig->crossover_hz, fc, fc * 1e-3) << device;
        EXPECT_NEAR(fig->phase_margin_deg, 50, 0.05) << device;
        // The VCO's starting noise scales with its frequency as an oscillator's does: 20 dB a decade.
        const double shift = 20 * std::log10(v.vco_freq / variants::start_state("ksy7100-4").vco_freq);
        for (size_t i = 0; i < mid.vco_points.size(); ++i)
            EXPECT_NEAR(loop.vco_points[i].dbc_hz - mid.vco_points[i].dbc_hz, shift, 1e-9) << device;
    }
}
