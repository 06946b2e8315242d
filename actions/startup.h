#pragma once
// The start of a run: the variant dialog's opening sets the port addresses and current
// defaults; its OK loads the chosen variant's defaults (only the common values when none was
// chosen) and sets up the board's supply monitor. No latch is written: the board is first
// programmed when a setting is changed, loaded or resent.
#include <optional>
#include <string_view>

#include "actions/outcome.h"
#include "link/port.h"
#include "link/readback.h"
#include "model/eval_state.h"

namespace actions {

void open_variant_dialog(EvalState& state);

struct VariantOutcome : Outcome {
    boardlink::SetupResult supply_monitor = boardlink::SetupResult::Absent;
};
VariantOutcome choose_variant(EvalState& state, boardlink::Port& port, std::optional<std::string_view> variant);

// Back to the start-up state of the variant chosen (every field as at the start, then that
// variant's defaults), and the full write sequence, so the board holds what the state says.
// Refused while the device is none of the nine variants (a board preset): there is no variant
// to return to.
Outcome reset_to_defaults(EvalState& state, boardlink::Port& port);

}  // namespace actions
