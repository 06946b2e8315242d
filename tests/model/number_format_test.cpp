#include <gtest/gtest.h>

#include <cmath>

#include "model/number_format.h"

TEST(NumberFormat, RoundHalfToEvenIntoCheckedIntegers) {
    struct Case { double in; std::optional<int32_t> i32; std::optional<int16_t> i16; };
    const Case cases[] = {
        {0.5, 0, 0}, {1.5, 2, 2}, {2.5, 2, 2}, {-2.5, -2, -2}, {12000.5, 12000, 12000},
        {12001.5, 12002, 12002}, {2.4999999, 2, 2}, {32767.4, 32767, 32767},
        {32767.5, 32768, std::nullopt}, {-32768.5, -32768, -32768}, {-32769, -32769, std::nullopt},
        {2147483647.0, 2147483647, std::nullopt}, {2147483647.5, std::nullopt, std::nullopt},
        {NAN, std::nullopt, std::nullopt}, {INFINITY, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(numfmt::round_i32(c.in), c.i32) << c.in;
        EXPECT_EQ(numfmt::round_i16(c.in), c.i16) << c.in;
    }
    for (auto [x, floor] : {std::pair<double, std::optional<int32_t>>{-0.5, -1}, {375.03125, 375}, {1e10, std::nullopt}})
        EXPECT_EQ(numfmt::floor_i32(x), floor) << x;
}

TEST(NumberFormat, Patterns) {
    struct Case { double value; const char* pattern; const char* text; };
    const Case cases[] = {
        {0.625, "#0.00", "0.63"},  // a half rounds away from zero (printf gives 0.62)
        {2.675, "#0.00", "2.68"},  // on the decimal value, not the binary one
        {100 * 5 / 65536.0, "#.###", ".008"}, {3.29998779296875, "#.###", "3.3"}, {1.52587890625, "##.00", "1.53"},
        {0.5, "##.00", ".50"}, {2400, "#0.00000", "2400.00000"}, {2400.2, "#0.00000", "2400.20000"},
        {10, "#0.0000", "10.0000"}, {2.5, "0.0000", "2.5000"}, {0.31, "0.0000", "0.3100"},
        {2400, ".000000", "2400.000000"}, {0.2, ".000000", ".200000"}, {10, "#0.000000", "10.000000"},
        {9.999999, "#0.00", "10.00"}, {-6.0206, "#0.00000", "-6.02060"}, {-0.001, "#0.00", "0.00"},
        {0.223606797749979, "#0.00000", "0.22361"}, {1e20, "#0.00", "100000000000000000000.00"},
    };
    for (const auto& c : cases) EXPECT_EQ(numfmt::pattern(c.value, c.pattern), c.text) << c.value << " " << c.pattern;
}

TEST(NumberFormat, GeneralTextAndRoundTrip) {
    struct Case { double value; const char* text; };
    const Case cases[] = {
        {10, "10"}, {2400.2, "2400.2"}, {0.5, "0.5"}, {1.0 / 3, "0.333333333333333"},
        {4700, "4700"}, {-3, "-3"}, {-0.0, "0"}, {19.2, "19.2"}, {0.2 * 12001, "2400.2"},
    };
    for (const auto& c : cases) EXPECT_EQ(numfmt::general(c.value), c.text);
    EXPECT_EQ(numfmt::round_trip(0.2 * 12001), 2400.2);  // 2400.2000000000003 before
}

TEST(NumberFormat, ParseEntry) {
    struct Case { const char* text; char point; std::optional<double> value; };
    const Case cases[] = {
        {"2400.2", '.', 2400.2}, {" 12 ", '.', 12}, {"+3", '.', 3}, {"-.5", '.', -0.5},
        {"1.", '.', 1}, {"1e3", '.', 1000}, {"1E-3", '.', 0.001}, {"1,5", ',', 1.5},
        {"1.5", ',', 1.5},  // the point is always accepted
        {"1,5", '.', std::nullopt},  // no group separators
        {"", '.', std::nullopt}, {"   ", '.', std::nullopt}, {"abc", '.', std::nullopt},
        {"12abc", '.', std::nullopt}, {"1.2.3", '.', std::nullopt}, {"1e", '.', std::nullopt},
        {"1e400", '.', std::nullopt}, {"inf", '.', std::nullopt}, {"nan", '.', std::nullopt},
        {".", '.', std::nullopt}, {"-", '.', std::nullopt}, {"1 000", '.', std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(numfmt::parse_entry(c.text, c.point), c.value) << '"' << c.text << '"';
}
