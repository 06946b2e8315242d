#include <gtest/gtest.h>

#include <tuple>

#include "model/exerciser_plan.h"

using namespace exerciser;

namespace {

EvalState plan_state(int32_t prescaler = 32, double pfd_khz = 200) {
    EvalState s;
    s.prescaler = prescaler;
    s.pfd_freq = pfd_khz;
    return s;
}

// The frequencies and counters of `hops` hops from `s`, applied one after the other.
std::vector<Hop> hops(EvalState s, const HopEntries& e, int count, bool div_start = false, bool div_stop = false) {
    std::vector<Hop> out;
    for (int i = 0; i < count; ++i) {
        auto hop = hop_step(s, e, div_start, div_stop);
        if (!hop) break;
        apply_hop(s, *hop);
        out.push_back(*hop);
    }
    return out;
}

}  // namespace

TEST(HopStep, AlternatesBetweenTheWholeMegahertzOfBothEntries) {
    struct Case { const char *start, *stop; char point; double from; std::vector<double> path; };
    const Case cases[] = {
        {"1750", "1752", '.', 0, {1750, 1752, 1750, 1752}},
        {"1750.5", "1751.5", '.', 0, {1750, 1752, 1750}},  // halves to even
        {"1750,5", " 1751,5 ", ',', 0, {1750, 1752, 1750}},
        {"1750", "1752", '.', 1750, {1752, 1750}},  // already at the start: the first hop goes on
        {"1751", "1751", '.', 0, {1751, 1751, 1751}},
    };
    for (const auto& c : cases) {
        EvalState s = plan_state();
        s.hop_freq = c.from;
        std::vector<double> path;
        for (const Hop& h : hops(s, {c.start, c.stop, "", "", c.point}, int(c.path.size()))) path.push_back(h.hop_freq);
        EXPECT_EQ(path, c.path) << c.start << " " << c.stop;
    }
    auto h = hops(plan_state(), {"1750", "1752", "", ""}, 2);
    ASSERT_EQ(h.size(), 2u);
    EXPECT_EQ(h[0].counters, (Counters{8750, 273, 14}));
    EXPECT_EQ(h[1].counters, (Counters{8760, 273, 24}));
}

TEST(HopStep, DivideByTwoFollowsTheSwitchOfTheFrequencyReachedAndApplyStoresIt) {
    for (bool at_start : {false, true})
        for (bool at_stop : {false, true}) {
            auto h = hops(plan_state(), {"1750", "1752", "", ""}, 2, at_start, at_stop);
            EXPECT_EQ(h[0].out_div2, at_start);
            EXPECT_EQ(h[1].out_div2, at_stop);
            auto same = hops(plan_state(), {"1750", "1750", "", ""}, 2, at_start, at_stop);
            EXPECT_EQ(same[1].out_div2, at_start) << "equal entries stay at the start";
        }
    EvalState s = plan_state();
    apply_hop(s, Hop{1752, true, {8760, 273, 24}});
    EXPECT_EQ(s.vco_freq, 1752);
    EXPECT_EQ(s.hop_freq, 1752);
    EXPECT_EQ(s.out_div2_bits, 4194304);
    EXPECT_EQ(std::tie(s.n_value, s.b_counter, s.a_counter), std::tuple(8760, 273, 24));
}

