#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/toggle_switch.h"

using namespace dialog_tests;
using testing_support::hex;
using testing_support::Harness;

// The keyboard and the accessible toggle action run the same handler: the accessibility walk
// (tests/ui/accessibility_test.cpp) compares their words and state with a click's.
TEST(MainToggles, EachSwitchStoresItsBitRefreshesAsItShouldAndSendsInItsOrder) {
    struct Case {
        ToggleSwitch* Main::Controls::*toggle;
        std::vector<int> sends;
        int bit_latch;
        uint32_t bit;
        bool refreshes;
    };
    const Case cases[] = {
        {&Main::Controls::Toggle1, {R, C, N}, C, 1u << 8, true},   {&Main::Controls::Toggle2, {C}, C, 1u << 4, false},
        {&Main::Controls::Toggle3, {R, C, N}, N, 1u << 21, true},  {&Main::Controls::Toggle4, {N}, N, 1u << 23, true},
        {&Main::Controls::Toggle5, {C}, C, 1u << 9, true},         {&Main::Controls::Toggle6, {N}, N, 1u << 22, true},
        {&Main::Controls::Toggle7, {C}, C, 1u << 11, false},       {&Main::Controls::Toggle10, {R}, R, 1u << 18, false},
    };
    for (const auto& c : cases) {
        Harness h("ksy7100-3");
        ToggleSwitch* toggle = h.main->ui.*(c.toggle);
        SCOPED_TRACE(toggle->objectName().toStdString());
        h.main->show();
        const bool was_on = toggle->isChecked();
        h.state.vco_freq = 1234;  // shows on the display only if the switch refreshes it
        QTest::mouseClick(toggle, Qt::LeftButton);
        EXPECT_NE(toggle->isChecked(), was_on);
        const std::vector<uint32_t> words = h.words();
        EXPECT_EQ(latches_of(words), c.sends);
        const auto word = std::ranges::find_if(words, [&](uint32_t w) { return int(w & 3) == c.bit_latch; });
        ASSERT_NE(word, words.end());
        EXPECT_EQ((*word & c.bit) != 0, !was_on) << hex(*word);
        EXPECT_EQ(h.main->ui.vcofreq->text() == "1234.00000MHz", c.refreshes);
    }
}

// A family name from a board preset: the gain switch keeps its field but still refreshes and
// sends (three bare latch-enable pulses), counter reset sends nothing, core power is stored
// while its label stays.
TEST(MainControls, OutsideTheNineFieldsAndLabelsKeepOrChangeAsTheirControlSays) {
    Harness h("ksy7100-1");
    h.state.device = "ksy7102";
    h.state.cp_gain_bits = 0;
    h.state.vco_freq = 835.5;
    const QString core_label = h.main->ui.Label9->text();
    QTest::mouseClick(h.main->ui.Toggle3, Qt::LeftButton);
    EXPECT_EQ(h.state.cp_gain_bits, 0);
    EXPECT_EQ(h.main->ui.vcofreq->text(), "835.50000MHz");
    EXPECT_EQ(h.words().size(), 3u);
    QTest::mouseClick(h.main->ui.Toggle2, Qt::LeftButton);
    EXPECT_EQ(h.state.counter_reset_bits, 16);
    EXPECT_TRUE(h.words().empty());
    QTest::mouseClick(h.main->ui.Command12, Qt::LeftButton);
    EXPECT_EQ(h.state.core_power, 3);
    EXPECT_EQ(h.main->ui.Label9->text(), core_label);
}

// Each level's label; the ends stop the level but still send.
TEST(MainPowerButtons, LevelsStopAtTheirEndsButStillSend) {
    using M = Main::Controls;
    struct Case {
        const char* device;
        QToolButton* M::*button;
        uint16_t EvalState::*level;
        uint16_t start, end;
        QLabel* M::*label;
        const char* text;
        std::vector<int> sends;
    };
    const Case cases[] = {
        {"ksy7100-1", &M::Command13, &EvalState::output_power, 3, 3, &M::Label7, "-3 dBm", {C}},
        {"ksy7100-1", &M::Command11, &EvalState::output_power, 2, 1, &M::Label7, "-9 dBm", {C}},
        {"ksy7100-1", &M::Command11, &EvalState::output_power, 0, 0, &M::Label7, "-12 dBm", {C}},
        {"ksy7100-8", &M::Command14, &EvalState::core_power, 0, 0, &M::Label9, "2.5 mA", {C, T}},
        {"ksy7100-2", &M::Command12, &EvalState::core_power, 2, 3, &M::Label9, "20 mA", {C, T}},
        {"ksy7100-2", &M::Command14, &EvalState::core_power, 1, 0, &M::Label9, "5 mA", {C, T}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Harness h(c.device);
        h.state.*(c.level) = c.start;
        QTest::mouseClick(h.main->ui.*(c.button), Qt::LeftButton);
        EXPECT_EQ(h.state.*(c.level), c.end);
        EXPECT_EQ((h.main->ui.*(c.label))->text(), c.text);
        const std::vector<uint32_t> words = h.words();
        EXPECT_EQ(latches_of(words), c.sends);
        // Output power sits in bits 13 and 12 of the control latch, core power in bits 3 and 2.
        EXPECT_EQ((words.front() >> (c.level == &EvalState::output_power ? 12 : 2)) & 3, c.end);
    }
}
