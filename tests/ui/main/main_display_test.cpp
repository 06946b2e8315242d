#include <gtest/gtest.h>

#include <QLabel>

#include "tests/support/gui_harness.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/toggle_switch.h"

using testing_support::Harness;

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
        {"ksy7100-1", [](EvalState& s) { s.abp_width_bits = 196608; }, "abpw2", "3.0ns ABP width"},
        {"ksy7100-1", [](EvalState& s) { s.abp_width_bits = 65536; }, "abpw2", "1.3ns ABP width"},
        {"ksy7100-1", [](EvalState& s) { s.powerdown_bits = 2097152; }, "Label10", "Normal Operation"},
        {"ksy7100-1", [](EvalState& s) { s.powerdown_bits = 1048576; }, "Label10", "Asynchronous Powerdown"},
        {"ksy7100-1", [](EvalState& s) { s.bscd_bits = 2097152; }, "Label12", "4"},
        {"ksy7100-1", [](EvalState& s) { s.muxout_bits = 160; }, "Label5", "Open Drain Lock Detect"},
        {"ksy7100-8", [](EvalState& s) { s.muxout_bits = 160; }, "Label5", "Not Used"},
        {"ksy7100-8", [](EvalState& s) { s.prescaler_bits = 8388608; }, "pres", "Not Used"},
        {"ksy7100-1", [](EvalState& s) { s.vco_freq = 2400.2; }, "vcofreq", "2400.20000MHz"},
        {"ksy7100-1", [](EvalState& s) { s.pfd_freq = 30; }, "ref_freq", "30.00000kHz"},
        {"ksy7100-1", [](EvalState& s) { s.ref_freq = 19.2e6; }, "crystal", "19.20000MHz"},
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

TEST(RefreshMain, PowerLabelsTakeTheColourOfTheirLevel) {
    Harness h("ksy7100-2");
    h.state.output_power = 1;
    h.state.core_power = 2;
    h.main->refresh_main();
    EXPECT_EQ(h.main->ui.Label7->text(), "-9 dBm");
    EXPECT_EQ(h.main->ui.Label7->palette().color(QPalette::Window).rgb(), qRgb(255, 255, 128));
    EXPECT_EQ(h.main->ui.Label9->text(), "15 mA");
    EXPECT_EQ(h.main->ui.Label9->palette().color(QPalette::Window).rgb(), qRgb(255, 192, 128));
}

TEST(ConfigureMain, TipsAndVisibilityPerVariantGroup) {
    Harness eight("ksy7100-4");
    EXPECT_EQ(eight.main->ui.pres->toolTip(), "Click here to change RF Prescaler Value");
    EXPECT_EQ(eight.main->ui.Label6->toolTip(), "Click here to change Current Setting 2");
    Harness single("ksy7100-8");
    EXPECT_EQ(single.main->ui.pres->toolTip(), "Click here to change the prescaler value");
    EXPECT_EQ(single.main->ui.Label14->toolTip(), "Click here to change Current Setting 1");
    EXPECT_FALSE(single.main->ui.Toggle6->isVisibleTo(single.main.get()));
    // configure_main never shows the divide switches again
    single.state.device = "ksy7100-1";
    single.main->configure_main();
    EXPECT_FALSE(single.main->ui.Toggle6->isVisibleTo(single.main.get()));
}
