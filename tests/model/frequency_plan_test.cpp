#include <gtest/gtest.h>

#include <functional>

#include "model/frequency_plan.h"
#include "model/number_format.h"
#include "model/variants.h"

// The dialogs' tests drive these plans through the windows; here are the branches the dialogs
// reach only with states from elsewhere (settings files, board presets) or extreme entries.
using variants::start_state;

TEST(FrequencyPlans, ArithmeticFailuresGiveTheStepOfTheirEntry) {
    using Run = std::function<PlanFailure(EvalState&)>;
    const std::tuple<const char*, Run, int, std::string> cases[] = {
        {"VCO beyond doubles", [](EvalState& s) { return plan_synth_load(s, 1e303, 200).failure; }, 1, kInvalidVcoEntry},
        {"N beyond 32 bits", [](EvalState& s) { return plan_synth_load(s, 1e9, 200).failure; }, 2, kInvalidPfdEntry},
        {"prescaler 0", [](EvalState& s) { s.prescaler = 0; return plan_channel_step(s, 2400, 200, 1).failure; }, 2, kInvalidPfdEntry},
        {"R beyond 32 bits", [](EvalState& s) { return plan_crystal(s, 1e300).failure; }, 1, kInvalidCrystalEntry},
        {"knob off its scale, stored prescaler 0", [](EvalState& s) { s.prescaler = 0; return plan_prescaler(s, 7).failure; },
         0, "The counters cannot be computed with a prescaler of 0."},
        {"tiny PFD", [](EvalState& s) { s.asked_pfd_freq = 1e-9; return plan_prescaler(s, 2).failure; },
         0, "The counters cannot be computed: the frequencies give a division ratio beyond the 32-bit range."},
    };
    for (const auto& [what, run, step, message] : cases) {
        EvalState s = start_state("ksy7100-1");
        const PlanFailure f = run(s);
        EXPECT_EQ(std::tie(f.step, f.message), std::tie(step, message)) << what;
    }
}

TEST(FrequencyPlans, BoardNamesKeepTheCountersAndAStoredPrescalerIsKeptWhereNoneIsChosen) {
    EvalState board = start_state("ksy7100-1");
    board.device = "ksy7102";
    auto kept = plan_synth_load(board, 2400.2, 200);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->counters, (Counters{50, 12001, 32, 375, 0}));
    EXPECT_DOUBLE_EQ(kept->vco_freq, 2400) << "reached with the counters kept";

    EvalState single = start_state("ksy7100-8");
    single.prescaler = 32;
    EXPECT_EQ(plan_crystal(single, 10)->counters, (Counters{10, 120, 32, 120, 0}));
    EXPECT_EQ(plan_prescaler(start_state("ksy7100-7"), -1)->counters, (Counters{50, 4500, 8, 562, 4}));
}

// R is truncated from the decimal numbers typed: a reference of whole PFD steps gives exactly that R,
// whatever binary rounding the entry went through (8.2 MHz is 8199999.9999999991 Hz as a double).
TEST(FrequencyPlans, AReferenceOfWholePfdStepsGivesExactlyThatRAndTruncationStays) {
    const std::tuple<double, const char*, int> cases[] = {  // PFD kHz, reference MHz as typed, R
        {200, "10.05", 50}, {200, "10.199", 50}, {200, "64.6", 323}, {200, "8.2", 41}, {200, "8.19", 40},
        {30, "100.02", 3334}, {30, "2.01", 67}, {30, "8.19", 273}, {12.5, "0.5125", 41}, {12.5, "4.0375", 323},
    };
    for (const auto& [pfd_khz, mhz, r] : cases) {
        EvalState s = start_state("ksy7100-1");
        s.asked_pfd_freq = pfd_khz;
        EXPECT_EQ(plan_crystal(s, *numfmt::parse_entry(mhz, '.'))->counters.r_counter, r) << mhz << " MHz at " << pfd_khz;
    }
}

// A PFD is taken only where it is the board's (reference / R) to the whole hertz, and one with no
// finite decimal form is stored as the board's: the VCO frequency shown is the one it reaches.
TEST(FrequencyPlans, APfdIsTakenOnlyWhereTheReferenceDividesIntoIt) {
    const std::tuple<double, double, int> cases[] = {  // reference Hz, PFD kHz as typed, R (0: refused)
        {10e6, 200, 50},        {10e6, 3333.333333, 3}, {19.2e6, 2742.857143, 7}, {19.2e6, 30, 640},
        {10e6, 200.5, 0},       {10e6, 30, 0},          {10.05e6, 200, 0},        {10e6, 3333.3, 0},
    };
    for (const auto& [ref_hz, pfd_khz, r] : cases) {
        EvalState s = start_state("ksy7100-1");
        s.ref_freq = ref_hz;
        SCOPED_TRACE(std::to_string(ref_hz) + " Hz, " + std::to_string(pfd_khz) + " kHz");
        const auto check = [&](const auto& plan) {
            ASSERT_EQ(bool(plan), r != 0) << plan.failure.message;
            EXPECT_TRUE(r || plan.failure.message.starts_with("The PFD frequency of ")) << plan.failure.message;
            if (r) {
                EXPECT_EQ(std::pair(plan->counters.r_counter, plan->pfd_freq), std::pair(r, numfmt::round_trip(ref_hz / r / 1000)));
            }
        };
        check(plan_synth_load(s, 2400, pfd_khz));
        check(plan_channel_step(s, 2400, pfd_khz, 1));
    }
}

// A new reference (R truncated) or prescaler (R rounded) stores the board's PFD and N rounded for
// the VCO frequency asked for, which the plan keeps aiming at (back at 10 MHz: R 50, 2400 MHz); the
// frequency dialog's pre-filled entries, loaded as they stand, are accepted and ask nothing new.
TEST(FrequencyPlans, ANewReferenceShowsWhatTheBoardMakesAndKeepsAimingAtWhatWasAsked) {
    struct Case { double ref_mhz; int32_t r, n; const char *pfd, *vco; int32_t prescaler_r, prescaler_n; };
    const Case cases[] = {
        {16.368, 81, 11877, "202.074074074074", "2400.03377777778", 82, 12023},
        {15.36, 76, 11875, "202.105263157895", "2400", 77, 12031},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ref_mhz);
        EvalState s = start_state("ksy7100-1");
        store(*plan_crystal(s, c.ref_mhz), s);
        EXPECT_EQ(std::tuple(s.r_counter, s.n_value, numfmt::general(s.pfd_freq), numfmt::general(s.vco_freq)),
                  std::tuple(c.r, c.n, c.pfd, c.vco));
        const SynthEntries shown = synth_entries(s);
        const auto reload = plan_synth_load(s, numfmt::parse_entry(shown.vco_text), numfmt::parse_entry(shown.pfd_text));
        ASSERT_TRUE(reload) << reload.failure.message;
        EXPECT_EQ(std::tuple(reload->counters.r_counter, reload->counters.n_value, reload->vco_freq), std::tuple(c.r, c.n, s.vco_freq));
        store(*reload, s);
        store(*plan_prescaler(s, 1), s);  // 16/17, R rounded from the 200 kHz asked for
        EXPECT_EQ(std::tuple(s.r_counter, s.n_value, s.b_counter * 16 + s.a_counter),
                  std::tuple(c.prescaler_r, c.prescaler_n, c.prescaler_n));
        store(*plan_crystal(s, 10), s);
        EXPECT_EQ(std::tuple(s.r_counter, s.n_value, s.pfd_freq, s.vco_freq), std::tuple(50, 12000, 200.0, 2400.0));
    }
}
