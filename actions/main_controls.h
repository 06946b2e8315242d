#pragma once
// The main window's own actions: its eight switches and its four power-level buttons. Each
// changes its field and sends the affected latches at once.
#include "actions/outcome.h"
#include "link/port.h"
#include "model/eval_state.h"

namespace actions {

// The main window's switches, by what they set (Toggle1 .. Toggle7, Toggle10).
enum class MainSwitch {
    PdPolarity,            // Toggle1: control bit 8; refresh; R, control, N
    CounterReset,          // Toggle2: control bit 4; control (nine variants only)
    CpGain,                // Toggle3: N bit 21 (stored for the nine only); refresh; R, control, N
    InternalDivide,        // Toggle4: N bit 23; refresh; N
    ChargePumpThreeState,  // Toggle5: control bit 9; refresh; control
    OutputDivide,          // Toggle6: N bit 22; refresh; N
    MuteTillLockDetect,    // Toggle7: control bit 11; control
    LockDetectPrecision,   // Toggle10: R bit 18; R
};

// A switch turned on or off by the user. The divide-by-2 switches are refused (a conflict) for
// the KSY7100-8, which has no divide-by-2 options.
Outcome set_main_switch(EvalState& state, boardlink::Port& port, MainSwitch which, bool on);

enum class PowerLevel { Output, Core };

// One step up (+1) or down (-1) of a power level, 0..3; a step past either end keeps the level
// and still sends. The output level is in the control latch; the core level in the control and
// the test latch, so both are sent.
Outcome step_power_level(EvalState& state, boardlink::Port& port, PowerLevel which, int direction);
// A level set to 0..3 at once (a script's form of the buttons), stored and sent as a step is.
Outcome set_power_level(EvalState& state, boardlink::Port& port, PowerLevel which, int level);

}  // namespace actions
