#pragma once
// The loop designer's actions, shared by its window and its commands: the filter order, a design
// on the present plan, parts typed or chosen, the rounding series, the VCO gain and the noise
// inputs. They keep the loop record of the state and send nothing to the board: the filter is on
// the board already, these only describe it. A refusal changes nothing.
#include <optional>

#include "actions/outcome.h"
#include "model/e_series.h"
#include "model/eval_state.h"
#include "model/loop_design.h"
#include "model/noise_profile.h"

namespace actions {

// Order 2 clears C3 and R3; order 3 waits for a design or parts with them.
Outcome set_loop_order(EvalState& state, int order);
// Designs for the present plan (the current the state selects, its VCO gain and divide ratio) at
// the record's order and keeps the parts, rounded to the record's series. Refused, with the
// reason, when the equations cannot meet the goal. `designed`, when given, receives the parts
// before rounding.
Outcome design_loop_filter(EvalState& state, const DesignGoal& goal, LoopParts* designed = nullptr);
// Parts typed (or chosen from a design): C3 and R3 both 0 make order 2, both above 0 order 3.
Outcome use_loop_parts(EvalState& state, const LoopParts& parts);
// Rounds the parts in use to the series now, and after each design.
Outcome set_loop_series(EvalState& state, ESeries series);
Outcome set_vco_gain(EvalState& state, std::optional<double> mhz_per_v);
// The synthesizer's noise floor (FOM) and flicker level, dBc/Hz, each from -300 to 0.
Outcome set_pll_noise(EvalState& state, std::optional<double> fom_dbc_hz, std::optional<double> flicker_dbc_hz);
enum class NoiseSource { Vco, Reference };
// Noise points of the VCO or the reference; empty points: no such contribution.
Outcome set_noise_points(EvalState& state, NoiseSource source, const NoiseProfile& points);

}  // namespace actions
