#include <gtest/gtest.h>

#include "model/latch.h"
#include "model/register_map.h"
#include "model/variants.h"

using namespace regmap;

namespace {

EvalState variant_state(std::string_view device) {
    EvalState s;
    variants::apply_port_defaults(s);
    variants::apply_variant_choice(s, device);
    return s;
}

// States the setting dialogs and the main window produce, beyond the variant defaults.
std::vector<EvalState> dialog_states() {
    std::vector<EvalState> states;
    for (auto name : variants::kNames)
        if (name != "ksy7100-7") states.push_back(variant_state(name));  // below: its defaults disagree
    EvalState seven = variant_state("ksy7100-7");
    seven.n_value = 8 * 140 + 20;
    seven.vco_freq = 228;
    states.push_back(seven);
    EvalState busy = variant_state("ksy7100-2");
    busy.prescaler_bits = 12582912;  // the prescaler dialog's fourth position
    busy.powerdown_bits = 3145728;
    busy.cs1_bits = 49152;
    busy.cs2_bits = 393216;
    busy.output_power = 1;
    busy.core_power = 3;
    busy.mute_till_ld_bits = 2048;
    busy.ctrl_cp_gain_bits = 1024;
    busy.cp_threestate_bits = 512;
    busy.pd_polarity_bits = 0;
    busy.muxout_bits = 160;
    busy.counter_reset_bits = 16;
    busy.abp_width_bits = 131072;
    busy.ldp_bits = 262144;
    busy.bscd_bits = 2097152;
    busy.cp_gain_bits = 2097152;
    busy.div_sel_bits = 8388608;
    busy.out_div2_bits = 4194304;
    busy.r_counter = 16383;
    busy.b_counter = 8191;
    busy.a_counter = 31;
    busy.n_value = 32 * 8191 + 31;
    busy.ref_freq = 16383 * 200e3;  // PFD stays 200 kHz
    busy.vco_freq = 52428.6;
    states.push_back(busy);
    return states;
}

}  // namespace

TEST(RegisterMap, FieldsCoverEveryBitOnceAndFixedDigitsAreTheAddressAndReservedBits) {
    const std::tuple<Row, uint32_t, int> cases[] = {
        {Row::Control, 0xFFFFFC, 0}, {Row::N, 0xFFFF7C, 2}, {Row::R, 0x37FFFC, 1}};
    for (const auto& [row, settable, latch] : cases) {
        int next = 23;
        for (const Field& f : fields(row)) {
            EXPECT_EQ(f.high, next) << f.caption;
            EXPECT_LE(f.low, f.high) << f.caption;
            next = f.low - 1;
        }
        EXPECT_EQ(next, -1);
        EXPECT_EQ(settable_mask(row), settable);
        EXPECT_EQ(latch_of(row), latch);
        EXPECT_EQ(fixed_digit(row, 1) * 2 + fixed_digit(row, 0), latch);
        EXPECT_EQ(caption_core(field_at(row, 1).caption), "address");
    }
    EXPECT_EQ(caption_core(field_at(Row::Control, 18).caption), "Curr Setting 2");
    EXPECT_EQ(caption_core(field_at(Row::R, 8).caption), "14 Bit R Counter");
    EXPECT_EQ(caption_core(field_at(Row::R, 18).caption), "LDP");
}

TEST(RegisterMap, OpeningAndRebuildingGivesBackTheWordsEveryDialogStateDescribes) {
    for (const EvalState& before : dialog_states()) {
        const auto rebuilt = rebuild_state(before, bits_from_state(before));
        ASSERT_TRUE(rebuilt) << before.device;
        for (uint8_t latch : {kRLatch, kControlLatch, kNLatch})
            EXPECT_EQ(assemble_latch(*rebuilt, latch), assemble_latch(before, latch))
                << before.device << " latch " << int(latch);
        EXPECT_EQ(rebuilt->n_value, before.n_value) << before.device;
        EXPECT_EQ(rebuilt->prescaler, before.prescaler) << before.device;
        EXPECT_DOUBLE_EQ(rebuilt->vco_freq, before.vco_freq) << before.device;
        EXPECT_DOUBLE_EQ(rebuilt->pfd_freq, before.pfd_freq) << before.device;
    }
}

