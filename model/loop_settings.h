#pragma once
// The loop designer's record the tool keeps with the evaluation state: the filter in use, the
// VCO gain, the last design asked for and the noise inputs.
#include <vector>

#include "model/e_series.h"
#include "model/loop_filter.h"
#include "model/noise_profile.h"

struct LoopSettings {
    int order = 2;
    LoopParts parts;                 // C in F, R in ohm; C3 = R3 = 0 at order 2
    double kvco_mhz_per_v = 40;
    ESeries snap = ESeries::None;    // parts are rounded to it after each design
    // The design last asked for.
    double gamma = 1;
    double t31 = 0.6;
    double fc_hz = 10e3;
    double phase_margin_deg = 50;
    // Noise inputs.
    double fom_dbc_hz = -220;
    double flicker_dbc_hz = -115;
    NoiseProfile vco_points;         // free-running VCO, at the VCO frequency
    NoiseProfile reference_points;   // at the reference frequency

    bool operator==(const LoopSettings&) const = default;
};
