#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "model/loop_analysis.h"
#include "model/loop_design.h"
#include "model/loop_noise.h"

namespace {

double power_sum_dbc(double a, double b) { return 10 * std::log10(std::pow(10.0, a / 10) + std::pow(10.0, b / 10)); }

// A 2.4 GHz loop of 8 MHz PFD (N = 300) with a wide bandwidth, so the loop passes the PLL's own
// noise unchanged at 10 kHz.
NoiseInputs wide_loop() {
    NoiseInputs in;
    in.plant = {5e-3, 50e6, 300, 8e6};
    in.parts = *design_loop({3, 800e3, 50, 1, 0.6}, in.plant).parts;
    in.r_divider = 2, in.fom_dbc_hz = -231, in.flicker_dbc_hz = -126;
    return in;
}

}  // namespace

// Published figures: the flat floor FOM + 10·log10(fPFD) + 20·log10(N), and floor plus flicker.
TEST(LoopNoise, PublishedFloorAndFlickerFigures) {
    const PhaseNoise at_10k = phase_noise_at(wide_loop(), 10e3);
    EXPECT_NEAR(at_10k.pll_floor, -112.43, 0.01);
    EXPECT_NEAR(power_sum_dbc(at_10k.pll_floor, at_10k.pll_flicker), -111.45, 0.01);
    EXPECT_NEAR(phase_noise_at(wide_loop(), 1e3).pll_flicker - at_10k.pll_flicker, 10, 0.01);  // 1/f
    EXPECT_FALSE(at_10k.reference || at_10k.vco);
    EXPECT_NEAR(at_10k.total_divided_by_2, at_10k.total - 6.02, 0.005);
}

// Each source where the loop leaves it unshaped: the reference (× N/R) deep inside the loop, the
// VCO far outside it; far inside, the loop's two integrators take 40 dB a decade off the VCO.
TEST(LoopNoise, SourcesWhereTheLoopLeavesThemUnshaped) {
    NoiseInputs in = wide_loop();
    in.reference = {{1e2, -140}, {1e3, -150}};
    in.vco = {{1e7, -150}, {1e8, -160}};
    EXPECT_NEAR(phase_noise_at(in, 100).reference.value(), -140 + 20 * std::log10(150.0), 0.01);
    EXPECT_NEAR(phase_noise_at(in, 100e6).vco.value(), -160, 0.05);
    in.vco = {{1e4, -100}};
    EXPECT_NEAR(phase_noise_at(in, 10).vco.value() - phase_noise_at(in, 100).vco.value(), -40, 0.1);
}

// Nyquist: the thermal noise of all the resistors of a passive network, seen at a node, is
// 4kT·Re{Z} of the impedance looking into that node. So R2's and R3's noise at the tuning input
// add up to 4kT·Re{Z_tune}, with the charge pump an open circuit.
TEST(LoopNoise, ResistorNoiseAddsUpToTheTuningInputsImpedance) {
    NoiseInputs in = wide_loop();
    const LoopParts without_c1{0, 10e-9, 0, 1e3, 0};
    for (const LoopParts& parts : {*design_loop({2, 50e3, 50, 1, 0.6}, in.plant).parts,
                                   *design_loop({3, 50e3, 50, 1, 0.6}, in.plant).parts, without_c1}) {
        const LoopParts& p = in.parts = parts;
        for (double f : {5e3, 50e3, 500e3, 5e6}) {
            const std::complex<double> s(0, 2 * std::numbers::pi * f);
            const std::complex<double> pump_node = 1.0 / (s * p.c1 + 1.0 / (p.r2 + 1.0 / (s * p.c2)));
            const std::complex<double> tune = p.order() == 3 ? 1.0 / (s * p.c3 + 1.0 / (p.r3 + pump_node)) : pump_node;
            const double kvco = in.plant.kvco_hz_per_v, v2 = 4 * 1.380649e-23 * 300 * tune.real();
            const double expected = 10 * std::log10(kvco * kvco * v2 / (2 * f * f) * std::norm(error_transfer(p, in.plant, f)));
            const PhaseNoise n = phase_noise_at(in, f);
            const double sum = p.order() == 3 ? power_sum_dbc(*n.r2_thermal, *n.r3_thermal) : *n.r2_thermal;
            EXPECT_NEAR(sum, expected, 0.001) << p.order() << " " << f;
        }
    }
}

TEST(LoopNoise, PointsInterpolateInLogFrequencyAndExtendWithTheEndSlopes) {
    const NoiseProfile points = sorted_profile({{1e6, -135}, {1e4, -90}, {1e5, -115}});
    const std::pair<double, double> cases[] = {
        {1e4, -90}, {std::sqrt(1e9), -102.5}, {1e3, -65}, {1e7, -155}, {1e5, -115},
    };
    for (auto [f, level] : cases) EXPECT_NEAR(profile_level(points, f).value(), level, 1e-9) << f;
    EXPECT_EQ(profile_level({{1e4, -100}}, 1e7), -100);
    EXPECT_FALSE(profile_level({}, 1e4));
    EXPECT_FALSE(profile_problem({{1e4, -100}, {1e4, -110}}).empty());
    EXPECT_FALSE(profile_problem({{0, -100}}).empty());
}

// A flat −100 dBc/Hz from 10 kHz to 1 MHz: 0.806° RMS, 2.24 ps at 1 GHz.
TEST(LoopNoise, IntegratedPhaseErrorAndJitterOfAFlatSpectrum) {
    const double rad = std::sqrt(integrated_phase_variance([](double) { return -100.0; }, 1e4, 1e6));
    EXPECT_NEAR(rad * 180 / std::numbers::pi, 0.806, 0.0005);
    EXPECT_NEAR(rms_jitter_from_phase_s(rad * 180 / std::numbers::pi, 1e9), 2.24e-12, 0.005e-12);
}