TEST(RegisterMap, RebuildingDerivesNAndTheFrequencyFromTheCountersTheBoardHolds) {
    // The KSY7100-7 defaults keep N = 4500 (900 MHz) beside B = 140, A = 20 at P = 8, which
    // program 1140 (228 MHz): the rebuilt state says what the board is sent.
    const EvalState s = variant_state("ksy7100-7");
    const auto rebuilt = rebuild_state(s, bits_from_state(s));
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(rebuilt->n_value, 1140);
    EXPECT_EQ(rebuilt->vco_freq, 228);
    EXPECT_EQ(assemble_latch(*rebuilt, kNLatch), assemble_latch(s, kNLatch));
}

TEST(RegisterMap, OpeningShowsLegalValuesAndCountersGreedilyAndLeavesOtherValuesOff) {
    struct Case {
        const char* what;
        void (*change)(EvalState&);
        Row row;
        uint32_t mask, shown;
    };
    const Case cases[] = {
        {"powerdown outside its bits", [](EvalState& s) { s.powerdown_bits = 1048577; }, Row::Control, 0x300000, 0},
        {"negative prescaler bits", [](EvalState& s) { s.prescaler_bits = -4194304; }, Row::Control, 0xC00000, 0},
        {"current 1 level 5", [](EvalState& s) { s.cs1_bits = 5 << 14; }, Row::Control, 0x01C000, 5 << 14},
        {"current 2 not shifted", [](EvalState& s) { s.cs2_bits = 5; }, Row::Control, 0x0E0000, 0},
        {"output power 4", [](EvalState& s) { s.output_power = 4; }, Row::Control, 0x003000, 0},
        {"core power 3", [](EvalState& s) { s.core_power = 3; }, Row::Control, 0x00000C, 0x00000C},
        {"muxout 3", [](EvalState& s) { s.muxout_bits = 3; }, Row::Control, 0x0000E0, 0},
        {"polarity 1", [](EvalState& s) { s.pd_polarity_bits = 1; }, Row::Control, 0x000100, 0},
        {"control gain 1024", [](EvalState& s) { s.ctrl_cp_gain_bits = 1024; }, Row::Control, 0x000400, 0x400},
        {"divide select 1", [](EvalState& s) { s.div_sel_bits = 1; }, Row::N, 0x800000, 0},
        {"output divide on", [](EvalState& s) { s.out_div2_bits = 4194304; }, Row::N, 0x400000, 0x400000},
        {"N gain 5", [](EvalState& s) { s.cp_gain_bits = 5; }, Row::N, 0x200000, 0},
        {"A above its field", [](EvalState& s) { s.a_counter = 40; }, Row::N, 0x00007C, 0x00007C},
        {"negative A", [](EvalState& s) { s.a_counter = -3; }, Row::N, 0x00007C, 0},
        {"B above its field", [](EvalState& s) { s.b_counter = 9000; }, Row::N, 0x1FFF00, 0x1FFF00},
        {"R above its field", [](EvalState& s) { s.r_counter = 20000; }, Row::R, 0x00FFFC, 0x00FFFC},
        {"R 0", [](EvalState& s) { s.r_counter = 0; }, Row::R, 0x00FFFC, 0},
        {"anti-backlash both bits", [](EvalState& s) { s.abp_width_bits = 196608; }, Row::R, 0x030000, 0x030000},
        {"anti-backlash odd", [](EvalState& s) { s.abp_width_bits = 65537; }, Row::R, 0x030000, 0},
        {"band-select 3", [](EvalState& s) { s.bscd_bits = 3; }, Row::R, 0x300000, 0},
        {"lock detect 5", [](EvalState& s) { s.ldp_bits = 262144; }, Row::R, 0x040000, 0x040000},
        {"lock detect odd", [](EvalState& s) { s.ldp_bits = 262145; }, Row::R, 0x040000, 0},
    };
    for (const Case& c : cases) {
        EvalState s = variant_state("ksy7100-1");
        c.change(s);
        const EvalState copy = s;
        EXPECT_EQ(bits_from_state(s)[c.row] & c.mask, c.shown) << c.what;
        EXPECT_EQ(s, copy) << c.what;
    }
}