TEST(HopStart, RejectsEachBadEntryOrSettingNamingItAndReturnsTheIntervals) {
    struct Case { HopEntries e; bool delay; int32_t prescaler; double pfd; Problem problem; };
    const std::string freq_range = ": enter a frequency from 1 to 32767 MHz.";
    const std::string time_range = ": enter a time from 1 to 32767 msecs.";
    const Case cases[] = {
        {{"abc", "1752", "1000", "1000"}, false, 32, 200, {"Text1", "Invalid entry in Start Frequency" + freq_range, true}},
        {{"0.4", "1752", "1000", "1000"}, false, 32, 200, {"Text1", "Invalid entry in Start Frequency" + freq_range, true}},
        {{"1750", "", "1000", "1000"}, false, 32, 200, {"Text2", "Invalid entry in Stop Frequency" + freq_range, true}},
        {{"1750", "32768", "1000", "1000"}, false, 32, 200, {"Text2", "Invalid entry in Stop Frequency" + freq_range, true}},
        {{"1750", "1752", "0", "1000"}, false, 32, 200, {"Text3", "Invalid entry in Frequency of jumps" + time_range, true}},
        {{"1750", "1752", "32767.5", "1000"}, false, 32, 200, {"Text3", "Invalid entry in Frequency of jumps" + time_range, true}},
        {{"1750", "1752", "10", "0"}, true, 32, 200,
         {"Text4", "Invalid entry in Delay Between CP Gain Control Latch Update" + time_range, true}},
        {{"1750", "1752", "10", "x"}, true, 32, 200,
         {"Text4", "Invalid entry in Delay Between CP Gain Control Latch Update" + time_range, true}},
        {{"1750", "1752", "10", "10"}, false, 32, 0, {"", "The PFD frequency is 0 kHz; set a PFD frequency above 0 first."}},
        {{"1750", "1752", "10", "10"}, false, 0, 200, {"", "The prescaler is not set; choose a prescaler first."}},
        {{"1600", "1752", "10", "10"}, false, 1, 200,
         {"Text2", "At the Stop Frequency of 1752 MHz: The B counter would be 8760; it must be 0 to 8191."}},
        {{"1750", "1600", "10", "10"}, false, 1, 200,
         {"Text1", "At the Start Frequency of 1750 MHz: The B counter would be 8750; it must be 0 to 8191."}},
        {{"1750", "1752", "10", "10"}, false, 32, 0.001,
         {"Text1", "At the Start Frequency of 1750 MHz: The B counter would be 54687500; it must be 0 to 8191."}},
    };
    for (const auto& c : cases) {
        auto start = hop_start(plan_state(c.prescaler, c.pfd), c.e, c.delay);
        ASSERT_FALSE(start) << c.problem.message;
        EXPECT_EQ(*start.problem, c.problem);
    }
    auto plain = hop_start(plan_state(), {"1750", "1752", "9.5", "not read"}, false);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->interval_ms, 10);
    auto fast = hop_start(plan_state(), {"1750", "1752", "32767", "1"}, true);
    ASSERT_TRUE(fast);
    EXPECT_EQ(std::pair(fast->interval_ms, fast->delay_ms), std::pair(32767, 1));
}

TEST(CountersFor, RoundsHalfToEvenAndRefusesWhatTheFieldsCannotHold) {
    EXPECT_EQ(*counters_for(12000.5, 32), (Counters{12000, 375, 0}));
    EXPECT_EQ(*counters_for(12001.5, 32), (Counters{12002, 375, 2}));
    EXPECT_EQ(*counters_for(120, 1), (Counters{120, 120, 0}));
    EXPECT_EQ(counters_for(3e12, 32).problem->message, "The total divide ratio N would be 3000000000000; it is too large for the counters.");
    EXPECT_EQ(counters_for(-3e12, 32).problem->message, "The total divide ratio N would be -3000000000000; it must be at least 1.");
    EXPECT_EQ(counters_for(0.4, 32).problem->message, "The total divide ratio N would be 0; it must be at least 1.");
}

namespace {

std::vector<SweepStep> run_sweep(EvalState s, const SweepEntries& e, int limit = 1000) {
    std::vector<SweepStep> steps;
    auto setup = read_sweep(s, e);
    if (!setup) return steps;
    apply_sweep_setup(s, *setup);
    while (int(steps.size()) < limit) {
        auto step = sweep_step(s);
        if (!step) break;
        apply_sweep_step(s, *step);
        steps.push_back(*step);
        if (step->last) break;
    }
    return steps;
}

}  // namespace

