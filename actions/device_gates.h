#pragma once
// What the device allows. The main window offers some windows and switches only for some
// devices; these are rules of the tool, not of the window, so every caller meets them (a script,
// the command server): a setting the device cannot take is refused as a conflict, changing and
// sending nothing.
#include <optional>
#include <string>

#include "actions/outcome.h"
#include "model/eval_state.h"

namespace actions {

// `what` ("The register map", "The power-down setting") needs one of the nine variants: a board
// preset's writes carry no data, so nothing set would reach the chip.
std::optional<Outcome> needs_variant(const EvalState& state, const std::string& what);

// The prescaler exists on the eight variants with a dual-modulus prescaler only.
std::optional<Outcome> needs_prescaler(const EvalState& state);

// The divide-by-2 options exist on the eight variants with a dual-modulus prescaler; the
// KSY7100-8 has none (the main window hides their switches).
std::optional<Outcome> needs_divide_options(const EvalState& state);

}  // namespace actions
