#include <gtest/gtest.h>

#include "model/variants.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/main/deviceform.h"

using namespace dialog_tests;
using testing_support::hex;
using testing_support::Harness;

TEST(MainToggles, EachSwitchStoresItsBitRefreshesAsItShouldAndSendsInItsOrder) {
    struct Case { ToggleSwitch* Main::Controls::*toggle; std::vector<int> sends; int bit_latch; uint32_t bit; bool refreshes; };
    const Case cases[] = {
        {&Main::Controls::Toggle1, {R, C, N}, C, 1u << 8, true},   {&Main::Controls::Toggle2, {C}, C, 1u << 4, false},
        {&Main::Controls::Toggle3, {R, C, N}, N, 1u << 21, true},  {&Main::Controls::Toggle4, {N}, N, 1u << 23, true},
        {&Main::Controls::Toggle5, {C}, C, 1u << 9, true},         {&Main::Controls::Toggle6, {N}, N, 1u << 22, true},
        {&Main::Controls::Toggle7, {C}, C, 1u << 11, false},       {&Main::Controls::Toggle10, {R}, R, 1u << 18, false}};
    for (const auto& c : cases) {
        Harness h("ksy7100-3");
        ToggleSwitch* toggle = h.main->ui.*(c.toggle);
        SCOPED_TRACE(toggle->objectName().toStdString());
        const bool was_on = toggle->isChecked();
        h.state.vco_freq = 1234;  // shows on the display only if the switch refreshes it
        click(toggle);
        EXPECT_NE(toggle->isChecked(), was_on);
        const std::vector<uint32_t> words = h.words();
        EXPECT_EQ(latches_of(words), c.sends);
        EXPECT_EQ((word_of(words, c.bit_latch) & c.bit) != 0, !was_on) << hex(word_of(words, c.bit_latch));
        EXPECT_EQ(h.main->ui.vcofreq->text() == "1234.00000MHz", c.refreshes);
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

// Each level's label; the ends stop the level but still send.
TEST(MainPowerButtons, LevelsStopAtTheirEndsButStillSend) {
    using M = Main::Controls;
    struct Case { const char* device; QToolButton* M::*button; uint16_t EvalState::*level; uint16_t start, end; QLabel* M::*label;
                  const char* text; std::vector<int> sends; };
    const Case cases[] = {
        {"ksy7100-1", &M::Command13, &EvalState::output_power, 3, 3, &M::Label7, "-3 dBm", {C}},
        {"ksy7100-1", &M::Command11, &EvalState::output_power, 2, 1, &M::Label7, "-9 dBm", {C}},
        {"ksy7100-1", &M::Command11, &EvalState::output_power, 0, 0, &M::Label7, "-12 dBm", {C}},
        {"ksy7100-8", &M::Command14, &EvalState::core_power, 0, 0, &M::Label9, "2.5 mA", {C, T}},
        {"ksy7100-2", &M::Command12, &EvalState::core_power, 2, 3, &M::Label9, "20 mA", {C, T}},
        {"ksy7100-2", &M::Command14, &EvalState::core_power, 1, 0, &M::Label9, "5 mA", {C, T}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Harness h(c.device);
        h.state.*(c.level) = c.start;
        click(h.main->ui.*(c.button));
        EXPECT_EQ(std::pair(h.state.*(c.level), (h.main->ui.*(c.label))->text()), std::pair(c.end, QString(c.text)));
        const std::vector<uint32_t> words = h.words();
        EXPECT_EQ(latches_of(words), c.sends);
        // Output power sits in bits 13 and 12 of the control latch, core power in bits 3 and 2.
        EXPECT_EQ((words.front() >> (c.level == &EvalState::output_power ? 12 : 2)) & 3, c.end);
    }
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
