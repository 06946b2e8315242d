#include <gtest/gtest.h>

#include "model/variants.h"

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
    EXPECT_EQ(variants::board_name("ksy7100-0"), "KSY7100-0EB1");
}

TEST(Variants, DefaultsOfEachVariant) {
    struct Row { const char* device; double vco; int b, a, n, p, pbits; uint16_t out, core; int bscd; double pfd; int r; };
    const Row rows[] = {
        {"ksy7100-0", 2500, 390, 20, 12500, 32, 8388608, 3, 2, 0, 200, 50},
        {"ksy7100-1", 2400, 375, 0, 12000, 32, 8388608, 3, 2, 0, 200, 50},
        {"ksy7100-2", 2100, 328, 4, 10500, 32, 8388608, 3, 2, 0, 200, 50},
        {"ksy7100-3", 1900, 296, 28, 9500, 32, 8388608, 3, 2, 0, 200, 50},
        {"ksy7100-4", 1600, 250, 0, 8000, 32, 8388608, 3, 2, 0, 200, 50},
        {"ksy7100-5", 1400, 218, 24, 7000, 32, 8388608, 0, 0, 0, 200, 50},  // power levels stay 0
        {"ksy7100-6", 1200, 187, 16, 6000, 32, 8388608, 3, 1, 0, 200, 50},
        {"ksy7100-7", 900, 140, 20, 4500, 8, 0, 3, 0, 3145728, 200, 50},
        {"ksy7100-8", 120, 120, 0, 120, 1, 0, 3, 0, 3145728, 1000, 10},
    };
    for (const auto& r : rows) {
        EvalState s;
        variants::apply_port_defaults(s);
        variants::apply_variant_choice(s, r.device);
        EXPECT_EQ(s.device, r.device);
        EXPECT_EQ(s.vco_freq, r.vco) << r.device;
        EXPECT_EQ(s.b_counter, r.b) << r.device;
        EXPECT_EQ(s.a_counter, r.a) << r.device;
        EXPECT_EQ(s.n_value, r.n) << r.device;
        EXPECT_EQ(s.prescaler, r.p) << r.device;
        EXPECT_EQ(s.prescaler_bits, r.pbits) << r.device;
        EXPECT_EQ(s.output_power, r.out) << r.device;
        EXPECT_EQ(s.core_power, r.core) << r.device;
        EXPECT_EQ(s.bscd_bits, r.bscd) << r.device;
        EXPECT_EQ(s.pfd_freq, r.pfd) << r.device;
        EXPECT_EQ(s.r_counter, r.r) << r.device;
        EXPECT_EQ(s.ref_freq, 10'000'000);
        EXPECT_EQ(s.rset, 4700);
        EXPECT_EQ(s.rset_ohms, 4700);
        EXPECT_EQ(s.pd_polarity_bits, 256);
        EXPECT_EQ(s.cs1_bits, 114688);
        EXPECT_EQ(s.cs2_bits, 917504);
        EXPECT_EQ(s.data_port, 888);
        EXPECT_EQ(s.readback_port, 888);
    }
}

TEST(Variants, NoVariantMarkedLoadsOnlyTheCommonValues) {
    EvalState s;
    variants::apply_port_defaults(s);
    variants::apply_variant_choice(s, std::nullopt);
    EXPECT_EQ(s.device, "");
    EXPECT_EQ(s.vco_freq, 900);
    EXPECT_EQ(s.r_counter, 50);
    EXPECT_EQ(s.b_counter, 0);
    EXPECT_EQ(s.prescaler, 0);
    EXPECT_EQ(s.prescaler_bits, 8388608);  // from the port defaults
}
