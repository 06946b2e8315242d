#pragma once
// The sweep exerciser: the synthesizer steps from a start to a stop frequency in channel steps,
// one N counter latch per tick, and stops by itself at the step that reaches or passes the stop
// frequency. A refused start stops a sweep that was running; a step that cannot be made, or a
// link that has failed, stops it too.
#include <optional>
#include <string>
#include <vector>

#include "actions/exerciser_timer.h"
#include "actions/outcome.h"
#include "actions/tick_result.h"
#include "link/port.h"
#include "model/eval_state.h"
#include "model/exerciser_plan.h"

namespace actions {

class SweepRun {
public:
    // The entries as typed: start and stop (MHz), channel step (kHz), rate (ms per step).
    struct Entries {
        std::string start, stop, step, rate;
        char decimal_point = '.';
    };

    Outcome start(EvalState& state, const boardlink::Port& port, const Entries& entries);
    void stop() { timer_.enabled = false; }

    // A step; its texts are what the window shows after it: the frequency reached and the
    // entries as the sweep reads them (empty when no step was made).
    using Step = TickResult;
    Step tick(EvalState& state, boardlink::Port& port);

    const TimerSetting& timer() const { return timer_; }
    std::vector<TimerSetting> timers() const { return {timer_}; }
    bool running() const { return timer_.running(); }

private:
    TimerSetting timer_;
    unsigned long steps_ = 0;  // steps made since the run was created, for the trace's marks
};

}  // namespace actions
