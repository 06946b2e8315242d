#include "actions/main_controls.h"

#include <algorithm>

#include "actions/device_gates.h"
#include "actions/transfer.h"
#include "model/latch.h"
#include "model/variants.h"

namespace actions {
namespace {

template <class T>
T on_value(bool on, T value) {
    return on ? value : T{0};
}

}  // namespace

Outcome set_main_switch(EvalState& s, boardlink::Port& port, MainSwitch which, bool on) {
    if (which == MainSwitch::InternalDivide || which == MainSwitch::OutputDivide)
        if (auto refused = needs_divide_options(s)) return *refused;
    static const char* const names[] = {"PdPolarity", "CounterReset", "CpGain", "InternalDivide", "ThreeState",
                                        "OutputDivide", "MuteTillLock", "LockDetectPrecision"};
    Outcome out;
    Transfer wire(s, port, names[static_cast<int>(which)]);
    const bool nine = variants::is_family_variant(s.device);
    switch (which) {
    case MainSwitch::PdPolarity:
        s.pd_polarity_bits = on_value<int16_t>(on, 256);
        out.display.refresh = true;
        wire.send({kRLatch, kControlLatch, kNLatch});
        break;
    case MainSwitch::CounterReset:
        s.counter_reset_bits = on_value<int16_t>(on, 16);
        if (nine) wire.send(kControlLatch);
        break;
    case MainSwitch::CpGain:
        // Outside the nine the switch moves but the field stays; the latches go out anyway.
        if (nine) s.cp_gain_bits = on_value<int32_t>(on, 2097152);
        out.display.refresh = true;
        wire.send({kRLatch, kControlLatch, kNLatch});
        break;
    case MainSwitch::InternalDivide:
        s.div_sel_bits = on_value<double>(on, 8388608);
        out.display.refresh = true;
        wire.send(kNLatch);
        break;
    case MainSwitch::ChargePumpThreeState:
        s.cp_threestate_bits = on_value<int16_t>(on, 512);
        out.display.refresh = true;
        wire.send(kControlLatch);
        break;
    case MainSwitch::OutputDivide:
        s.out_div2_bits = on_value<double>(on, 4194304);
        out.display.refresh = true;
        wire.send(kNLatch);
        break;
    case MainSwitch::MuteTillLockDetect:
        s.mute_till_ld_bits = on_value<int32_t>(on, 2048);
        wire.send(kControlLatch);
        break;
    case MainSwitch::LockDetectPrecision:
        s.ldp_bits = on_value<int32_t>(on, 262144);
        wire.send(kRLatch);
        break;
    }
    return out;
}

Outcome set_power_level(EvalState& s, boardlink::Port& port, PowerLevel which, int level) {
    uint16_t& stored = which == PowerLevel::Output ? s.output_power : s.core_power;
    if (level >= 0 && level <= 3) stored = uint16_t(level);

    Outcome out;
    Transfer wire(s, port, which == PowerLevel::Output ? "OutputPower" : "CorePower");
    if (which == PowerLevel::Output) {
        if (auto text = output_power_text(stored)) out.display.output_power = LevelText{*text, stored};
        wire.send(kControlLatch);
    } else {
        // The text column follows the variant group; outside the nine the label stays.
        if (auto text = core_power_text(s.device, stored)) out.display.core_power = LevelText{*text, stored};
        wire.send({kControlLatch, kTestLatch});
    }
    return out;
}

Outcome step_power_level(EvalState& s, boardlink::Port& port, PowerLevel which, int direction) {
    const int level = which == PowerLevel::Output ? s.output_power : s.core_power;
    // A step past either end keeps the level, and still sends.
    return set_power_level(s, port, which, std::clamp(level + (direction > 0 ? 1 : direction < 0 ? -1 : 0), 0, 3));
}

}  // namespace actions
