#pragma once
// The test latch as the test-mode window edits it, and the test-mode enable bit of the R
// counter latch. Three lists, where an entry's index is the code its field stores, and four
// switches, each storing one pre-shifted bit when on and 0 when off.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "model/eval_state.h"

namespace test_modes {

// The lists, under the names of the window's drop-down lists:
//   Combo3  synthesizer test mode   test_mode_code  test latch bits 14..11, 16 entries
//   Combo1  SAR / ADC readback      readback_code   test latch bits 8..7,    4 entries
//   Combo2  external band control   ext_band_code   test latch bits 6..4,    8 entries
enum class List { TestMode, Readback, ExtBand };

// The entries in list order; some texts repeat, and each keeps the code of its own place.
std::span<const std::string_view> entries(List list);

// Stores the code of entry `index`. An index outside the list (no entry chosen) stores
// nothing and gives false.
bool store_choice(EvalState& state, List list, int index);

// The entry that shows the code the state holds; empty when the field holds no whole number
// within the list.
std::optional<int> choice_shown(const EvalState& state, List list);

// The switches, under the names of the window's switches:
//   Toggle1  ext_band_en_bits  test latch bit 15      Toggle2  band_ctrl_bits  test latch bit 10
//   Toggle3  adc_ctrl_bits     test latch bit 9       Toggle4  test_enable_bits  R latch bit 19
enum class Switch { ExtBandEnable, BandControl, AdcControl, TestEnable };

struct SwitchInfo {
    std::string_view off_caption, on_caption;
    int32_t on_value;
};
const SwitchInfo& switch_info(Switch s);

void store_switch(EvalState& state, Switch s, bool on);
// On when the field holds its on value.
bool switch_on(const EvalState& state, Switch s);

// Whether the test latch the state describes differs from the word last sent to it, so the
// board does not yet hold what the window shows.
bool test_latch_pending(const EvalState& state);

}  // namespace test_modes
