#pragma once
// The loop on the present plan: the plant that the state's frequency plan, charge-pump current and
// VCO gain make for the parts in use, the noise inputs, and why the loop cannot be analysed yet.
// The commands and the loop designer's window both start here.
#include <string>

#include "model/eval_state.h"
#include "model/loop_filter.h"
#include "model/loop_noise.h"

// The divide ratio of the present plan: the VCO frequency over the PFD (0 without a PFD).
double plan_ratio(const EvalState& state);
// The plant at divide ratio n: the current the state selects, its VCO gain, its PFD.
LoopPlant loop_plant(const EvalState& state, double n);
// The noise inputs of the present plan and the loop record.
NoiseInputs noise_inputs(const EvalState& state);
// Why the loop as kept cannot be analysed at divide ratio n (empty when it can): order 3 without
// its R3 and C3, parts that make no filter, or a plant that makes no loop.
std::string loop_unready(const EvalState& state, double n);
