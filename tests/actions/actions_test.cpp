// The action layer's own contract, without any window: an action flushes the link once and leaves
// the board holding the words its state describes, or is refused whole with the entry at fault.
// Each action's latch order and refusals are checked through its window (tests/ui,
// tests/exercisers), and tests/ui/action_parity_test.cpp shows that a window and its action send
// the same words.
#include <gtest/gtest.h>

#include <functional>

#include "actions/frequency.h"
#include "actions/main_controls.h"
#include "actions/options.h"
#include "link/sim_board.h"
#include "model/latch.h"
#include "model/variants.h"

using namespace actions;

namespace {

constexpr int C = 0, R = 1, N = 2, T = 3;

// The simulated board, counting the flushes that end each action.
struct Board : boardlink::SimBoard {
    void flush() override { ++flushes; }
    int flushes = 0;
};

}  // namespace

TEST(Actions, EachActionStoresSendsItsLatchesInOrderAndFlushesOnceOrIsRefusedWhole) {
    struct Case {
        const char* what;
        std::function<Outcome(EvalState&, boardlink::Port&)> act;
        std::vector<int> sent;
        const char* refusal = nullptr;  // the message; the state stays as it was
        const char* entry = "";
    };
    const Case cases[] = {
        {"polarity switch", [](auto& s, auto& p) { return set_main_switch(s, p, MainSwitch::PdPolarity, false); }, {R, C, N}},
        {"core power down", [](auto& s, auto& p) { return step_power_level(s, p, PowerLevel::Core, -1); }, {C, T}},
        // Right after start the board holds no word: Load Now sends R and N even for the plan shown.
        {"load, as opened", [](auto& s, auto& p) { open_frequency_dialog(s); return load_frequency(s, p, 2400, 200); }, {R, N}},
        {"load, VCO not a number", [](auto& s, auto& p) { return load_frequency(s, p, std::nullopt, 200); }, {},
         "Invalid entry in VCO Frequency.", "Text1"},
        {"channel up with a new PFD", [](auto& s, auto& p) { return step_channel(s, p, 2400, 100, +1); }, {R, N}},
        {"RSet 0", [](auto& s, auto& p) { return apply_current_setting(s, p, CurrentSetting::One, 3, 0); }, {},
         "Invalid entry in R Set: the resistance must be above 0 ohms.", "Text2"},
        {"anti-backlash", [](auto& s, auto& p) { return apply_abp_width(s, p, 3); }, {T, N, R, C}},
        {"resend R", [](auto& s, auto& p) { return resend_latch(s, p, kRLatch); }, {R}},
    };
    for (const auto& c : cases) {
        EvalState s = variants::start_state("ksy7100-1");
        const EvalState before = s;
        Board board;
        Outcome out = c.act(s, board);
        std::vector<int> sent;
        for (uint32_t w : board.history()) sent.push_back(int(w & 3));
        EXPECT_EQ(sent, c.sent) << c.what;
        if (c.refusal) {
            ASSERT_TRUE(out.refusal) << c.what;
            EXPECT_EQ(out.refusal->message, c.refusal) << c.what;
            EXPECT_EQ(out.refusal->entry, c.entry) << c.what;
            EXPECT_EQ(board.flushes, 0) << c.what;
            EXPECT_TRUE(s == before) << c.what;
        } else {
            EXPECT_TRUE(out.ok()) << c.what;
            EXPECT_EQ(board.flushes, 1) << c.what << ": one transfer per action";
            // Whatever was sent, the board now holds the words the state describes.
            for (int latch : c.sent)
                EXPECT_EQ(*board.latches()[latch], uint32_t(assemble_latch(s, uint8_t(latch)))) << c.what;
        }
    }
}
