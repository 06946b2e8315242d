#include <gtest/gtest.h>

#include <QAccessible>
#include <functional>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "tests/support/gui_harness.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/toggle_switch.h"

using testing_support::hex;
using testing_support::Harness;

namespace {
constexpr int C = 0, R = 1, N = 2, T = 3;
}

TEST(MainToggles, EachSwitchStoresItsBitRefreshesAsItShouldAndSendsInItsOrder) {
    struct Case {
        ToggleSwitch* Main::Controls::*toggle;
        std::vector<int> sends;
        int bit_latch;
        uint32_t bit;
        bool refreshes;
    };
    const Case cases[] = {
        {&Main::Controls::Toggle1, {R, C, N}, C, 1u << 8, true},
        {&Main::Controls::Toggle2, {C}, C, 1u << 4, false},
        {&Main::Controls::Toggle3, {R, C, N}, N, 1u << 21, true},
        {&Main::Controls::Toggle4, {N}, N, 1u << 23, true},
        {&Main::Controls::Toggle5, {C}, C, 1u << 9, true},
        {&Main::Controls::Toggle6, {N}, N, 1u << 22, true},
        {&Main::Controls::Toggle7, {C}, C, 1u << 11, false},
        {&Main::Controls::Toggle10, {R}, R, 1u << 18, false},
    };
    // Every way a user has of flipping a switch runs the same handler.
    const std::pair<const char*, std::function<void(ToggleSwitch*)>> ways[] = {
        {"mouse", [](ToggleSwitch* t) { QTest::mouseClick(t, Qt::LeftButton); }},
        {"Space", [](ToggleSwitch* t) { t->setFocus(); QTest::keyClick(t, Qt::Key_Space); }},
        {"accessible toggle action", [](ToggleSwitch* t) {
             QAccessibleInterface* a = QAccessible::queryAccessibleInterface(t);
             ASSERT_TRUE(a && a->actionInterface());
             EXPECT_EQ(a->role(), QAccessible::CheckBox);
             EXPECT_EQ(a->text(QAccessible::Value), t->caption());
             a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
         }},
    };
    for (const auto& [way, flip] : ways)
    for (const auto& c : cases) {
        SCOPED_TRACE(way);
        Harness h("ksy7100-3");
        ToggleSwitch* toggle = h.main->ui.*(c.toggle);
        h.main->show();
        bool was_on = toggle->isChecked();
        h.state.vco_freq = 1234;  // shows on the display only if the switch refreshes it
        flip(toggle);
        EXPECT_NE(toggle->isChecked(), was_on);
        std::vector<uint32_t> words = h.words();
        std::vector<int> latches;
        for (uint32_t w : words) latches.push_back(int(w & 3));
        EXPECT_EQ(latches, c.sends) << toggle->objectName().toStdString();
        for (uint32_t w : words) {
            if (int(w & 3) == c.bit_latch) {
                EXPECT_EQ((w & c.bit) != 0, !was_on) << hex(w);
            }
        }
        EXPECT_EQ(h.main->ui.vcofreq->text() == "1234.00000MHz", c.refreshes) << toggle->objectName().toStdString();
    }
}

TEST(MainToggles, ASwitchSetByTheProgramRunsNoHandlerAndAFixedDigitOffersNoAction) {
    Harness h("ksy7100-1");
    h.main->ui.Toggle1->setChecked(false);
    EXPECT_EQ(h.state.pd_polarity_bits, 256);
    EXPECT_TRUE(h.words().empty());
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(h.main->ui.Toggle1);
    EXPECT_EQ(a->text(QAccessible::Value), "RF PD Polarity Negative");
    EXPECT_FALSE(a->state().checked);

    ToggleSwitch fixed("0", "0");
    fixed.setFixed(true);
    QAccessibleInterface* f = QAccessible::queryAccessibleInterface(&fixed);
    EXPECT_FALSE(f->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    f->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(fixed.isChecked());
}

TEST(MainToggles, OutsideTheNineCpGainKeepsItsFieldButStillSendsAndCounterResetSendsNothing) {
    Harness h("ksy7100-1");
    h.state.device = "ksy7102";
    h.state.cp_gain_bits = 0;
    h.state.vco_freq = 835.5;
    QTest::mouseClick(h.main->ui.Toggle3, Qt::LeftButton);
    EXPECT_EQ(h.state.cp_gain_bits, 0);
    EXPECT_EQ(h.main->ui.vcofreq->text(), "835.50000MHz");
    EXPECT_EQ(h.words().size(), 3u) << "three latch-enable pulses";

    QTest::mouseClick(h.main->ui.Toggle2, Qt::LeftButton);
    EXPECT_EQ(h.state.counter_reset_bits, 16);
    EXPECT_TRUE(h.words().empty());
}

TEST(MainPowerButtons, LevelsStopAtTheirEndsButStillSend) {
    struct Case {
        const char* device;
        QToolButton* Main::Controls::*button;
        uint16_t EvalState::*level;
        uint16_t start, end;
        QLabel* Main::Controls::*label;
        const char* text;
        QRgb colour;
        std::vector<int> sends;
    };
    const Case cases[] = {
        {"ksy7100-1", &Main::Controls::Command13, &EvalState::output_power, 3, 3, &Main::Controls::Label7, "-3 dBm", qRgb(255, 128, 128), {C}},
        {"ksy7100-1", &Main::Controls::Command11, &EvalState::output_power, 3, 2, &Main::Controls::Label7, "-6 dBm", qRgb(255, 192, 128), {C}},
        {"ksy7100-1", &Main::Controls::Command11, &EvalState::output_power, 0, 0, &Main::Controls::Label7, "-12 dBm", qRgb(255, 255, 255), {C}},
        {"ksy7100-8", &Main::Controls::Command14, &EvalState::core_power, 0, 0, &Main::Controls::Label9, "2.5 mA", qRgb(255, 255, 255), {C, T}},
        {"ksy7100-2", &Main::Controls::Command12, &EvalState::core_power, 2, 3, &Main::Controls::Label9, "20 mA", qRgb(255, 128, 128), {C, T}},
        {"ksy7100-2", &Main::Controls::Command14, &EvalState::core_power, 1, 0, &Main::Controls::Label9, "5 mA", qRgb(255, 255, 255), {C, T}},
    };
    for (const auto& c : cases) {
        Harness h(c.device);
        h.state.*(c.level) = c.start;
        QTest::mouseClick(h.main->ui.*(c.button), Qt::LeftButton);
        EXPECT_EQ(h.state.*(c.level), c.end);
        QLabel* label = h.main->ui.*(c.label);
        EXPECT_EQ(label->text(), c.text);
        EXPECT_EQ(label->palette().color(QPalette::Window).rgb(), c.colour) << c.text;
        std::vector<uint32_t> words = h.words();
        std::vector<int> latches;
        for (uint32_t w : words) latches.push_back(int(w & 3));
        EXPECT_EQ(latches, c.sends);
        int shift = c.level == &EvalState::output_power ? 12 : 2;
        EXPECT_EQ((words.front() >> shift) & 3, c.end);
    }
}

TEST(MainPowerButtons, CorePowerOutsideTheNineLeavesTheLabel) {
    Harness h("ksy7100-1");
    h.state.device = "ksy7104";
    QString before = h.main->ui.Label9->text();
    QTest::mouseClick(h.main->ui.Command12, Qt::LeftButton);
    EXPECT_EQ(h.state.core_power, 3);
    EXPECT_EQ(h.main->ui.Label9->text(), before);
}
