#pragma once
// Starting values of the loop designer for each variant, and the record a run starts with.
#include <string_view>

#include "model/eval_state.h"
#include "model/loop_settings.h"
#include "model/noise_profile.h"

struct VariantLoopDefaults {
    double kvco_mhz_per_v;
    double fom_dbc_hz;
    double flicker_dbc_hz;
    NoiseProfile vco_points;
};

// The variant's values; a device that is none of the nine variants (a board family) gets those
// of a mid-band variant.
VariantLoopDefaults loop_defaults(std::string_view device);

// The charge-pump current the state selects, in A: current setting 1 while the N latch's CP gain
// bit is clear, setting 2 while it is set, at the set resistor: (code + 1) × 0.3125 mA × 4700 / RSet.
// 0 when RSet is not above 0.
double charge_pump_current_a(const EvalState& state);

// The record a run starts with for the state's variant and plan: order 2, parts designed for
// fc = min(10 kHz, PFD / 10) and 50° with the variant's VCO gain and the current the state
// selects (no parts when the plan makes no loop).
LoopSettings start_loop_settings(const EvalState& state);
