// What the loop designer's window reads and writes as text: noise points, part values, and the
// figures it shows with an engineering prefix.
#include <gtest/gtest.h>

#include "model/loop_views.h"

TEST(LoopViews, NoisePointsAndPartValuesReadAsTypedAndFiguresShowWithTheirPrefix) {
    const std::tuple<const char*, std::optional<NoiseProfile>> points[] = {
        {"10000, -90; 100000, -115", NoiseProfile{{10000, -90}, {100000, -115}}},
        {" 1e3,-80 ;", NoiseProfile{{1000, -80}}},
        {"", NoiseProfile{}},
        {"10000 -90", std::nullopt},
        {"10000, fast", std::nullopt},
    };
    for (const auto& [text, expected] : points) EXPECT_EQ(parse_noise_points(text), expected) << text;
    EXPECT_EQ(parse_noise_points(noise_points_text({{10000, -90.123}, {1e6, -135}})),
              (NoiseProfile{{10000, -90.12}, {1e6, -135}}))
        << "levels as quoted, to 0.01 dB";

    const std::tuple<const char*, std::optional<double>> parts[] = {
        {"6.8n", 6.8e-9}, {"6.8 nF", 6.8e-9}, {"2.2k", 2200}, {"2200", 2200}, {"4.7e-9", 4.7e-9},
        {"33 kohm", 33e3}, {"470p", 470e-12}, {"1M", 1e6}, {"n", std::nullopt}, {"six", std::nullopt},
    };
    for (const auto& [text, expected] : parts) {
        const auto v = parse_part_value(text);
        ASSERT_EQ(v.has_value(), expected.has_value()) << text;
        if (v) {
            EXPECT_NEAR(*v, *expected, *expected * 1e-12) << text;
        }
    }

    const std::tuple<double, const char*, std::string> shown[] = {
        {6.59e-9, "F", "6.59 nF"}, {2580, "ohm", "2.58 kohm"}, {0.000202, "s", "202 us"}, {0, "F", "0"},
        {1e4, "Hz", "10 kHz"}, {999.96, "Hz", "1 kHz"}, {1e-18, "F", "0.001 fF"},
    };
    for (const auto& [value, unit, text] : shown) EXPECT_EQ(engineering(value, unit), text) << value;
}