TEST(RegisterMap, SingleModulusVariantShowsAndRebuildsNInTheBSwitches) {
    EvalState s = variant_state("ksy7100-8");
    s.n_value = 300;
    s.b_counter = 120;  // stale: the row shows N
    s.a_counter = 3;
    const RegisterBits bits = bits_from_state(s);
    EXPECT_EQ((bits[Row::N] >> 8) & 0x1FFF, 300u);
    EXPECT_EQ((bits[Row::N] >> 2) & 0x1F, 3u);

    RegisterBits edited = bits;
    edited[Row::N] = (edited[Row::N] & ~0x1FFF00u) | 500u << 8;
    edited[Row::Control] |= 0xC00000;  // the "Don't Care" prescaler bits
    const auto rebuilt = rebuild_state(s, edited);
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(rebuilt->n_value, 500);
    EXPECT_EQ(rebuilt->b_counter, 500);
    EXPECT_EQ(rebuilt->a_counter, 3);
    EXPECT_EQ(rebuilt->prescaler_bits, 12582912);
    EXPECT_EQ(rebuilt->prescaler, 1);
    EXPECT_DOUBLE_EQ(rebuilt->vco_freq, 500 * rebuilt->pfd_freq / 1000);
    EXPECT_DOUBLE_EQ(rebuilt->vco_freq, 500);
}

TEST(RegisterMap, PrescalerBitsGiveTheModulusAndTheDividerRatio) {
    const std::tuple<uint32_t, int32_t, int32_t> cases[] = {
        {0x000000, 0, 8}, {0x400000, 4194304, 16}, {0x800000, 8388608, 32}, {0xC00000, 12582912, 32}};
    for (const auto& [bits, prescaler_bits, prescaler] : cases) {
        EvalState s = variant_state("ksy7100-1");
        RegisterBits b = bits_from_state(s);
        b[Row::Control] = (b[Row::Control] & ~0xC00000u) | bits;
        const auto rebuilt = rebuild_state(s, b);
        ASSERT_TRUE(rebuilt);
        EXPECT_EQ(rebuilt->prescaler_bits, prescaler_bits);
        EXPECT_EQ(rebuilt->prescaler, prescaler);
        EXPECT_EQ(rebuilt->n_value, prescaler * 375 + 0) << prescaler;
        EXPECT_DOUBLE_EQ(rebuilt->vco_freq, rebuilt->n_value * 0.2) << prescaler;
    }
}

TEST(RegisterMap, DerivedFrequenciesAreRoundedTo15SignificantDigits) {
    // R = 3: 10 MHz / 3 = 3333.333333333333 kHz, kept as 3333.33333333333; N = 12000 then
    // gives 39999.99999999996 MHz, kept as 40000.
    EvalState s = variant_state("ksy7100-1");
    RegisterBits b = bits_from_state(s);
    b[Row::R] = (b[Row::R] & ~0xFFFCu) | 3u << 2;
    const auto rebuilt = rebuild_state(s, b);
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(rebuilt->pfd_freq, 3333.33333333333);
    EXPECT_EQ(rebuilt->vco_freq, 40000.0);
}

TEST(RegisterMap, RebuildingKeepsWhatTheWindowDoesNotShowAndRefusesAnRCounterOfZero) {
    EvalState s = variant_state("ksy7100-3");
    s.test_enable_bits = 524288;
    s.r_aux_bits = 4194304;
    s.test_mode_code = 5;
    s.ext_band_code = 3;
    s.loaded_vco_mhz = 1900;
    RegisterBits b = bits_from_state(s);
    b[Row::N] |= 0x000080 | 0x000003;  // a fixed digit's position is never read
    const auto rebuilt = rebuild_state(s, b);
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(rebuilt->test_enable_bits, 524288);
    EXPECT_EQ(rebuilt->r_aux_bits, 4194304);
    EXPECT_EQ(rebuilt->test_mode_code, 5);
    EXPECT_EQ(rebuilt->ext_band_code, 3);
    EXPECT_EQ(rebuilt->loaded_vco_mhz, 1900);
    EXPECT_EQ(rebuilt->a_counter, 28);

    b[Row::R] &= ~0xFFFCu;
    const auto refused = rebuild_state(s, b);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.failure.message, kNoRCounter);
    EXPECT_NE(std::string(kNoRCounter).find("R counter"), std::string::npos);
}

