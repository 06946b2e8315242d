#include "model/test_modes.h"

#include <array>
#include <cmath>

#include "model/latch.h"

namespace test_modes {

namespace {

// The list order is the chip's code order: the repeated "Normal Operation" at 0, 1 and 11 and
// the repeated last entry at 14 and 15 are codes of their own, so none may be dropped.
constexpr std::array<std::string_view, 16> kTestModes = {
    "Normal Operation",
    "Normal Operation",
    "VCO Operation only. Prescaler & Counters Disabled",
    "External VCO. Int VCO disabled.",
    "Force Charge Pump Up",
    "Force Charge Pump Down",
    "Force Charge Pump 3 State",
    "R Div / 2 Select",
    "N Div / 2 Select",
    "N Div Select, Test Mux Selects Data",
    "A Div Select, Test Mux Selects Data",
    "Normal Operation",
    "Force Phase Detector Pump Up",
    "Force Phase Detector Pump Down",
    "Force Phase Detector Pump Up, Test Mux Selects Data",
    "Force Phase Detector Pump Up, Test Mux Selects Data",
};

constexpr std::array<std::string_view, 4> kReadback = {
    "Normal Operation", "ADC Readback", "SAR Readback", "Not Used"};

// Each entry spells DB6, DB5, DB4 of its code.
constexpr std::array<std::string_view, 8> kExtBand = {
    "0,0,0", "0,0,1", "0,1,0", "0,1,1", "1,0,0", "1,0,1", "1,1,0", "1,1,1"};

constexpr std::array<SwitchInfo, 4> kSwitches = {{
    {"External Band Disable", "External Band Enable", 32768},
    {"Band Control Icp Disabled", "Band Control Enabled", 1024},
    {"ADC Control Disable", "ADC Control Enable", 512},
    {"Test Modes Disabled ", "Test Modes Enabled", 524288},  // the off caption ends in a blank
}};

}  // namespace

std::span<const std::string_view> entries(List list) {
    switch (list) {
    case List::TestMode: return kTestModes;
    case List::Readback: return kReadback;
    case List::ExtBand: return kExtBand;
    }
    return {};
}

bool store_choice(EvalState& state, List list, int index) {
    if (index < 0 || size_t(index) >= entries(list).size()) return false;
    switch (list) {
    case List::TestMode: state.test_mode_code = index; break;
    case List::Readback: state.readback_code = int16_t(index); break;
    case List::ExtBand: state.ext_band_code = int16_t(index); break;
    }
    return true;
}

std::optional<int> choice_shown(const EvalState& state, List list) {
    double code = 0;
    switch (list) {
    case List::TestMode: code = state.test_mode_code; break;
    case List::Readback: code = state.readback_code; break;
    case List::ExtBand: code = state.ext_band_code; break;
    }
    if (!(code >= 0) || code >= double(entries(list).size()) || code != std::floor(code)) return std::nullopt;
    return int(code);
}

const SwitchInfo& switch_info(Switch s) { return kSwitches[size_t(s)]; }

void store_switch(EvalState& state, Switch s, bool on) {
    const int32_t value = on ? switch_info(s).on_value : 0;
    switch (s) {
    case Switch::ExtBandEnable: state.ext_band_en_bits = value; break;
    case Switch::BandControl: state.band_ctrl_bits = int16_t(value); break;
    case Switch::AdcControl: state.adc_ctrl_bits = int16_t(value); break;
    case Switch::TestEnable: state.test_enable_bits = value; break;
    }
}

bool switch_on(const EvalState& state, Switch s) {
    const double on = switch_info(s).on_value;
    switch (s) {
    case Switch::ExtBandEnable: return state.ext_band_en_bits == on;
    case Switch::BandControl: return state.band_ctrl_bits == on;
    case Switch::AdcControl: return state.adc_ctrl_bits == on;
    case Switch::TestEnable: return state.test_enable_bits == on;
    }
    return false;
}

bool test_latch_pending(const EvalState& state) {
    return assemble_latch(state, kTestLatch) != int64_t{state.test_word};
}

}  // namespace test_modes
