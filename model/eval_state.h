#pragma once
// The evaluation state: every setting of the synthesizer under evaluation and of the board link.
// One instance lives for the whole run; it is created in main() and passed by reference.
//
// Fields ending in _bits hold their value already shifted to its position in the 24-bit latch
// word, so latch assembly simply adds them. The counters and the two power levels are plain
// numbers that assembly shifts. Frequencies: vco_freq in MHz, pfd_freq in kHz, ref_freq in Hz.
// Widths are those the settings file and the latch words rely on.
#include <cstdint>
#include <string>

#include "model/loop_settings.h"

struct EvalState {
    // Variant and frequency plan
    std::string device;         // "ksy7100-0".."ksy7100-8", or a board-family name
    double vco_freq = 0;        // MHz
    double pfd_freq = 0;        // kHz
    double ref_freq = 0;        // Hz
    int32_t r_counter = 0;      // R latch bits 15..2
    int32_t n_value = 0;        // total divide ratio N = P x B + A
    int32_t prescaler = 0;      // modulus P: 8, 16, 32 (1 for the variant without dual modulus)
    int32_t b_counter = 0;      // N latch bits 20..8
    int32_t a_counter = 0;      // N latch bits 6..2
    double rset = 0;            // charge-pump set resistor, ohms
    int16_t rset_ohms = 0;      // the same as a whole number, shown by the main window
    uint16_t preset_index = 0;  // 0 for a variant, 1..5 for a board preset
    // The frequencies the user asked for, which plans aim at: vco_freq and pfd_freq are what the
    // counters make (N x PFD, reference / R), and a new reference or prescaler plans anew from
    // these, so repeated changes never drift from what was asked.
    double asked_vco_freq = 0;  // MHz
    double asked_pfd_freq = 0;  // kHz

    // Control latch (control bits 00)
    uint16_t core_power = 0;          // bits 3..2, level 0..3 (also in the test latch)
    int16_t counter_reset_bits = 0;   // bit 4: 0 or 16
    int16_t muxout_bits = 0;          // bits 7..5
    int16_t pd_polarity_bits = 0;     // bit 8: 256 positive, 0 negative
    int16_t cp_threestate_bits = 0;   // bit 9: 0 active, 512 three-state
    int32_t ctrl_cp_gain_bits = 0;    // bit 10: 0 or 1024
    int32_t mute_till_ld_bits = 0;    // bit 11: 0 or 2048
    uint16_t output_power = 0;        // bits 13..12, level 0..3
    int32_t cs1_bits = 0;             // bits 16..14
    int32_t cs2_bits = 0;             // bits 19..17
    int32_t powerdown_bits = 0;       // bits 21..20
    int32_t prescaler_bits = 0;       // bits 23..22

    // R counter latch (control bits 01)
    int32_t abp_width_bits = 0;       // bits 17..16
    int32_t ldp_bits = 0;             // bit 18: 0 or 262144
    int32_t test_enable_bits = 0;     // bit 19: 0 or 524288
    int32_t bscd_bits = 0;            // bits 21..20
    int32_t r_aux_bits = 0;           // added as stored; only a settings file sets it

    // N counter latch (control bits 10)
    int32_t cp_gain_bits = 0;         // bit 21: 0 or 2097152
    double out_div2_bits = 0;         // bit 22: 0 or 4194304
    double div_sel_bits = 0;          // bit 23: 0 or 8388608

    // Test latch (control bits 11)
    int16_t ext_band_code = 0;        // bits 6..4, plain 0..7
    int16_t readback_code = 0;        // bits 8..7, plain 0..3
    int16_t adc_ctrl_bits = 0;        // bit 9: 0 or 512
    int16_t band_ctrl_bits = 0;       // bit 10: 0 or 1024
    double test_mode_code = 0;        // bits 14..11, plain 0..15
    double ext_band_en_bits = 0;      // bit 15: 0 or 32768

    // Link and bookkeeping
    uint8_t latch_select = 0;         // latch the next write_latch builds; also its control bits
    double tx_word = 0;               // the word last handed to the serial protocol
    int32_t control_word = 0;
    int32_t r_word_assembled = 0;
    int32_t r_word = 0;
    int32_t n_word_assembled = 0;
    int32_t n_word = 0;
    int32_t test_word = 0;
    uint8_t latches_sent = 0;         // bit (1 << latch) set once a word was clocked into that latch
    bool board_single_modulus = false;  // the words were sent for the variant that divides by B alone
    int16_t data_port = 0;            // data register address for latch writes (888)
    int16_t readback_port = 0;        // data register address for the supply readback (888)
    int32_t shift_delay = 0;
    int32_t loaded_vco_mhz = 0;       // last VCO frequency loaded by the frequency dialog
    int32_t loaded_pfd_khz = 0;       // last PFD frequency loaded by the frequency dialog
    double sweep_start = 0;           // Hz
    double sweep_stop = 0;            // Hz
    double sweep_freq = 0;            // Hz
    double sweep_step = 0;            // Hz
    double hop_freq = 0;              // whole MHz
    int16_t hop_mode = 0;             // 0 plain hopping, 1 with charge-pump gain

    // The loop designer's record: the filter in use, the VCO gain, the noise inputs.
    LoopSettings loop;

    bool operator==(const EvalState&) const = default;
};
