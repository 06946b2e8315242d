#pragma once
// The actions of the option dialogs: current settings, power-down, muxout, band-select clock
// divider, anti-backlash pulse width and the board presets, and the resend of one latch. Each
// takes the choice the window shows (an option number, a knob position; empty when nothing is
// selected), stores it, and sends the latches its dialog sends.
#include <cstdint>
#include <optional>

#include "actions/outcome.h"
#include "link/port.h"
#include "model/eval_state.h"
#include "model/setting_choices.h"

namespace actions {

// Current setting 1 or 2: the knob position 0..7, the charge-pump gain that goes with the
// setting (nine variants), and RSet as parsed; the full write sequence. A rejected RSet changes
// nothing.
Outcome apply_current_setting(EvalState& state, boardlink::Port& port, CurrentSetting setting, int knob_position,
                              std::optional<double> rset_ohms);

// Power-down, options 1..3; the control latch. Refused (a conflict) outside the nine variants.
Outcome apply_powerdown(EvalState& state, boardlink::Port& port, std::optional<int> option);

// Muxout, options 1..8; the control latch.
Outcome apply_muxout(EvalState& state, boardlink::Port& port, std::optional<int> option);

// Band-select clock divide ratio, knob positions 0..3; the full write sequence.
Outcome apply_band_select(EvalState& state, boardlink::Port& port, int knob_position);

// Anti-backlash pulse width, options 1..4; the full write sequence.
Outcome apply_abp_width(EvalState& state, boardlink::Port& port, std::optional<int> option);

// An evaluation board, presets 1..5 (none: nothing stored); the full write sequence.
Outcome apply_board_preset(EvalState& state, boardlink::Port& port, std::optional<int> preset);

// One latch again, assembled afresh from the state (0 control, 1 R, 2 N, 3 test).
Outcome resend_latch(EvalState& state, boardlink::Port& port, uint8_t latch);
// All four again, in the order of the full write sequence: test, N, R, control.
Outcome resend_all(EvalState& state, boardlink::Port& port);

}  // namespace actions
