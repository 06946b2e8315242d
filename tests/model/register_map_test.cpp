#include <gtest/gtest.h>

#include "model/latch.h"
#include "model/register_map.h"
#include "model/variants.h"

using namespace regmap;

namespace {

// Switches as opened, with the bits of `mask` in one row replaced by `value`.
RegisterBits edited(const EvalState& s, Row row, uint32_t mask, uint32_t value) {
    RegisterBits b = bits_from_state(s);
    b[row] = (b[row] & ~mask) | value;
    return b;
}

}  // namespace

// The prescaler and N rebuilt from the switches are checked against the board (board_agreement_test)
// and through the window (registers_test); here the frequencies' decimal form: 10 MHz / 3 is kept as
// 3333.33333333333 kHz, and 12000 times it as 40000 MHz, not 39999.99999999996.
TEST(RegisterMap, RebuildingKeepsTheFrequenciesInTheirDecimalForm) {
    const EvalState s = variants::start_state("ksy7100-1");
    const auto rebuilt = rebuild_state(s, edited(s, Row::R, 0xFFFC, 3 << 2), kRows);
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(std::tuple(rebuilt->prescaler, rebuilt->n_value, rebuilt->pfd_freq, rebuilt->vco_freq),
              std::tuple(32, 12000, 3333.33333333333, 40000.0));
}

TEST(RegisterMap, OpeningShowsLegalValuesAndCountersGreedilyAndLeavesOtherValuesOff) {
    const std::tuple<void (*)(EvalState&), Row, uint32_t, uint32_t> cases[] = {  // change, row, mask, shown
        {[](EvalState& s) { s.powerdown_bits = 1048577; }, Row::Control, 0x300000, 0},
        {[](EvalState& s) { s.prescaler_bits = -4194304; }, Row::Control, 0xC00000, 0},
        {[](EvalState& s) { s.cs1_bits = 5 << 14; }, Row::Control, 0x01C000, 5 << 14},
        {[](EvalState& s) { s.output_power = 4; }, Row::Control, 0x003000, 0},
        {[](EvalState& s) { s.muxout_bits = 3; }, Row::Control, 0x0000E0, 0},
        {[](EvalState& s) { s.pd_polarity_bits = 1; }, Row::Control, 0x000100, 0},
        {[](EvalState& s) { s.div_sel_bits = 1; }, Row::N, 0x800000, 0},
        {[](EvalState& s) { s.cp_gain_bits = 5; }, Row::N, 0x200000, 0},
        {[](EvalState& s) { s.a_counter = 40; }, Row::N, 0x00007C, 0x00007C},
        {[](EvalState& s) { s.a_counter = -3; }, Row::N, 0x00007C, 0},
        {[](EvalState& s) { s.b_counter = 9000; }, Row::N, 0x1FFF00, 0x1FFF00},
        {[](EvalState& s) { s.r_counter = 20000; }, Row::R, 0x00FFFC, 0x00FFFC},
        {[](EvalState& s) { s.abp_width_bits = 196608; }, Row::R, 0x030000, 0x030000},
        {[](EvalState& s) { s.abp_width_bits = 65537; }, Row::R, 0x030000, 0},
        {[](EvalState& s) { s.ldp_bits = 262145; }, Row::R, 0x040000, 0},
    };
    int i = 0;
    for (const auto& [change, row, mask, shown] : cases) {
        EvalState s = variants::start_state("ksy7100-1");
        change(s);
        EXPECT_EQ(bits_from_state(s)[row] & mask, shown) << "case " << i++;
    }
}

// An R counter of 0 is refused by every send of the register window (registers_test).
TEST(RegisterMap, RebuildingKeepsWhatTheWindowDoesNotShow) {
    EvalState s = variants::start_state("ksy7100-3");
    s.test_enable_bits = 524288, s.r_aux_bits = 4194304, s.test_mode_code = 5;
    // Fixed digits' positions are never read.
    const auto rebuilt = rebuild_state(s, edited(s, Row::N, 0x83, 0x83), kRows);
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(std::tuple(rebuilt->test_enable_bits, rebuilt->r_aux_bits, rebuilt->test_mode_code, rebuilt->a_counter),
              std::tuple(524288, 4194304, 5.0, 28));
}

// Each refusal's message, from its start (the first one whole).
TEST(RegisterMap, TypedWordsMustCarryTheRowsAddressAndNoReservedBit) {
    const std::tuple<const char*, Row, uint32_t, std::optional<uint32_t>, std::string> cases[] = {
        {"  0x8ff108\t", Row::Control, 0, 0x8FF108, ""},
        {"00000000C9", Row::R, 0, 0xC8, ""},
        {"0800C9", Row::R, 0x080000, 0xC8, ""},  // the test enable bit the state sends anyway
        {"0000C9", Row::R, 0x080000, std::nullopt,
         "C9 has DB19 = 0, but DB19 of the R latch is the test-mode enable bit, which the Test Modes window sets "
         "(test modes are enabled there, so every R word is sent with DB19 = 1). Type the word with DB19 = 1, or "
         "change the test-mode enable switch in the Test Modes window (double-click the picture on the main "
         "window). Nothing was changed."},
        {"0800C9", Row::R, 0, std::nullopt, "800C9 has DB19 = 1, but DB19 of the R latch is the test-mode enable bit, "
         "which the Test Modes window sets (test modes are disabled there, so every R word is sent with DB19 = 0). "
         "Type the word with DB19 = 0,"},
        {"0000C9", Row::R, 0x400000, std::nullopt,
         "C9 clears DB22 of the R latch, which the settings file loaded sets in every word sent: type the word with it set."},
        {"8FF109", Row::Control, 0, std::nullopt,
         "8FF109 is a word for the R latch (address bits DB1, DB0 = 0, 1); this row takes control latch words (address bits 0, 0)."},
        {"3", Row::N, 0, std::nullopt, "3 is a word for the test latch (address bits DB1, DB0 = 1, 1); this row takes N"},
        {"C800C9", Row::R, 0x080000, std::nullopt,
         "C800C9 sets DB23, DB22 of the R latch, which are reserved: this window keeps them at 0."},
        {"1000000", Row::Control, 0, std::nullopt, "\"1000000\" is not a 24-bit word in hexadecimal"},
        {"8FG108", Row::Control, 0, std::nullopt, "\"8FG108\" is not a 24-bit"},
        {"0x", Row::Control, 0, std::nullopt, "\"0x\" is not a 24-bit"},
    };
    for (const auto& [text, row, unshown, bits, message] : cases) {
        const auto parsed = parse_row_word(text, row, unshown);
        EXPECT_EQ(parsed.result, bits) << text;
        EXPECT_EQ(parsed.failure.message.substr(0, message.size()), message) << text;
        EXPECT_EQ(parsed.failure.message.empty(), message.empty()) << text;
    }
}

TEST(RegisterMap, RowWordsAreTheWordsSentAndShowInHexadecimal) {
    EvalState s = variants::start_state("ksy7100-1");
    s.test_enable_bits = 524288;
    const RegisterBits b = bits_from_state(s);
    for (Row row : kRows)
        EXPECT_EQ(row_word(row, b[row], unshown_bits(s, row)), uint32_t(assemble_latch(s, latch_of(row))));
    EXPECT_EQ(std::tuple(hex_word(0x8FF108), hex_word(0xC9), hex_word(0)), std::tuple("8FF108", "C9", "0"));
}
