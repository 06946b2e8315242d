#pragma once
// The test-mode window's actions: its three lists and three of its switches store their field
// and send nothing (their bits reach the board with the next test-latch write); the test-mode
// enable switch sends all four latches; "Update Testmode Latch" sends the test latch.
#include "actions/outcome.h"
#include "link/port.h"
#include "model/eval_state.h"
#include "model/test_modes.h"

namespace actions {

// A list entry chosen: its index is the code stored. An index outside the list stores nothing.
Outcome choose_test_list(EvalState& state, test_modes::List list, int index);

// A switch turned on or off. The test-mode enable bit is in the R latch: control, R, N and test
// are sent, after a refresh; the others send nothing.
Outcome set_test_switch(EvalState& state, boardlink::Port& port, test_modes::Switch which, bool on);

// The test latch, assembled from the state.
Outcome update_test_latch(EvalState& state, boardlink::Port& port);

}  // namespace actions
