// The actions without any window: for a table of actions, the latch words the simulated board
// latches, in order, the refusals with their entries, and one flush of the link per action.
#include <gtest/gtest.h>

#include <functional>

#include "actions/frequency.h"
#include "actions/hopping.h"
#include "actions/main_controls.h"
#include "actions/options.h"
#include "actions/sweeping.h"
#include "link/sim_board.h"
#include "model/latch.h"
#include "model/variants.h"

using namespace actions;

namespace {

constexpr int C = 0, R = 1, N = 2, T = 3;

// The simulated board, counting the flushes that end each action.
class Board : public boardlink::SimBoard {
public:
    void flush() override { ++flushes; }
    int flushes = 0;

    std::vector<int> latches_since(uint64_t seen) const {
        std::vector<int> l;
        for (auto w = history().end() - long(words_loaded() - seen); w != history().end(); ++w) l.push_back(int(*w & 3));
        return l;
    }
};

EvalState variant(const char* device) { return variants::start_state(device); }

}  // namespace

TEST(Actions, EachActionStoresSendsItsLatchesInOrderAndFlushesOnceOrIsRefusedWhole) {
    using Act = std::function<Outcome(EvalState&, boardlink::Port&)>;
    struct Case {
        const char* what;
        Act act;
        std::vector<int> sent;
        const char* refusal = nullptr;  // the message; the state stays as it was
        const char* entry = "";
    };
    const Case cases[] = {
        {"polarity switch", [](auto& s, auto& p) { return set_main_switch(s, p, MainSwitch::PdPolarity, false); }, {R, C, N}},
        {"counter reset switch", [](auto& s, auto& p) { return set_main_switch(s, p, MainSwitch::CounterReset, true); }, {C}},
        {"gain switch", [](auto& s, auto& p) { return set_main_switch(s, p, MainSwitch::CpGain, true); }, {R, C, N}},
        {"internal divide switch", [](auto& s, auto& p) { return set_main_switch(s, p, MainSwitch::InternalDivide, true); }, {N}},
        {"three-state switch", [](auto& s, auto& p) { return set_main_switch(s, p, MainSwitch::ChargePumpThreeState, true); }, {C}},
        {"output divide switch", [](auto& s, auto& p) { return set_main_switch(s, p, MainSwitch::OutputDivide, true); }, {N}},
        {"mute switch", [](auto& s, auto& p) { return set_main_switch(s, p, MainSwitch::MuteTillLockDetect, true); }, {C}},
        {"lock detect switch", [](auto& s, auto& p) { return set_main_switch(s, p, MainSwitch::LockDetectPrecision, true); }, {R}},
        {"output power up", [](auto& s, auto& p) { return step_power_level(s, p, PowerLevel::Output, +1); }, {C}},
        {"core power down", [](auto& s, auto& p) { return step_power_level(s, p, PowerLevel::Core, -1); }, {C, T}},
        {"load, VCO only", [](auto& s, auto& p) { open_frequency_dialog(s); return load_frequency(s, p, 2400.2, 200); }, {N}},
        {"load, PFD only", [](auto& s, auto& p) { open_frequency_dialog(s); return load_frequency(s, p, 2400, 100); },
         {R, N}},
        {"load, unchanged", [](auto& s, auto& p) { open_frequency_dialog(s); return load_frequency(s, p, 2400, 200); }, {}},
        {"load, VCO not a number", [](auto& s, auto& p) { return load_frequency(s, p, std::nullopt, 200); }, {},
         "Invalid entry in VCO Frequency.", "Text1"},
        {"channel up", [](auto& s, auto& p) { return step_channel(s, p, 2400, 200, +1); }, {N}},
        {"channel up with a new PFD", [](auto& s, auto& p) { return step_channel(s, p, 2400, 100, +1); }, {R, N}},
        {"reference", [](auto& s, auto& p) { return apply_reference(s, p, 19.2); }, {T, N, R, C}},
        {"reference not a number", [](auto& s, auto& p) { return apply_reference(s, p, std::nullopt); }, {},
         "Invalid entry in crystal Frequency.", "Text1"},
        {"current setting 2", [](auto& s, auto& p) { return apply_current_setting(s, p, CurrentSetting::Two, 3, 2700); },
         {T, N, R, C}},
        {"RSet 0", [](auto& s, auto& p) { return apply_current_setting(s, p, CurrentSetting::One, 3, 0); }, {},
         "Invalid entry in R Set: the resistance must be above 0 ohms.", "Text2"},
        {"power-down", [](auto& s, auto& p) { return apply_powerdown(s, p, 2); }, {C}},
        {"muxout", [](auto& s, auto& p) { return apply_muxout(s, p, 5); }, {C}},
        {"band select", [](auto& s, auto& p) { return apply_band_select(s, p, 3); }, {T, N, R, C}},
        {"anti-backlash", [](auto& s, auto& p) { return apply_abp_width(s, p, 3); }, {T, N, R, C}},
        {"prescaler", [](auto& s, auto& p) { return apply_prescaler(s, p, 1); }, {T, N, R, C}},
        {"prescaler with PFD 0", [](auto& s, auto& p) { s.pfd_freq = 0; return apply_prescaler(s, p, 1); }, {},
         "The counters cannot be computed with a PFD frequency of 0 kHz."},
        {"resend R", [](auto& s, auto& p) { return resend_latch(s, p, kRLatch); }, {R}},
    };
    for (const auto& c : cases) {
        EvalState s = variant("ksy7100-1");
        Board board;
        Outcome out = c.act(s, board);
        EXPECT_EQ(board.latches_since(0), c.sent) << c.what;
        if (c.refusal) {
            ASSERT_TRUE(out.refusal) << c.what;
            EXPECT_EQ(out.refusal->message, c.refusal) << c.what;
            EXPECT_EQ(out.refusal->entry, c.entry) << c.what;
            EXPECT_EQ(board.flushes, 0) << c.what;
        } else {
            EXPECT_TRUE(out.ok()) << c.what;
            EXPECT_EQ(board.flushes, 1) << c.what << ": one transfer per action";
            // Whatever was sent, the board now holds the words the state describes.
            for (int latch : c.sent)
                EXPECT_EQ(*board.latches()[latch], uint32_t(assemble_latch(s, uint8_t(latch)))) << c.what;
        }
    }
}

