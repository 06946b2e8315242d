#include <gtest/gtest.h>

#include <QLabel>

#include "tests/support/gui_harness.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/toggle_switch.h"

using testing_support::Harness;

// The labels the setting dialogs set are checked with them (the frequency, reference,
// anti-backlash, power-down and band-select dialog tests); here the rest.
TEST(RefreshMain, FormatsEveryLabelFromTheState) {
    struct Case {
        const char* device;
        void (*set)(EvalState&);
        const char* label;
        const char* text;
    };
    const Case cases[] = {
        {"ksy7100-1", [](EvalState&) {}, "currentsetting1", "2.5000"},
        {"ksy7100-1", [](EvalState& s) { s.cs1_bits = 0; }, "currentsetting1", "0.3100"},
        {"ksy7100-1", [](EvalState& s) { s.rset = 9400; }, "currentsetting2", "1.2500"},
        {"ksy7100-1", [](EvalState& s) { s.cs2_bits = 1; }, "currentsetting2", "2.5000"},  // not a code: unchanged
        {"ksy7100-1", [](EvalState& s) { s.prescaler_bits = 12582912; }, "pres", "32/33"},
        {"ksy7100-1", [](EvalState& s) { s.prescaler_bits = 4194304; }, "pres", "16/17"},
        {"ksy7100-1", [](EvalState& s) { s.muxout_bits = 160; }, "Label5", "Open Drain Lock Detect"},
        {"ksy7100-8", [](EvalState& s) { s.muxout_bits = 160; }, "Label5", "Not Used"},
        {"ksy7100-8", [](EvalState& s) { s.prescaler_bits = 8388608; }, "pres", "Not Used"},
        {"ksy7100-1", [](EvalState& s) { s.pfd_freq = 30; }, "ref_freq", "30.00000kHz"},
        // Outside the nine the variant-dependent steps leave their labels.
        {"ksy7100-1", [](EvalState& s) { s.device = "ksy7102"; s.muxout_bits = 224; }, "Label5", "Three-State Output"},
        {"ksy7100-1", [](EvalState& s) { s.device = "ksy7102"; s.powerdown_bits = 3145728; }, "Label10", "Normal Operation"},
        {"ksy7100-1", [](EvalState& s) { s.device = "ksy7102"; s.core_power = 0; }, "Label9", "15 mA"},
        {"ksy7100-1", [](EvalState& s) { s.device = "ksy7102"; s.prescaler_bits = 0; }, "pres", "32/33"},
    };
    for (const auto& c : cases) {
        Harness h(c.device);
        c.set(h.state);
        h.main->refresh_main();
        EXPECT_EQ(h.main->findChild<QLabel*>(c.label)->text(), c.text) << c.label;
    }
}

TEST(RefreshMain, SwitchesFollowTheirFieldsAndKeepTheirPlaceForOtherValues) {
    Harness h("ksy7100-1");
    auto& ui = h.main->ui;
    h.state.mute_till_ld_bits = 2048;
    h.state.ldp_bits = 262144;
    h.state.div_sel_bits = 8388608;
    h.main->refresh_main();
    EXPECT_TRUE(ui.Toggle7->isChecked());
    EXPECT_TRUE(ui.Toggle10->isChecked());
    EXPECT_TRUE(ui.Toggle4->isChecked());
    EXPECT_EQ(ui.Toggle4->caption(), "Internal Divide by 2 Selected");

    h.state.mute_till_ld_bits = 5;  // neither on value nor 0: the switch stays
    h.state.ldp_bits = 5;           // any other value turns lock-detect precision off
    h.main->refresh_main();
    EXPECT_TRUE(ui.Toggle7->isChecked());
    EXPECT_FALSE(ui.Toggle10->isChecked());
    EXPECT_TRUE(h.words().empty()) << "refreshing never writes to the board";
}

