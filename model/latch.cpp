#include "model/latch.h"

#include <cmath>

#include "link/latch_protocol.h"
#include "model/variants.h"

int64_t assemble_latch(const EvalState& s, uint8_t latch) {
    // The double fields hold exact whole numbers; llround only turns them into integers.
    switch (latch) {
    case kControlLatch:
        return int64_t{s.output_power} * 4096 + s.powerdown_bits + s.prescaler_bits + s.cs2_bits +
               s.cs1_bits + s.cp_threestate_bits + s.mute_till_ld_bits + s.ctrl_cp_gain_bits +
               s.pd_polarity_bits + s.muxout_bits + s.counter_reset_bits + int64_t{s.core_power} * 4 + 0;
    case kRLatch:
        return int64_t{s.r_counter} * 4 + s.test_enable_bits + s.bscd_bits + s.r_aux_bits + s.ldp_bits +
               s.abp_width_bits + 1;
    case kNLatch:
        return int64_t{s.b_counter} * 256 + std::llround(s.out_div2_bits) + std::llround(s.div_sel_bits) +
               s.cp_gain_bits + int64_t{s.a_counter} * 4 + 2;
    case kTestLatch:
        return std::llround(s.test_mode_code) * 2048 + std::llround(s.ext_band_en_bits) + s.band_ctrl_bits +
               s.adc_ctrl_bits + int64_t{s.readback_code} * 128 + int64_t{s.ext_band_code} * 16 +
               int64_t{s.core_power} * 4 + 3;
    default:
        return 0;
    }
}

void write_latch(EvalState& s, boardlink::Port& port) {
    if (s.latch_select > kTestLatch) return;
    const bool variant = variants::is_family_variant(s.device);
    if (variant) {
        int64_t word = assemble_latch(s, s.latch_select);
        auto copy = static_cast<int32_t>(word);
        switch (s.latch_select) {
        case kControlLatch: s.control_word = copy; break;
        case kRLatch: s.r_word_assembled = copy; break;
        case kNLatch: s.n_word_assembled = copy; break;
        case kTestLatch: s.test_word = copy; break;
        }
        s.tx_word = static_cast<double>(word);
        s.latches_sent |= uint8_t(1u << s.latch_select);
        s.board_single_modulus = variants::is_single_modulus(s.device);
    }
    if (s.latch_select == kRLatch) s.r_word = static_cast<int32_t>(std::llround(s.tx_word));
    if (s.latch_select == kNLatch) s.n_word = static_cast<int32_t>(std::llround(s.tx_word));

    const auto data_port = static_cast<uint16_t>(s.data_port);
    const int bits = variant ? 24 : 0;
    boardlink::shift_word(port, data_port, static_cast<uint32_t>(std::llround(s.tx_word)), bits);
    if (bits > 0) s.shift_delay = 3;  // the count the per-bit wait ends at
    boardlink::pulse_le(port, data_port);
}
