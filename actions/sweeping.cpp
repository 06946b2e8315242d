#include "actions/sweeping.h"

#include "actions/exerciser_refusals.h"
#include "actions/transfer.h"
#include "model/latch.h"
#include "model/variants.h"

namespace actions {

Outcome SweepRun::start(EvalState& s, const boardlink::Port& port, const Entries& e) {
    if (!port.failure().empty()) {
        stop();
        return failed_link_refusal(port, "the sweep");
    }
    auto setup = exerciser::read_sweep(s, {e.start, e.stop, e.step, e.rate, e.decimal_point});
    if (!setup) {
        stop();
        return {exerciser_refusal(*setup.problem), {}};
    }
    exerciser::apply_sweep_setup(s, *setup);
    timer_.set_interval(setup->rate_ms);
    timer_.enabled = true;
    return {};
}

SweepRun::Step SweepRun::tick(EvalState& s, boardlink::Port& port) {
    Step out;
    if (!port.failure().empty()) {
        stop();
        return out;
    }
    auto step = exerciser::sweep_step(s);
    if (!step) {
        stop();
        out.refusal = exerciser_refusal(*step.problem);
        return out;
    }
    exerciser::apply_sweep_step(s, *step);
    out.texts = exerciser::sweep_texts(s);
    if (variants::is_family_variant(s.device)) {
        out.display.refresh = true;
        Transfer(s, port, "SweepStep" + std::to_string(++steps_)).send(kNLatch);
        out.progress = steps_;
    }
    if (step->last || !port.failure().empty()) stop();
    return out;
}

}  // namespace actions
