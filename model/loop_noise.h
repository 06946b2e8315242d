#pragma once
// The phase noise of the locked loop at an offset from the VCO frequency, as the sum of the
// powers of its sources, each shaped by the loop:
// - the synthesizer's flat floor, FOM + 10·log10(fPFD) + 20·log10(N), and its flicker term, a
//   level at 10 kHz from a 1 GHz output + 20·log10(fout / 1 GHz) − 10·log10(f / 10 kHz); both are
//   already referred to the output, so the closed loop's low-pass |CL|² shapes them;
// - the reference's noise points + 20·log10(N / R), through the same low-pass;
// - the VCO's noise points, through the high-pass |1/(1 + G/N)|²;
// - the thermal noise of R2 and R3 (4kTR, 300 K) through the filter to the tuning input, as phase
//   noise Kvco²·v²/(2f²), through the same high-pass.
#include <optional>
#include <vector>

#include "model/loop_filter.h"
#include "model/noise_profile.h"

struct NoiseInputs {
    LoopParts parts;
    LoopPlant plant;           // N and fPFD give the output frequency N·fPFD
    double r_divider = 1;      // reference / PFD
    double fom_dbc_hz = -220;  // normalised floor, dBc/Hz at 1 Hz PFD and N = 1
    double flicker_dbc_hz = -115;
    NoiseProfile reference;    // at the reference frequency; empty: none
    NoiseProfile vco;          // free-running, at the VCO frequency; empty: none
};

// Every contribution in dBc/Hz at the VCO frequency; empty where there is no such source (no
// points, no R3).
struct PhaseNoise {
    double offset_hz = 0;
    double pll_floor = 0, pll_flicker = 0;
    std::optional<double> reference, vco, r2_thermal, r3_thermal;
    double total = 0;
    double total_divided_by_2 = 0;  // at the output with the divide-by-2 on
};

// The inputs must be usable: parts_problem, plant_problem and profile_problem all empty; the
// points need not be sorted.
PhaseNoise phase_noise_at(const NoiseInputs& inputs, double offset_hz);
std::vector<PhaseNoise> phase_noise_curve(const NoiseInputs& inputs, const std::vector<double>& offsets_hz);

// Integrated over [f1, f2] from the total at the VCO frequency: RMS phase error in degrees, and
// RMS jitter in seconds (the phase error over 2π times the VCO frequency).
double rms_phase_error_deg(const NoiseInputs& inputs, double f1_hz, double f2_hz);
double rms_jitter_s(const NoiseInputs& inputs, double f1_hz, double f2_hz);