TEST(Actions, ARefusedActionLeavesTheStateExactlyAsItWas) {
    EvalState s = variant("ksy7100-1");
    s.pfd_freq = 0;
    const EvalState before = s;
    Board board;
    EXPECT_FALSE(load_frequency(s, board, 2400, 0).ok());
    EXPECT_FALSE(apply_reference(s, board, 10).ok());
    EXPECT_FALSE(apply_prescaler(s, board, 2).ok());
    EXPECT_FALSE(apply_current_setting(s, board, CurrentSetting::One, 2, std::nullopt).ok());
    EXPECT_TRUE(s == before);
    EXPECT_EQ(board.words_loaded(), 0u);
}

TEST(Actions, AHopRunAlternatesItsFrequenciesAndARefusedStartStopsEveryTimer) {
    EvalState s = variant("ksy7100-1");
    Board board;
    HopRun run;
    const HopRun::Entries entries{"1750", "1752", "10", "5"};
    ASSERT_TRUE(run.start_plain(s, board, entries).ok());
    ASSERT_TRUE(run.start_with_gain(s, board, entries).ok());
    EXPECT_EQ(run.plain_timer().interval_ms, 10);
    EXPECT_TRUE(run.plain_timer().running() && run.gain_timer().running() && run.release_timer().running());
    EXPECT_EQ(run.release_timer().interval_ms, 5);

    resend_latch(s, board, kRLatch);  // the board needs R and control for its output frequency
    resend_latch(s, board, kControlLatch);
    for (double mhz : {1750.0, 1752.0, 1750.0}) {
        const uint64_t seen = board.words_loaded();
        Outcome out = run.tick_gain(s, board, entries, {});
        EXPECT_EQ(board.latches_since(seen), (std::vector{N, C})) << "the gain raised with N, lowered with control";
        EXPECT_EQ(out.display.cp_gain, false);
        EXPECT_EQ(*board.output_frequency_hz(), mhz * 1e6);
    }
    EXPECT_EQ(run.hops(), 3u);
    EXPECT_FALSE(run.release_timer().enabled) << "Delay Off lowers the gain at once";

    const HopRun::Entries bad{"1750", "abc", "10", "5"};
    Outcome refused = run.start_plain(s, board, bad);
    ASSERT_TRUE(refused.refusal);
    EXPECT_EQ(refused.refusal->entry, "Text2");
    EXPECT_FALSE(run.running());
}

TEST(Actions, ASweepRunStepsToItsStopAndStopsItsTimer) {
    EvalState s = variant("ksy7100-1");
    Board board;
    SweepRun run;
    ASSERT_TRUE(run.start(s, board, {"1750", "1752", "400", "20"}).ok());
    EXPECT_EQ(run.timer().interval_ms, 20);
    std::vector<std::string> shown;
    while (run.running() && shown.size() < 20) shown.push_back(run.tick(s, board).texts->current);
    EXPECT_EQ(shown, (std::vector<std::string>{"1750", "1750.4", "1750.8", "1751.2", "1751.6", "1752"}));
    EXPECT_EQ(board.words_loaded(), 6u);
    EXPECT_EQ(board.flushes, 6);

    Outcome refused = run.start(s, board, {"1750", "1752", "100", "20"});
    ASSERT_TRUE(refused.refusal);
    EXPECT_EQ(refused.refusal->entry, "Text2");
}
