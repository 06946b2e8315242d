// The hop's path and divide-by-2 and the counter checks; the windows' tests cover the entry
// checks, the sweep against the simulated board, and the counters and divide bit each hop sends
// (locktime_test).
#include <gtest/gtest.h>

#include "model/exerciser_plan.h"

using namespace exerciser;

TEST(HopStep, AlternatesBetweenTheWholeMegahertzOfBothEntriesWithTheirDivideSwitches) {
    struct Case { const char *start, *stop; char point; double from; bool div_start, div_stop;
                  std::vector<std::pair<double, bool>> path; };
    const Case cases[] = {
        {"1750", "1752", '.', 0, false, true, {{1750, false}, {1752, true}, {1750, false}}},
        {"1750.5", "1751.5", '.', 0, true, false, {{1750, true}, {1752, false}, {1750, true}}},  // half to even
        {"1750,5", " 1751,5 ", ',', 0, false, false, {{1750, false}, {1752, false}}},
        {"1750", "1752", '.', 1750, false, true, {{1752, true}, {1750, false}}},  // already at the start
        {"1751", "1751", '.', 0, true, false, {{1751, true}, {1751, true}}},      // equal: the start's switch
    };
    for (const auto& c : cases) {
        EvalState s;
        s.prescaler = 32;
        s.ref_freq = 10e6, s.r_counter = 50, s.pfd_freq = 200;
        s.hop_freq = c.from;
        std::vector<std::pair<double, bool>> path;
        for (size_t i = 0; i < c.path.size(); ++i) {
            auto hop = hop_step(s, {c.start, c.stop, "", "", c.point}, c.div_start, c.div_stop);
            ASSERT_TRUE(hop) << c.start;
            apply_hop(s, *hop);
            path.emplace_back(hop->hop_freq, s.out_div2_bits != 0);
            EXPECT_EQ(s.b_counter * 32 + s.a_counter, int(hop->hop_freq * 5)) << "the counters of the whole MHz";
            EXPECT_EQ(s.vco_freq, hop->hop_freq) << "the frequency the counters make";
        }
        EXPECT_EQ(path, c.path) << c.start << " " << c.stop;
    }
    // Without divide switches a hop leaves the divide-by-2 as the user set it.
    EvalState s;
    s.prescaler = 32, s.ref_freq = 10e6, s.r_counter = 50, s.pfd_freq = 200, s.out_div2_bits = kOutDiv2Bit;
    for (int hop = 0; hop < 2; ++hop) {
        auto step = hop_step(s, {"1750", "1752", "", "", '.'}, std::nullopt, std::nullopt);
        ASSERT_TRUE(step);
        apply_hop(s, *step);
        EXPECT_EQ(s.out_div2_bits, kOutDiv2Bit);
    }
}

TEST(CountersFor, RoundsHalfToEvenAndRefusesWhatTheFieldsCannotHold) {
    EXPECT_EQ(*counters_for(12000.5, 32), (Counters{12000, 375, 0}));
    EXPECT_EQ(*counters_for(12001.5, 32), (Counters{12002, 375, 2}));
    EXPECT_EQ(*counters_for(120, 1), (Counters{120, 120, 0}));
    EXPECT_EQ(counters_for(3e12, 32).problem->message,
              "The total divide ratio N would be 3000000000000; it is too large for the counters.");
    EXPECT_EQ(counters_for(-3e12, 32).problem->message, "The total divide ratio N would be -3000000000000; it must be at least 1.");
    EXPECT_EQ(counters_for(0.4, 32).problem->message, "The total divide ratio N would be 0; it must be at least 1.");
}
