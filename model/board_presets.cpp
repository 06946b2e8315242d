#include "model/board_presets.h"

#include "model/frequency_made.h"

const std::array<BoardPreset, 5> kBoardPresets = {{
    {"KSY7100EB1", "ksy7100", 1, 900, 200, 10'000'000, 32, 4500, 140, 20, 50, true},
    {"KSY7101EB1", "ksy7101", 2, 1750, 200, 10'000'000, 32, 8750, 273, 14, 50, true},
    {"KSY7102EB1", "ksy7102", 3, 835.5, 30, 19'200'000, 32, 27850, 870, 10, 640, true},
    {"KSY7103EB1", "ksy7103", 4, 1960, 200, 19'200'000, 32, 9800, 306, 8, 96, false},
    {"KSY7104EB1", "ksy7104", 5, 1960, 200, 19'200'000, 32, 9800, 306, 8, 96, false},
}};

void apply_board_preset(EvalState& s, const BoardPreset& p) {
    s.device = std::string(p.device);
    s.preset_index = p.preset_index;
    s.vco_freq = p.vco_freq;
    s.pfd_freq = p.pfd_freq;
    s.ref_freq = p.ref_freq;
    s.prescaler = p.prescaler;
    s.n_value = p.n_value;
    s.b_counter = p.b_counter;
    s.a_counter = p.a_counter;
    s.r_counter = p.r_counter;
    if (p.sets_prescaler_and_currents) {
        s.prescaler_bits = 8388608;         // 32/33
        s.cs1_bits = 65536 + 32768 + 16384;  // highest current code
        s.cs2_bits = 524288 + 262144 + 131072;
    }
    s.powerdown_bits = 0;
    s.cp_threestate_bits = 0;
    s.pd_polarity_bits = 256;
    s.muxout_bits = 0;
    s.counter_reset_bits = 0;
    s.cp_gain_bits = 2097152;
    s.ldp_bits = 0;
    s.r_aux_bits = 0;
    settle_frequencies(s);
    s.asked_vco_freq = s.vco_freq;
    s.asked_pfd_freq = s.pfd_freq;
}
