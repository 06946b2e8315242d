// The hop's path and divide-by-2 and the counter checks; the windows' tests cover the entry checks,
// the sweep, and the counters and divide bit each hop sends (exerciser_windows_test).
#include <gtest/gtest.h>

#include "model/exerciser_plan.h"

using namespace exerciser;

namespace {

// The frequencies and divide-by-2 of the hops from `from` (nullopt switches: the user's stays).
std::vector<std::pair<double, bool>> hops(const char* start, const char* stop, char point, double from,
                                          std::optional<bool> div_start, std::optional<bool> div_stop, int count) {
    EvalState s;
    s.prescaler = 32, s.ref_freq = 10e6, s.r_counter = 50, s.pfd_freq = 200, s.hop_freq = from, s.out_div2_bits = kOutDiv2Bit;
    std::vector<std::pair<double, bool>> path;
    for (int i = 0; i < count; ++i) {
        auto hop = hop_step(s, {start, stop, "", "", point}, div_start, div_stop);
        if (!hop) return path;
        apply_hop(s, *hop);
        path.emplace_back(hop->hop_freq, s.out_div2_bits != 0);
        EXPECT_EQ(s.b_counter * 32 + s.a_counter, int(hop->hop_freq * 5)) << "the counters of the whole MHz";
        EXPECT_EQ(s.vco_freq, hop->hop_freq) << "the frequency the counters make";
    }
    return path;
}

}  // namespace

TEST(HopStep, AlternatesBetweenTheWholeMegahertzOfBothEntriesWithTheirDivideSwitches) {
    using Path = std::vector<std::pair<double, bool>>;
    EXPECT_EQ(hops("1750.5", "1751.5", '.', 0, true, false, 3), (Path{{1750, true}, {1752, false}, {1750, true}})) << "half to even";
    EXPECT_EQ(hops("1750,5", " 1751,5 ", ',', 0, false, false, 2), (Path{{1750, false}, {1752, false}}));
    EXPECT_EQ(hops("1750", "1752", '.', 1750, false, true, 2), (Path{{1752, true}, {1750, false}})) << "already at the start";
    EXPECT_EQ(hops("1751", "1751", '.', 0, true, false, 2), (Path{{1751, true}, {1751, true}})) << "equal: the start's switch";
    EXPECT_EQ(hops("1750", "1752", '.', 0, std::nullopt, std::nullopt, 2), (Path{{1750, true}, {1752, true}}))
        << "without divide switches a hop leaves the divide-by-2 as the user set it";
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
