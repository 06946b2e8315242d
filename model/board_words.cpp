#include "model/board_words.h"

#include "model/frequency_made.h"
#include "model/latch.h"
#include "model/number_format.h"
#include "model/variants.h"

std::optional<int32_t> held_word(const EvalState& s, uint8_t latch) {
    if (latch > kTestLatch || !(s.latches_sent & (1u << latch))) return std::nullopt;
    switch (latch) {
    case kControlLatch: return s.control_word;
    case kRLatch: return s.r_word_assembled;
    case kNLatch: return s.n_word_assembled;
    default: return s.test_word;
    }
}

bool board_holds(const EvalState& s, uint8_t latch) {
    const auto held = held_word(s, latch);
    return held && int64_t{*held} == assemble_latch(s, latch);
}

std::optional<BoardFrequency> board_frequency(const EvalState& s) {
    const auto r_word = held_word(s, kRLatch), n_word = held_word(s, kNLatch), control = held_word(s, kControlLatch);
    if (!r_word || !n_word || (!s.board_single_modulus && !control)) return std::nullopt;
    BoardFrequency f;
    f.r = (*r_word >> 2) & 0x3FFF;
    if (f.r == 0) return std::nullopt;
    const int32_t b = (*n_word >> 8) & 0x1FFF, a = (*n_word >> 2) & 0x1F;
    int32_t p = 1;
    if (!s.board_single_modulus) {
        static constexpr int32_t kModulus[] = {8, 16, 32, 32};  // control bits 23, 22
        p = kModulus[(*control >> 22) & 3];
    }
    f.n = programmed_ratio(p, b, a, s.board_single_modulus);
    f.pfd_khz = pfd_made_khz(s.ref_freq, f.r);
    f.vco_mhz = vco_made_mhz(f.n, f.pfd_khz);
    return f;
}

std::string board_readout(const EvalState& s) {
    if (!s.device.empty() && !variants::is_family_variant(s.device)) return "Board: words unchanged (preset)";
    const auto f = board_frequency(s);
    if (!f) return "Board: not programmed yet";
    return "Board: " + numfmt::pattern(f->vco_mhz, "#0.0000") + " MHz (R " + std::to_string(f->r) + ", N " +
           std::to_string(f->n) + ")";
}
