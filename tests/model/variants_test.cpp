#include <gtest/gtest.h>

#include "model/frequency_made.h"
#include "model/variants.h"

// The board name each variant shows is checked by the variant dialog's tests (deviceform_test).
TEST(Variants, NameGroupsCompareTheWholeNameCaseSensitively) {
    struct Case { const char* name; bool nine, eight; };
    const Case cases[] = {
        {"ksy7100-0", true, true}, {"ksy7100-7", true, true}, {"ksy7100-8", true, false},
        {"KSY7100-1", false, false}, {"ksy7100", false, false}, {"ksy7104", false, false},
        {"ksy7100-1 ", false, false}, {"", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(variants::is_family_variant(c.name), c.nine) << c.name;
        EXPECT_EQ(variants::has_dual_modulus(c.name), c.eight) << c.name;
    }
}

// No variant marked (nullopt) loads only the common values: the prescaler bits come from the
// port defaults, the counters stay as they were.
TEST(Variants, DefaultsOfEachVariant) {
    // device, VCO MHz, B, A, N, P, prescaler bits, output and core power, BSCD bits, PFD kHz, R
    using Plan = std::tuple<std::string, double, int32_t, int32_t, int32_t, int32_t, int32_t, uint16_t, uint16_t,
                            int32_t, double, int32_t>;
    const std::pair<std::optional<std::string>, Plan> rows[] = {
        {"ksy7100-0", {"ksy7100-0", 2500, 390, 20, 12500, 32, 8388608, 3, 2, 0, 200, 50}},
        {"ksy7100-1", {"ksy7100-1", 2400, 375, 0, 12000, 32, 8388608, 3, 2, 0, 200, 50}},
        {"ksy7100-2", {"ksy7100-2", 2100, 328, 4, 10500, 32, 8388608, 3, 2, 0, 200, 50}},
        {"ksy7100-3", {"ksy7100-3", 1900, 296, 28, 9500, 32, 8388608, 3, 2, 0, 200, 50}},
        {"ksy7100-4", {"ksy7100-4", 1600, 250, 0, 8000, 32, 8388608, 3, 2, 0, 200, 50}},
        {"ksy7100-5", {"ksy7100-5", 1400, 218, 24, 7000, 32, 8388608, 0, 0, 0, 200, 50}},  // power levels stay 0
        {"ksy7100-6", {"ksy7100-6", 1200, 187, 16, 6000, 32, 8388608, 3, 1, 0, 200, 50}},
        {"ksy7100-7", {"ksy7100-7", 900, 562, 4, 4500, 8, 0, 3, 0, 3145728, 200, 50}},
        {"ksy7100-8", {"ksy7100-8", 120, 120, 0, 120, 1, 0, 3, 0, 3145728, 1000, 10}},
        {std::nullopt, {"", 900, 0, 0, 0, 0, 8388608, 0, 0, 0, 200, 50}},
    };
    for (const auto& [device, plan] : rows) {
        const EvalState s = variants::start_state(device);
        EXPECT_EQ(Plan(s.device, s.vco_freq, s.b_counter, s.a_counter, s.n_value, s.prescaler, s.prescaler_bits,
                       s.output_power, s.core_power, s.bscd_bits, s.pfd_freq, s.r_counter),
                  plan);
        if (device) {  // the counters make the frequency shown
            EXPECT_EQ(vco_made_mhz(programmed_ratio(s), pfd_made_khz(s.ref_freq, s.r_counter)), s.vco_freq) << *device;
        }
        // Reference, set resistor, charge-pump polarity and currents, and ports: the same for all.
        EXPECT_EQ(std::tuple(s.ref_freq, s.rset, s.rset_ohms, s.pd_polarity_bits, s.cs1_bits, s.cs2_bits, s.data_port,
                             s.readback_port),
                  std::tuple(10'000'000.0, 4700.0, int16_t(4700), int16_t(256), 114688, 917504, int16_t(888),
                             int16_t(888)))
            << std::get<0>(plan);
    }
}
