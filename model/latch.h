#pragma once
// Latch assembly and the write of one latch to the board.
//
// The chip has four latches, told apart by the two lowest bits of the word (the control bits),
// which equal latch_select: 0 control, 1 R counter, 2 N counter, 3 test.
#include <cstdint>

#include "link/port.h"
#include "model/eval_state.h"

enum Latch : uint8_t { kControlLatch = 0, kRLatch = 1, kNLatch = 2, kTestLatch = 3 };

// The word of `latch` as the state describes it: the plain fields shifted into place and the
// pre-shifted fields added. Nothing is masked, so a field outside its range spills into its
// neighbours; the callers keep every field within its listed values.
int64_t assemble_latch(const EvalState& state, uint8_t latch);

// Assembles the latch named by state.latch_select (for one of the nine variants), keeps the
// copies (control_word, r_word_assembled/r_word, n_word_assembled/n_word, test_word, tx_word)
// and clocks tx_word into the board followed by a latch-enable pulse. The link is not flushed
// here: the action the write belongs to flushes once at its end (actions/transfer.h).
//  - latch_select above 3: nothing at all happens.
//  - a device name outside the nine: nothing is assembled; the previous tx_word stands, with a
//    word length of 0, so the port sees only the idle write and the latch-enable pulse.
void write_latch(EvalState& state, boardlink::Port& port);
