#include <gtest/gtest.h>

#include "model/variants.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/main/deviceform.h"

using namespace dialog_tests;
using testing_support::hex;
using testing_support::Harness;

// Each switch and power button sends its latches in their order, the word holding the field it
// set; a switch flips and refreshes the display or not; a power level shows its label and stops at
// its ends but still sends.
TEST(MainControls, EachSwitchAndPowerButtonSendsItsFieldInItsOrderAndShowsIt) {
    // field: the bits of `latch` in the word sent (a switch's: on when it was off); shown: the label and its text
    struct Case { const char *device, *control; std::vector<int> sends; int latch; uint32_t mask; bool refreshes = false; uint32_t field = 0;
                  const char *shown = nullptr, *text = nullptr; void (*set)(EvalState&) = [](EvalState&) {}; };
    const Case cases[] = {
        {"ksy7100-3", "Toggle1", {R, C, N}, C, 1u << 8, true},  {"ksy7100-3", "Toggle2", {C}, C, 1u << 4},
        {"ksy7100-3", "Toggle3", {R, C, N}, N, 1u << 21, true}, {"ksy7100-3", "Toggle4", {N}, N, 1u << 23, true},
        {"ksy7100-3", "Toggle5", {C}, C, 1u << 9, true},        {"ksy7100-3", "Toggle6", {N}, N, 1u << 22, true},
        {"ksy7100-3", "Toggle7", {C}, C, 1u << 11},             {"ksy7100-3", "Toggle10", {R}, R, 1u << 18},
        // Output power sits in bits 13 and 12 of the control latch, core power in bits 3 and 2.
        {"ksy7100-1", "Command13", {C}, C, 3u << 12, false, 3u << 12, "Label7", "-3 dBm", [](EvalState& s) { s.output_power = 3; }},
        {"ksy7100-1", "Command11", {C}, C, 3u << 12, false, 1u << 12, "Label7", "-9 dBm", [](EvalState& s) { s.output_power = 2; }},
        {"ksy7100-1", "Command11", {C}, C, 3u << 12, false, 0, "Label7", "-12 dBm", [](EvalState& s) { s.output_power = 0; }},
        {"ksy7100-8", "Command14", {C, T}, C, 3u << 2, false, 0, "Label9", "2.5 mA", [](EvalState& s) { s.core_power = 0; }},
        {"ksy7100-2", "Command12", {C, T}, C, 3u << 2, false, 3u << 2, "Label9", "20 mA", [](EvalState& s) { s.core_power = 2; }},
        {"ksy7100-2", "Command14", {C, T}, C, 3u << 2, false, 0, "Label9", "5 mA", [](EvalState& s) { s.core_power = 1; }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.control) + " " + (c.text ? c.text : ""));
        Harness h(c.device);
        c.set(h.state);
        auto* control = h.main->findChild<QWidget*>(c.control);
        auto* toggle = qobject_cast<ToggleSwitch*>(control);
        const bool was_on = toggle && toggle->isChecked();
        h.state.vco_freq = 1234;  // shows on the display only if the switch refreshes it
        click(control);
        const std::vector<uint32_t> words = h.words();
        EXPECT_EQ(latches_of(words), c.sends);
        EXPECT_EQ(word_of(words, c.latch) & c.mask, toggle ? (was_on ? 0 : c.mask) : c.field) << hex(word_of(words, c.latch));
        if (toggle) {
            EXPECT_NE(toggle->isChecked(), was_on);
            EXPECT_EQ(h.main->ui.vcofreq->text() == "1234.00000MHz", c.refreshes);
        } else {
            EXPECT_EQ(h.main->findChild<QLabel*>(c.shown)->text(), c.text);
        }
    }
}

// A family name from a board preset: the gain switch keeps its field but refreshes and sends three
// bare latch-enable pulses, counter reset sends nothing, core power is stored, its label kept.
TEST(MainControls, OutsideTheNineFieldsAndLabelsKeepOrChangeAsTheirControlSays) {
    Harness h("ksy7100-1");
    h.state.device = "ksy7102";
    h.state.cp_gain_bits = 0;
    h.state.vco_freq = 835.5;
    const QString core_label = h.main->ui.Label9->text();
    click(h.main->ui.Toggle3);
    EXPECT_EQ(std::tuple(h.state.cp_gain_bits, h.main->ui.vcofreq->text(), h.words().size()), std::tuple(0, QString("835.50000MHz"), size_t(3)));
    click(h.main->ui.Toggle2);
    EXPECT_EQ(std::pair(h.state.counter_reset_bits, h.words().size()), std::pair(int16_t(16), size_t(0)));
    click(h.main->ui.Command12);
    EXPECT_EQ(std::pair(h.state.core_power, h.main->ui.Label9->text()), std::pair(uint16_t(3), core_label));
}

