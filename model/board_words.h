#pragma once
// What the board holds: the word last latched into each of its latches, as the tool sent them,
// and the frequency those words make. This is the tool's own check that it and the board agree:
// a plan is sent where the board does not hold its words, and the readout reports what the
// board makes, not what the window was asked for.
//
// A write outside the nine variants (a board preset) clocks no data: the board's latches keep
// their words, and so does this record.
#include <cstdint>
#include <optional>
#include <string>

#include "model/eval_state.h"

// The word the board holds in `latch` (0 control, 1 R, 2 N, 3 test), if it was ever sent one.
std::optional<int32_t> held_word(const EvalState& state, uint8_t latch);

// Whether the board holds the word the state assembles for `latch`.
bool board_holds(const EvalState& state, uint8_t latch);

// The frequency plan the held words program, with the state's reference frequency. Empty until
// the board holds an R and an N word, and, for the variants with a dual-modulus prescaler, a
// control word (its prescaler bits select P); empty too when the R word holds R = 0.
struct BoardFrequency {
    int32_t r = 0;
    int64_t n = 0;
    double pfd_khz = 0;
    double vco_mhz = 0;
};
std::optional<BoardFrequency> board_frequency(const EvalState& state);

// The readout of the main window's status bar: "Board: 2399.9559 MHz (R 98, N 11951)",
// "Board: not programmed yet", or "Board: words unchanged (preset)".
std::string board_readout(const EvalState& state);