TEST(RegisterMap, TypedWordsMustCarryTheRowsAddressAndNoReservedBit) {
    struct Case {
        const char* text;
        Row row;
        uint32_t unshown;
        std::optional<uint32_t> bits;
        const char* message;
    };
    const Case cases[] = {
        {"8FF108", Row::Control, 0, 0x8FF108, ""},
        {"  0x8ff108\t", Row::Control, 0, 0x8FF108, ""},
        {"00000000C9", Row::R, 0, 0xC8, ""},
        {"017702", Row::N, 0, 0x017700, ""},
        {"0800C9", Row::R, 0x080000, 0xC8, ""},
        {"8FF109", Row::Control, 0, std::nullopt,
         "8FF109 is a word for the R latch (address bits DB1, DB0 = 0, 1); this row takes control latch words "
         "(address bits 0, 0). Nothing was changed."},
        {"C8", Row::R, 0, std::nullopt,
         "C8 is a word for the control latch (address bits DB1, DB0 = 0, 0); this row takes R latch words "
         "(address bits 0, 1). Nothing was changed."},
        {"3", Row::N, 0, std::nullopt,
         "3 is a word for the test latch (address bits DB1, DB0 = 1, 1); this row takes N latch words "
         "(address bits 1, 0). Nothing was changed."},
        {"017782", Row::N, 0, std::nullopt,
         "17782 sets DB7 of the N latch, which is reserved: this window keeps it at 0. Nothing was changed."},
        {"C800C9", Row::R, 0x080000, std::nullopt,
         "C800C9 sets DB23, DB22 of the R latch, which are reserved: this window keeps them at 0. Nothing was "
         "changed."},
        {"1000000", Row::Control, 0, std::nullopt,
         "\"1000000\" is not a 24-bit word in hexadecimal: type up to six hexadecimal digits (0 to FFFFFF), for "
         "example 8FF108. Nothing was changed."},
        {"8FG108", Row::Control, 0, std::nullopt,
         "\"8FG108\" is not a 24-bit word in hexadecimal: type up to six hexadecimal digits (0 to FFFFFF), for "
         "example 8FF108. Nothing was changed."},
        {"0x", Row::Control, 0, std::nullopt,
         "\"0x\" is not a 24-bit word in hexadecimal: type up to six hexadecimal digits (0 to FFFFFF), for "
         "example 8FF108. Nothing was changed."},
        {"-4", Row::Control, 0, std::nullopt,
         "\"-4\" is not a 24-bit word in hexadecimal: type up to six hexadecimal digits (0 to FFFFFF), for "
         "example 8FF108. Nothing was changed."},
    };
    for (const Case& c : cases) {
        const auto parsed = parse_row_word(c.text, c.row, c.unshown);
        if (c.bits) {
            ASSERT_TRUE(parsed) << c.text << ": " << parsed.failure.message;
            EXPECT_EQ(*parsed, *c.bits) << c.text;
        } else {
            ASSERT_FALSE(parsed) << c.text;
            EXPECT_EQ(parsed.failure.message, c.message);
        }
    }
}

TEST(RegisterMap, RowWordsAndHexTextShowTheWordAsItIsSent) {
    EvalState s = variant_state("ksy7100-1");
    s.test_enable_bits = 524288;
    const RegisterBits b = bits_from_state(s);
    for (Row row : kRows)
        EXPECT_EQ(row_word(row, b[row], unshown_bits(s, row)), uint32_t(assemble_latch(s, latch_of(row))));
    EXPECT_EQ(hex_word(0x8FF108), "8FF108");
    EXPECT_EQ(hex_word(0xC9), "C9");
    EXPECT_EQ(hex_word(0), "0");
}
