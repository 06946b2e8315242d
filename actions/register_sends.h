#pragma once
// The register map's send buttons as actions: the state rebuilt from the window's switches
// (model/register_map.h), the main window brought to agree, and the latches sent. "Update
// Function Latch", "Update N Register" and "Update R Register" store and send their own row
// only; "Load Now" (and OK) stores all three and sends R, control, N. A send that changes the core
// power level also sends the test latch, which holds the level too, after the control latch.
// Every send is refused (a conflict) outside the nine variants.
#include <string_view>

#include "actions/outcome.h"
#include "link/port.h"
#include "model/eval_state.h"
#include "model/register_map.h"

namespace actions {

enum class RegisterSend { Control, N, R, All };

// The window's `update`: the state rebuilt from the switches, sending nothing. Refused, with
// nothing rebuilt, when every R counter switch is off.
Outcome rebuild_from_register_map(EvalState& state, const regmap::RegisterBits& bits);

// Refused, with nothing rebuilt or sent, when every R counter switch of a row it stores is off,
// or an A counter switch is on for the variant without dual-modulus prescaler.
Outcome send_register_map(EvalState& state, boardlink::Port& port, const regmap::RegisterBits& bits,
                          RegisterSend which);

// A word typed for one row, as the register map takes it: the switches as the window opens on
// the state, that row's switches set from the word, then that row's send. A word whose address
// bits are not the row's is refused.
Outcome write_register_word(EvalState& state, boardlink::Port& port, regmap::Row row, std::string_view hex_word);

}  // namespace actions
