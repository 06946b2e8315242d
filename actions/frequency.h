#pragma once
// The actions that set the frequency plan: the frequency dialog (Load Now and the two channel
// buttons), the reference dialog and the prescaler dialog. The counter arithmetic is the
// model's (model/frequency_plan.h); here each plan is stored whole and its latches sent.
#include <optional>
#include <string>

#include "actions/outcome.h"
#include "link/port.h"
#include "model/eval_state.h"
#include "model/frequency_plan.h"

namespace actions {

// The frequency dialog as it opens: its entries, and the whole VCO and PFD frequencies it takes
// as last loaded (stored in the state: Load Now compares with them).
SynthEntries open_frequency_dialog(EvalState& state);

struct FrequencyOutcome : Outcome {
    std::optional<Counters> counters;  // N, P, B, A as computed, for the dialog's labels
    std::string vco_text;              // channel steps: the VCO entry moved by one step
};

// Load Now with the entries as parsed (empty: not a number): R and N from the reference, sent
// (R before N) where the board does not hold them.
FrequencyOutcome load_frequency(EvalState& state, boardlink::Port& port, std::optional<double> vco_mhz,
                                std::optional<double> pfd_khz);
// One channel up (+1) or down (-1) from the VCO entry: the N latch, with R before it where the
// board does not hold the plan's R; nothing is sent outside the nine variants.
FrequencyOutcome step_channel(EvalState& state, boardlink::Port& port, std::optional<double> vco_mhz,
                              std::optional<double> pfd_khz, int direction);

struct ReferenceOutcome : Outcome {
    std::string entry_text;  // the entry rewritten with six decimals
};
// The reference dialog's apply: REF IN in MHz, the counters anew, the full write sequence.
ReferenceOutcome apply_reference(EvalState& state, boardlink::Port& port, std::optional<double> ref_mhz);

// The prescaler dialog's apply: knob position 0..3 (another keeps the stored prescaler), the
// counters split anew, the full write sequence. Refused (a conflict) outside the eight variants
// with a dual-modulus prescaler.
Outcome apply_prescaler(EvalState& state, boardlink::Port& port, int knob_position);

}  // namespace actions