TEST(SweepPlan, StepsFromTheStartToTheFirstStepAtOrAboveTheStop) {
    struct Case { SweepEntries e; int32_t prescaler; size_t steps; int32_t first_n, last_n; double last_mhz; };
    const Case cases[] = {
        {{"1750", "1752", "200", "2000"}, 32, 11, 8750, 8760, 1752},
        {{"1750", "1000", "200", "2000"}, 32, 1, 8750, 8750, 1750},    // stop below the start
        {{"1750", "1751.3", "200", "2000"}, 32, 8, 8750, 8757, 1751.4},  // off the grid
        {{"1750", "1751", "100", "10"}, 32, 11, 17500, 17510, 1751},    // the step, not the PFD, sets N
        {{"120", "120.5", "1000", "1"}, 1, 2, 120, 121, 121},
    };
    for (const auto& c : cases) {
        auto steps = run_sweep(plan_state(c.prescaler), c.e);
        ASSERT_EQ(steps.size(), c.steps) << c.e.stop;
        EXPECT_EQ(steps.front().counters.n, c.first_n);
        EXPECT_EQ(steps.back().counters.n, c.last_n);
        EXPECT_DOUBLE_EQ(steps.back().vco_freq, c.last_mhz);
        for (const auto& s : steps)
            EXPECT_EQ(s.counters.b * c.prescaler + s.counters.a, s.counters.n);
    }
}

TEST(SweepPlan, RejectsBadEntriesAndCountersThatDoNotFit) {
    struct Case { SweepEntries e; int32_t prescaler; Problem problem; };
    const std::string rate = "Invalid entry in rate of sweep: enter a time from 1 to 32767 msecs.";
    const std::string step = "Invalid entry in Channel Step: enter a step above 0 kHz.";
    const Case cases[] = {
        {{"1750", "1752", "200", "0"}, 32, {"Text4", rate, true}},
        {{"1750", "1752", "200", "40000"}, 32, {"Text4", rate, true}},
        {{"", "1752", "200", "2000"}, 32, {"Text1", "Invalid entry in Start: enter the start frequency in MHz.", true}},
        {{"1e305", "1752", "200", "2000"}, 32, {"Text1", "Invalid entry in Start: enter the start frequency in MHz.", true}},
        {{"1750", "stop", "200", "2000"}, 32, {"Text3", "Invalid entry in Stop: enter the stop frequency in MHz.", true}},
        {{"1750", "1752", "0", "2000"}, 32, {"Text2", step, true}},
        {{"1750", "1752", "-200", "2000"}, 32, {"Text2", step, true}},
        {{"1750", "1752", "200", "2000"}, 1, {"Text1", "At 1750 MHz: The B counter would be 8750; it must be 0 to 8191."}},
        {{"1750", "1752", "200", "2000"}, 0, {"", "The prescaler is not set; choose a prescaler first."}},
    };
    for (const auto& c : cases) {
        auto setup = read_sweep(plan_state(c.prescaler), c.e);
        ASSERT_FALSE(setup) << c.problem.message;
        EXPECT_EQ(*setup.problem, c.problem);
    }
    // A sweep that runs into the B counter's limit stops at the first step that would not fit.
    EvalState s = plan_state();
    auto steps = run_sweep(s, {"262.141", "262.15", "1", "1"});
    ASSERT_EQ(steps.size(), 3u);
    apply_sweep_setup(s, *read_sweep(s, {"262.141", "262.15", "1", "1"}));
    for (const auto& st : steps) apply_sweep_step(s, st);
    EXPECT_EQ(sweep_step(s).problem->message, "At 262.144 MHz: The B counter would be 8192; it must be 0 to 8191.");
}

TEST(SweepPlan, TextsShowTheEntriesInTheirShortestForm) {
    EvalState s = plan_state();
    apply_sweep_setup(s, *read_sweep(s, {"1750.000", "1.752e3", "200.50", "2000"}));
    apply_sweep_step(s, *sweep_step(s));
    auto t = sweep_texts(s);
    EXPECT_EQ(t.current, "1750");
    EXPECT_EQ(t.start, "1750");
    EXPECT_EQ(t.stop, "1752");
    EXPECT_EQ(t.step, "200.5");
}
