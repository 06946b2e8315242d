// Every plan's counters fit the variant and make the frequency it names, exact plans come first
// with the highest PFD, and a frequency no plan reaches gets the nearest ones with their error.
#include <gtest/gtest.h>

#include <cmath>

#include "model/frequency_planner.h"
#include "model/variants.h"

TEST(FrequencyPlanner, PlansMakeWhatTheySayFitTheCountersAndComeBestFirst) {
    struct Case { const char* variant; double ref_mhz, wanted_mhz; std::optional<double> step_khz; FrequencyPlan best; };
    const Case cases[] = {
        // 10 MHz itself as the PFD: N = 240 fits only 16/17 (B 15, A 0), as 32/33 would need B >= A = 16.
        {"ksy7100-1", 10, 2400, std::nullopt, {1, 10000, 16, 15, 0, 240, 2400, 0}},
        {"ksy7100-1", 10, 2400.1, std::nullopt, {100, 100, 32, 750, 1, 24001, 2400.1, 0}},
        {"ksy7100-1", 10, 2400.1, 300.0, {100, 100, 32, 750, 1, 24001, 2400.1, 0}},  // 100 kHz divides 300 kHz
        {"ksy7100-1", 19.68, 2400, 200.0, {492, 40, 32, 1875, 0, 60000, 2400, 0}},  // 40 kHz divides 200 kHz
        {"ksy7100-8", 10, 120, std::nullopt, {1, 10000, 1, 12, 0, 12, 120, 0}},
        // N = 89999 would need B = 11249 at the variant's 8/9; of 16/17 and 32/33, the larger modulus.
        {"ksy7100-7", 10, 899.99, std::nullopt, {1000, 10, 32, 2812, 15, 89999, 899.99, 0}},
        // 50 Hz off every raster the counters allow: the nearest plans, with their error.
        {"ksy7100-1", 10, 2400.00005, std::nullopt, {1, 10000, 16, 15, 0, 240, 2400, -50}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.variant) + " " + std::to_string(c.wanted_mhz));
        EvalState s = variants::start_state(c.variant);
        s.ref_freq = c.ref_mhz * 1e6;
        const auto plans = plan_frequency(s, c.wanted_mhz, c.step_khz);
        ASSERT_FALSE(plans.empty());
        EXPECT_EQ(plans.front(), c.best) << plan_text(plans.front());
        for (size_t i = 0; i < plans.size(); ++i) {
            const FrequencyPlan& p = plans[i];
            const bool single = std::string(c.variant) == "ksy7100-8";
            const double made_hz = (single ? p.b : double(p.p) * p.b + p.a) * s.ref_freq / p.r;
            EXPECT_LT(std::abs(made_hz - p.vco_mhz * 1e6), 1.0) << plan_text(p);
            EXPECT_LT(std::abs(p.error_hz - (made_hz - c.wanted_mhz * 1e6)), 1.0) << plan_text(p);
            EXPECT_TRUE(p.r >= 1 && p.r <= 16383 && p.b <= 8191 && p.a <= 31 && (single ? p.a == 0 : p.b >= p.a && p.a < p.p));
            EXPECT_LE(p.pfd_khz, kMaxPlanPfdKhz);
            EXPECT_LT(std::fmod(c.step_khz.value_or(p.pfd_khz) * 1000, p.pfd_khz * 1000), 1e-6) << plan_text(p);
            EXPECT_LE(std::abs(plans[i > 0 ? i - 1 : 0].error_hz), std::abs(p.error_hz)) << "ranked by error";
        }
    }
}
