#include <gtest/gtest.h>

#include <functional>

#include "model/frequency_plan.h"
#include "model/variants.h"

// The dialogs' tests drive these plans through the windows; here are the branches the dialogs
// reach only with states from elsewhere (settings files, board presets) or extreme entries.
namespace {

EvalState variant(const char* device) {
    EvalState s;
    variants::apply_port_defaults(s);
    variants::apply_variant_choice(s, device);
    return s;
}

}  // namespace

TEST(FrequencyPlans, ArithmeticFailuresGiveTheStepOfTheirEntry) {
    using Run = std::function<PlanFailure(EvalState&)>;
    const std::tuple<const char*, Run, int, std::string> cases[] = {
        {"VCO beyond doubles", [](EvalState& s) { return plan_synth_load(s, 1e303, 200).failure; }, 1, kInvalidVcoEntry},
        {"N beyond 32 bits", [](EvalState& s) { return plan_synth_load(s, 1e9, 200).failure; }, 2, kInvalidPfdEntry},
        {"prescaler 0", [](EvalState& s) { s.prescaler = 0; return plan_channel_step(s, 2400, 200, 1).failure; }, 2, kInvalidPfdEntry},
        {"R beyond 32 bits", [](EvalState& s) { return plan_crystal(s, 1e300).failure; }, 1, kInvalidCrystalEntry},
        {"knob off its scale, stored prescaler 0", [](EvalState& s) { s.prescaler = 0; return plan_prescaler(s, 7).failure; },
         0, "The counters cannot be computed with a prescaler of 0."},
        {"tiny PFD", [](EvalState& s) { s.pfd_freq = 1e-9; return plan_prescaler(s, 2).failure; },
         0, "The counters cannot be computed: the frequencies give a division ratio beyond the 32-bit range."},
    };
    for (const auto& [what, run, step, message] : cases) {
        EvalState s = variant("ksy7100-1");
        PlanFailure f = run(s);
        EXPECT_EQ(f.step, step) << what;
        EXPECT_EQ(f.message, message) << what;
    }
}

TEST(FrequencyPlans, BoardNamesKeepTheCountersAndAStoredPrescalerIsKeptWhereNoneIsChosen) {
    EvalState board = variant("ksy7100-1");
    board.device = "ksy7102";
    auto kept = plan_synth_load(board, 2400.2, 200);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->counters, (Counters{50, 12001, 32, 375, 0}));
    EXPECT_DOUBLE_EQ(kept->vco_freq, 2400) << "reached with the counters kept";

    EvalState single = variant("ksy7100-8");
    single.prescaler = 32;
    EXPECT_EQ(plan_crystal(single, 10)->counters, (Counters{10, 120, 32, 120, 0}));
    EXPECT_EQ(plan_prescaler(variant("ksy7100-7"), -1)->counters, (Counters{50, 4500, 8, 562, 4}));
}
