#include <gtest/gtest.h>

#include "model/board_presets.h"
#include "model/counters.h"

TEST(Counters, SplitFloorsAndKeepsATheRemainder) {
    struct Case { int32_t n, p; std::optional<CounterSplit> split; };
    const Case cases[] = {
        {12000, 32, CounterSplit{375, 0}}, {12001, 32, CounterSplit{375, 1}}, {12005, 16, CounterSplit{750, 5}},
        {12000, 8, CounterSplit{1500, 0}}, {4500, 8, CounterSplit{562, 4}}, {120, 1, CounterSplit{120, 0}},
        {-1, 32, CounterSplit{-1, 31}}, {5, 0, std::nullopt}, {5, -8, std::nullopt},
        // At the ends of the 32-bit range B x P lies outside it; the split must not overflow.
        {INT32_MIN, 3, CounterSplit{-715827883, 1}}, {INT32_MAX, 3, CounterSplit{715827882, 1}},
        {INT32_MIN, INT32_MAX, CounterSplit{-2, 2147483646}}, {INT32_MIN, 1, CounterSplit{INT32_MIN, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(split_counters(c.n, c.p), c.split) << c.n << "/" << c.p;
}

// The counters' limits and their messages are checked through the commands' MIN and MAX
// (board_agreement_test), the dialogs, the sweep and the register-file import.
// A dual-modulus prescaler makes every N from P x (P - 1) up, and not the one below it.
TEST(Counters, ThePrescalerMakesEveryNFromPTimesPMinusOne) {
    for (int32_t p : {8, 16, 32}) {
        for (int32_t n = p * (p - 1) - 1; n < p * (p - 1) + 3 * p; ++n) {
            const auto split = split_counters(n, p);
            EXPECT_EQ(prescaler_problem(n, split->b, split->a, p).has_value(), n < p * (p - 1)) << n << " with P " << p;
        }
    }
}

TEST(BoardPresets, EveryPresetIsAConsistentPlanAndBoardsFourAndFiveKeepPrescalerAndCurrents) {
    for (const auto& p : kBoardPresets) {
        EXPECT_EQ(p.prescaler * p.b_counter + p.a_counter, p.n_value) << p.caption;
        EXPECT_DOUBLE_EQ(p.n_value * p.pfd_freq / 1000, p.vco_freq) << p.caption;
        EXPECT_DOUBLE_EQ(p.r_counter * p.pfd_freq * 1000, p.ref_freq) << p.caption;
        EvalState s;
        s.prescaler_bits = 0, s.cs1_bits = 16384, s.cs2_bits = 131072, s.r_aux_bits = 5;
        apply_board_preset(s, p);
        const bool early = p.preset_index <= 3;
        EXPECT_EQ(std::tuple(s.prescaler_bits, s.cs1_bits, s.cs2_bits, s.r_aux_bits, s.cp_gain_bits),
                  std::tuple(early ? 8388608 : 0, early ? 114688 : 16384, early ? 917504 : 131072, 0, 2097152)) << p.caption;
    }
}
