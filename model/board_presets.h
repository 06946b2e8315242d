#pragma once
// The five evaluation boards of the family and the complete setup each one loads.
#include <array>
#include <optional>
#include <string_view>

#include "model/eval_state.h"

struct BoardPreset {
    std::string_view caption;  // option caption and the main window's board label, "KSY7100EB1"
    std::string_view device;   // a family name, none of the nine variants: "ksy7100"
    uint16_t preset_index;     // 1..5
    double vco_freq, pfd_freq, ref_freq;
    int32_t prescaler, n_value, b_counter, a_counter, r_counter;
    bool sets_prescaler_and_currents;  // boards 4 and 5 keep prescaler bits and currents
};

extern const std::array<BoardPreset, 5> kBoardPresets;

// Writes the preset's cells into the state (cells marked unchanged stay as they are).
void apply_board_preset(EvalState& state, const BoardPreset& preset);