// The rest of the labels (the setting dialogs' tests check theirs) and the switches, which keep
// their place for other values. Refreshing never writes to the board.
TEST(RefreshMain, ShowsEveryLabelAndSwitchFromTheState) {
    struct Case { const char* device; void (*set)(Harness&); const char* shown; const char* text; };
    const Case cases[] = {
        {"ksy7100-1", [](Harness& h) { h.state.cs1_bits = 0; }, "currentsetting1", "0.3100"},
        {"ksy7100-1", [](Harness& h) { h.state.rset = 9400; }, "currentsetting2", "1.2500"},
        {"ksy7100-1", [](Harness& h) { h.state.cs2_bits = 1; }, "currentsetting2", "2.5000"},  // not a code: unchanged
        {"ksy7100-1", [](Harness& h) { h.state.prescaler_bits = 12582912; }, "pres", "32/33"},
        {"ksy7100-1", [](Harness& h) { h.state.prescaler_bits = 4194304; }, "pres", "16/17"},
        {"ksy7100-1", [](Harness& h) { h.state.muxout_bits = 160; }, "Label5", "Open Drain Lock Detect"},
        {"ksy7100-8", [](Harness& h) { h.state.muxout_bits = 160; }, "Label5", "Not Used"},
        {"ksy7100-8", [](Harness& h) { h.state.prescaler_bits = 8388608; }, "pres", "Not Used"},
        {"ksy7100-1", [](Harness& h) { h.state.pfd_freq = 30; }, "ref_freq", "30.00000kHz"},
        // Outside the nine the variant-dependent steps leave their labels.
        {"ksy7100-1", [](Harness& h) { h.state.device = "ksy7102"; h.state.muxout_bits = 224; }, "Label5", "Three-State Output"},
        {"ksy7100-1", [](Harness& h) { h.state.device = "ksy7102"; h.state.powerdown_bits = 3145728; }, "Label10", "Normal Operation"},
        {"ksy7100-1", [](Harness& h) { h.state.device = "ksy7102"; h.state.core_power = 0; }, "Label9", "15 mA"},
        {"ksy7100-1", [](Harness& h) { h.state.device = "ksy7102"; h.state.prescaler_bits = 0; }, "pres", "32/33"},
        {"ksy7100-1", [](Harness& h) { h.state.mute_till_ld_bits = 2048; }, "Toggle7", "Mute till Lock Detect Enabled"},
        {"ksy7100-1", [](Harness& h) { h.state.ldp_bits = 262144; }, "Toggle10", "Lock Detect Precision = 5"},
        {"ksy7100-1", [](Harness& h) { h.state.div_sel_bits = 8388608; }, "Toggle4", "Internal Divide by 2 Selected"},
        // Neither the on value nor 0: the switch stays; lock-detect precision is off for any other value.
        {"ksy7100-1", [](Harness& h) { h.main->ui.Toggle7->setChecked(true); h.state.mute_till_ld_bits = 5; }, "Toggle7", "Mute till Lock Detect Enabled"},
        {"ksy7100-1", [](Harness& h) { h.main->ui.Toggle10->setChecked(true); h.state.ldp_bits = 5; }, "Toggle10", "Lock Detect Precision = 3"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        Harness h(c.device);
        c.set(h);
        h.main->refresh_main();
        auto* shown = h.main->findChild<QWidget*>(c.shown);
        auto* toggle = qobject_cast<ToggleSwitch*>(shown);
        EXPECT_EQ(toggle ? toggle->caption() : qobject_cast<QLabel*>(shown)->text(), c.text);
        EXPECT_TRUE(h.words().empty());
    }
}

TEST(VariantDialog, EachVariantConfiguresTheMainWindowAndWritesNoLatch) {
    for (std::string_view name : variants::kNames) {
        const std::string device(name);
        const QString upper = QString::fromStdString(device).toUpper();
        const bool single = device == "ksy7100-8";
        Harness h(device);
        auto& ui = h.main->ui;
        const QWidget* w = h.main.get();
        SCOPED_TRACE(device);
        EXPECT_EQ(h.state.device, device);
        EXPECT_EQ(std::pair(ui.device->text(), ui.eval->text()), std::pair(upper, upper + "EB1"));
        EXPECT_TRUE(h.main->isVisible() && ui.Frame9->isVisibleTo(w) && ui.Command1->isVisibleTo(w));
        EXPECT_EQ(std::pair(ui.Toggle4->isVisibleTo(w), ui.Toggle6->isVisibleTo(w)), std::pair(!single, !single));
        EXPECT_EQ(ui.pres->text(), single ? "Not Used" : device == "ksy7100-7" ? "8/9" : "32/33");
        EXPECT_EQ(std::pair(h.board->words_loaded(), h.board->single_modulus()), std::pair(uint64_t(0), single)) << "no latch at start-up";
    }
}

// A failed claim of the parallel port is reported as the dialog loads, which goes on.
TEST(VariantDialog, OkWithNothingMarkedShowsNoDeviceAndLoadReportsAFailedClaim) {
    Harness h(std::nullopt);
    EXPECT_EQ(std::pair(h.main->ui.device->text(), h.main->ui.eval->text()), std::pair(QString("Choose device"), QString("Choose Board")));
    EXPECT_FALSE(h.main->ui.Frame9->isVisibleTo(h.main.get()));
    boardlink::BoardLink::Opened opened;
    opened.claim_error = "/dev/parport0: claim failed: the port is busy: another driver or program holds it";
    deviceform dialog(*h.main, opened);
    dialog.Form_Load();
    ASSERT_EQ(h.prompts.texts(), std::vector<QString>{"Failed to claim Parallel Port"});
    EXPECT_TRUE(h.prompts.messages[0].detail.contains("the port is busy") && h.prompts.messages[0].detail.contains("simulated board"));
    EXPECT_EQ(h.main->ui.Label9->text(), "5 mA") << "the load goes on";
}
