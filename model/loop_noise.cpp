#include "model/loop_noise.h"

#include <cmath>
#include <complex>
#include <numbers>


namespace {

constexpr double kBoltzmann = 1.380649e-23;
constexpr double kTemperatureK = 300;

double power_of(double dbc) { return std::pow(10.0, dbc / 10); }
double dbc_of(double power) { return 10 * std::log10(power); }

// From a noise voltage in series with R2 (or R3) to the tuning input, with the charge pump an
// open circuit (an ideal current source).
struct ThermalTransfers {
    std::complex<double> r2, r3;
};
ThermalTransfers thermal_transfers(const LoopParts& p, double f_hz) {
    const std::complex<double> s(0, 2 * std::numbers::pi * f_hz);
    const bool order3 = p.order() == 3;
    const std::complex<double> y_r2_branch = 1.0 / (p.r2 + 1.0 / (s * p.c2));
    const std::complex<double> y_r3_branch = order3 ? 1.0 / (p.r3 + 1.0 / (s * p.c3)) : 0.0;
    // R2's source drives the pump node through its own branch; the node sees C1 and R3-C3.
    const std::complex<double> node = y_r2_branch / (s * p.c1 + y_r2_branch + y_r3_branch);
    ThermalTransfers t{order3 ? node / (1.0 + s * p.r3 * p.c3) : node, 0.0};
    // R3's source drives C3 through R3 and whatever the pump node presents (C1 beside R2-C2).
    if (order3) t.r3 = (1.0 / (s * p.c3)) / (1.0 / (s * p.c1 + y_r2_branch) + p.r3 + 1.0 / (s * p.c3));
    return t;
}

PhaseNoise noise_sorted(const NoiseInputs& in, double f) {
    const LoopPlant& plant = in.plant;
    const double fout = plant.n * plant.pfd_hz;
    const std::complex<double> h = open_loop_gain(in.parts, plant, f);
    const double low_pass = std::norm(h / (1.0 + h));
    const double high_pass = std::norm(1.0 / (1.0 + h));

    PhaseNoise out;
    out.offset_hz = f;
    const double floor = in.fom_dbc_hz + 10 * std::log10(plant.pfd_hz) + 20 * std::log10(plant.n);
    const double flicker = in.flicker_dbc_hz + 20 * std::log10(fout / 1e9) - 10 * std::log10(f / 1e4);
    double total = power_of(floor) * low_pass + power_of(flicker) * low_pass;
    out.pll_floor = dbc_of(power_of(floor) * low_pass);
    out.pll_flicker = dbc_of(power_of(flicker) * low_pass);
    if (auto ref = profile_level(in.reference, f)) {
        const double p = power_of(*ref + 20 * std::log10(plant.n / in.r_divider)) * low_pass;
        out.reference = dbc_of(p);
        total += p;
    }
    if (auto vco = profile_level(in.vco, f)) {
        const double p = power_of(*vco) * high_pass;
        out.vco = dbc_of(p);
        total += p;
    }
    // Sφ = (Kvco·v / f)² rad²/Hz for a tuning noise v V/√Hz; L = Sφ / 2.
    const ThermalTransfers t = thermal_transfers(in.parts, f);
    auto thermal = [&](double r, std::complex<double> transfer) {
        const double v2 = 4 * kBoltzmann * kTemperatureK * r * std::norm(transfer);
        return plant.kvco_hz_per_v * plant.kvco_hz_per_v * v2 / (2 * f * f) * high_pass;
    };
    const double r2 = thermal(in.parts.r2, t.r2);
    out.r2_thermal = dbc_of(r2);
    total += r2;
    if (in.parts.order() == 3) {
        const double r3 = thermal(in.parts.r3, t.r3);
        out.r3_thermal = dbc_of(r3);
        total += r3;
    }
    out.total = dbc_of(total);
    out.total_divided_by_2 = out.total - 20 * std::log10(2.0);
    return out;
}

NoiseInputs with_sorted_points(NoiseInputs in) {
    in.reference = sorted_profile(std::move(in.reference));
    in.vco = sorted_profile(std::move(in.vco));
    return in;
}

}  // namespace

PhaseNoise phase_noise_at(const NoiseInputs& inputs, double offset_hz) {
    return noise_sorted(with_sorted_points(inputs), offset_hz);
}

std::vector<PhaseNoise> phase_noise_curve(const NoiseInputs& inputs, const std::vector<double>& offsets_hz) {
    const NoiseInputs sorted = with_sorted_points(inputs);
    std::vector<PhaseNoise> curve;
    curve.reserve(offsets_hz.size());
    for (double f : offsets_hz) curve.push_back(noise_sorted(sorted, f));
    return curve;
}

double rms_phase_error_deg(const NoiseInputs& inputs, double f1_hz, double f2_hz) {
    const NoiseInputs sorted = with_sorted_points(inputs);
    const double variance =
        integrated_phase_variance([&](double f) { return noise_sorted(sorted, f).total; }, f1_hz, f2_hz);
    return std::sqrt(variance) * 180 / std::numbers::pi;
}

double rms_jitter_s(const NoiseInputs& inputs, double f1_hz, double f2_hz) {
    return rms_jitter_from_phase_s(rms_phase_error_deg(inputs, f1_hz, f2_hz), inputs.plant.n * inputs.plant.pfd_hz);
}
