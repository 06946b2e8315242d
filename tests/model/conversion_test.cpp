#include <gtest/gtest.h>

#include <limits>

#include "model/conversion.h"

// With the points the calculator window's test converts, these pin each formula and its constant
// (1 V to dBm alone cannot tell x·x from x/x), the refusals at and below 0 V, and the powers of ten
// beyond the double range.
TEST(Conversion, AnswersAsTheCalculatorShowsThem) {
    const std::tuple<Conversion, double, std::optional<std::string>> cases[] = {
        {Conversion::DbmToVolt, 10, "0.70711"},      {Conversion::DbmToVolt, -200, "0.00000"},
        {Conversion::VoltToDbm, 1e-3, "-46.98970"},  {Conversion::VoltToDbm, 0.22360679775, "0.00000"},
        {Conversion::VoltToDbm, -1, "undefined"},    {Conversion::DbToVolt, -6, "0.50119"},
        {Conversion::VoltToDb, 0, "undefined"},      {Conversion::VoltToDb, 0.5, "-6.02060"},
        {Conversion::DbToVolt, 300, "1000000000000000.00000"},
        {Conversion::DbToVolt, 6200, std::nullopt},  // 10^310 overflows
        {Conversion::VoltToDbm, std::numeric_limits<double>::max(), std::nullopt},  // x^2 overflows inside the logarithm
    };
    for (const auto& [conversion, x, answer] : cases) EXPECT_EQ(convert(conversion, x), answer) << int(conversion) << " " << x;
}
