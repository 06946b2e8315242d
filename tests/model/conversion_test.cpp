#include <gtest/gtest.h>

#include <limits>

#include "model/conversion.h"

// Both directions of each pair at several points, positive and negative: this pins each formula
// and its constant, so no separate round trip is needed.
TEST(Conversion, AnswersAsTheCalculatorShowsThem) {
    const std::tuple<Conversion, double, const char*> cases[] = {
        {Conversion::DbmToVolt, 0, "0.22361"}, {Conversion::DbmToVolt, 10, "0.70711"},
        {Conversion::DbmToVolt, -200, "0.00000"}, {Conversion::VoltToDbm, 1, "13.01030"},
        {Conversion::VoltToDbm, 0.22360679775, "0.00000"}, {Conversion::VoltToDbm, 0, "undefined"},
        {Conversion::VoltToDbm, -1, "undefined"}, {Conversion::VoltToDbm, 1e-3, "-46.98970"},
        {Conversion::DbToVolt, 20, "10.00000"}, {Conversion::DbToVolt, -6, "0.50119"},
        {Conversion::DbToVolt, 300, "1000000000000000.00000"}, {Conversion::VoltToDb, 2, "6.02060"},
        {Conversion::VoltToDb, 0, "undefined"}, {Conversion::VoltToDb, 0.5, "-6.02060"},
    };
    for (const auto& [conversion, x, answer] : cases)
        EXPECT_EQ(convert(conversion, x), std::string(answer)) << int(conversion) << " " << x;
}

TEST(Conversion, APowerOfTenBeyondTheDoubleRangeIsAnError) {
    const double huge = std::numeric_limits<double>::max();
    const std::tuple<Conversion, double> cases[] = {
        {Conversion::DbmToVolt, 3100},      // 10^310 overflows before the square root
        {Conversion::DbToVolt, 6200},
        {Conversion::VoltToDbm, huge},      // x^2 overflows inside the logarithm
    };
    for (const auto& [conversion, x] : cases) EXPECT_EQ(convert(conversion, x), std::nullopt) << x;
}
