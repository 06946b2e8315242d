#include "actions/frequency.h"

#include "actions/device_gates.h"
#include "actions/transfer.h"
#include "model/latch.h"
#include "model/variants.h"

namespace actions {
namespace {

// The frequency dialog's failures: step 1 belongs to the VCO entry, step 2 to the PFD entry, and
// a counter outside its field to no entry (the entries stay as typed).
Refusal synth_refusal(const PlanFailure& f) {
    if (f.step == 1) return refusal(f.message, "Text1", true);
    if (f.step == 2) return refusal(f.message, "Text2", true);
    return refusal(f.message);
}

}  // namespace

SynthEntries open_frequency_dialog(EvalState& s) {
    SynthEntries entries = synth_entries(s);
    s.loaded_vco_mhz = entries.loaded_vco_mhz;
    s.loaded_pfd_khz = entries.loaded_pfd_khz;
    return entries;
}

FrequencyOutcome load_frequency(EvalState& s, boardlink::Port& port, std::optional<double> vco_mhz,
                                std::optional<double> pfd_khz) {
    FrequencyOutcome out;
    auto plan = plan_synth_load(s, vco_mhz, pfd_khz);
    if (!plan) {
        out.refusal = synth_refusal(plan.failure);
        return out;
    }
    out.counters = plan->counters;
    store(*plan, s);
    out.display.refresh = true;
    Transfer wire(s, port, "LoadNow");
    if (plan->send_r) wire.send(kRLatch);
    if (plan->send_n) wire.send(kNLatch);
    return out;
}

FrequencyOutcome step_channel(EvalState& s, boardlink::Port& port, std::optional<double> vco_mhz,
                              std::optional<double> pfd_khz, int direction) {
    FrequencyOutcome out;
    auto plan = plan_channel_step(s, vco_mhz, pfd_khz, direction);
    if (!plan) {
        out.refusal = synth_refusal(plan.failure);
        return out;
    }
    store(*plan, s);
    out.counters = plan->counters;
    out.vco_text = plan->vco_text;
    out.display.refresh = true;
    if (!variants::is_family_variant(s.device)) return out;
    Transfer wire(s, port, direction < 0 ? "ChannelDown" : "ChannelUp");
    if (plan->send_r) wire.send(kRLatch);
    wire.send(kNLatch);
    return out;
}

ReferenceOutcome apply_reference(EvalState& s, boardlink::Port& port, std::optional<double> ref_mhz) {
    ReferenceOutcome out;
    auto plan = plan_crystal(s, ref_mhz);
    if (!plan) {
        // An entry that is not a usable frequency is emptied; counters outside their fields
        // leave it as typed.
        const bool entry = plan.failure.step != 0;
        out.refusal = refusal(plan.failure.message, entry ? "Text1" : "", entry, true);
        return out;
    }
    out.entry_text = plan->entry_text;
    store(*plan, s);
    out.display.refresh = true;
    Transfer(s, port, "Reference").send_full_sequence();
    return out;
}

Outcome apply_prescaler(EvalState& s, boardlink::Port& port, int knob_position) {
    if (auto refused = needs_prescaler(s)) return *refused;
    auto plan = plan_prescaler(s, knob_position);
    if (!plan) return refused(plan.failure.message, {}, false, true);
    store(*plan, s);
    Outcome out;
    out.display.refresh = true;
    Transfer(s, port, "Prescaler").send_full_sequence();
    return out;
}

}  // namespace actions
