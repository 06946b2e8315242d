#pragma once
// The board's supply monitor: its set-up when the variant is chosen, and one measurement of Vp,
// Vdd and Idd for the three readouts. The converter needs time to settle after an input is
// selected, so a measurement is four steps with a wait between each; the caller waits (a timer
// step in a window, a sleep in a run without one). Each step is one whole port transfer, so a
// latch write can only fall between steps.
#include <cstdint>
#include <string>

#include "link/port.h"
#include "link/readback.h"
#include "model/eval_state.h"
#include "model/supply.h"

namespace actions {

// The converter's set-up sequence.
boardlink::SetupResult set_up_supply_monitor(EvalState& state, boardlink::Port& port);

class SupplyReading {
public:
    static constexpr int kSteps = 4;
    static constexpr int kSettleMs = 200;  // the converter's settling time after a step
    // Step k (0..3): reads the input that step k - 1 selected (k > 0), then selects the next
    // input (k < 3). The link is flushed at the end of the step.
    void step(EvalState& state, boardlink::Port& port, int k);
    // What the readouts show once the four steps are done.
    SupplyTexts texts() const;

private:
    uint16_t codes_[3] = {};
};

// "<Vdd>,<Vp>,<Idd>" as the readouts show them, for a script.
std::string supply_answer(const SupplyTexts& texts);

}  // namespace actions
