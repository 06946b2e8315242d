#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/registers/vcotest.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/toggle_switch.h"

using namespace dialog_tests;
using testing_support::hex;
using testing_support::Harness;

namespace {

// Opens the window as a user does, by a double click on the main window's picture.
void with_window(Harness& h, const std::function<void(vcotest&)>& act) {
    auto open = [&] { QTest::mouseDClick(h.main->ui.Picture1, Qt::LeftButton); };
    ASSERT_EQ(through_entry<vcotest>(h, open, act), "vcotest");
}

// Picks an entry as a keyboard user does: F4 opens the pop-up, the arrows move, Enter takes it.
void pick(QComboBox* combo, int index) {
    combo->window()->show();
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_F4);
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(view->isVisible());
    while (view->currentIndex().row() != index)
        QTest::keyClick(view, view->currentIndex().row() < index ? Qt::Key_Down : Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Return);
}

// What the window shows: the three lists' indexes, then the four switches.
std::vector<int> shown(vcotest& d) {
    return {d.Combo3->currentIndex(), d.Combo1->currentIndex(), d.Combo2->currentIndex(), d.Toggle1->isChecked(),
            d.Toggle2->isChecked(), d.Toggle3->isChecked(), d.Toggle4->isChecked()};
}

const QString kPending = "not yet sent: press Update Testmode Latch";

}  // namespace

// A list reads out its entry, labelled by the caption over it (the rest: accessibility_test.cpp).
TEST(VcoTest, OpensShowingTheStateAlsoToAssistiveTechnologyAndStoresOrSendsNothingNotEvenForProgramSetValues) {
    const std::tuple<const char*, std::function<void(EvalState&)>, std::vector<int>> cases[] = {
        {"ksy7100-0", [](EvalState&) {}, {0, 0, 0, false, false, false, false}},
        {"ksy7100-8",
         [](EvalState& s) {
             s.test_mode_code = 13, s.readback_code = 2, s.ext_band_code = 6;
             s.ext_band_en_bits = 32768, s.adc_ctrl_bits = 512, s.test_enable_bits = 524288;
         },
         {13, 2, 6, true, false, true, true}},
        // A code that no entry stands for selects none rather than claiming one.
        {"ksy7100-4", [](EvalState& s) { s.test_mode_code = 16, s.band_ctrl_bits = 1024; },
         {-1, 0, 0, false, true, false, false}},
    };
    for (const auto& [device, set, expected] : cases) {
        Harness h(device);
        set(h.state);
        const EvalState before = h.state;
        with_window(h, [&](vcotest& d) {
            EXPECT_EQ(shown(d), expected) << device;
            EXPECT_EQ(d.Toggle4->caption(), expected[6] ? "Test Modes Enabled" : "Test Modes Disabled ");
            for (auto [combo, caption] : {std::pair{d.Combo3, d.Label3}, {d.Combo1, d.Label4}, {d.Combo2, d.Label5}}) {
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(combo);
                EXPECT_EQ(std::pair(a->role(), a->text(QAccessible::Value)), std::pair(QAccessible::ComboBox, combo->currentText()));
                EXPECT_TRUE(std::ranges::any_of(a->relations(QAccessible::Label),
                                                [&](const auto& l) { return l.first->object() == caption; }));
            }
            d.Combo3->setCurrentIndex(4);
            d.Combo2->setCurrentIndex(1);
            for (ToggleSwitch* t : {d.Toggle1, d.Toggle4}) t->setChecked(!t->isChecked());
        });
        EXPECT_EQ(h.state, before) << device;
        EXPECT_TRUE(h.words().empty()) << device;
    }
}

TEST(VcoTest, AChoiceOrATestLatchSwitchIsStoredAndOnlyUpdateSendsTheTestLatchWithTheStatesFields) {
    // Each act leaves the entry it picked or the caption of the switch it flipped.
    using Act = std::function<QString(vcotest&)>;
    auto picked = [](QComboBox* vcotest::*list, int i) -> Act {
        return [=](vcotest& d) { pick(d.*list, i); return (d.*list)->currentText(); };
    };
    auto flipped = [](ToggleSwitch* vcotest::*t) -> Act {
        return [=](vcotest& d) { click(d.*t); return (d.*t)->caption(); };
    };
    const std::tuple<const char*, Act, uint32_t> cases[] = {
        // The state has DB15 and DB9 on and core power 1 (DB3..DB2); code 7 lands in DB14..DB11.
        {"R Div / 2 Select", picked(&vcotest::Combo3, 7), 0b1'0111'0'1'00'000'01},
        {"SAR Readback", picked(&vcotest::Combo1, 2), 0b1'0000'0'1'10'000'01},
        {"1,0,1", picked(&vcotest::Combo2, 5), 0b1'0000'0'1'00'101'01},
        {"External Band Disable", flipped(&vcotest::Toggle1), 0b0'0000'0'1'00'000'01},
        {"Band Control Enabled", flipped(&vcotest::Toggle2), 0b1'0000'1'1'00'000'01},
        {"ADC Control Disable", flipped(&vcotest::Toggle3), 0b1'0000'0'0'00'000'01},
    };
    for (const auto& [what, act, db15_to_db2] : cases) {
        SCOPED_TRACE(what);
        Harness h("ksy7100-3");
        h.state.ext_band_en_bits = 32768, h.state.adc_ctrl_bits = 512, h.state.core_power = 1;
        with_window(h, [&](vcotest& d) {
            EXPECT_EQ(act(d), what);
            EXPECT_TRUE(h.words().empty()) << "nothing is sent before Update";
            EXPECT_TRUE(d.test_word_status->text().endsWith(kPending));
            click(d.Command1);
            const auto words = h.words();
            ASSERT_EQ(latches_of(words), std::vector<int>{T});
            EXPECT_EQ(words[0], db15_to_db2 << 2 | 3) << hex(words[0]);
            EXPECT_EQ(d.test_word_status->text(), QString("Test latch %1 sent to the board").arg(hex(words[0]).c_str()));
        });
    }
}

// The main window is brought up to date after each switch (the frequency set behind its back shows).
TEST(VcoTest, TestEnableSendsControlRNTestWithDb19FollowingTheSwitch) {
    Harness h("ksy7100-7");
    h.state.vco_freq = 1234;  // the main window shows it only once refreshed
    with_window(h, [&](vcotest& d) {
        for (bool on : {true, false}) {
            click(d.Toggle4);
            const auto words = h.words();
            ASSERT_EQ(latches_of(words), (std::vector<int>{C, R, N, T}));
            EXPECT_EQ(bits(words[1], 19, 19), on ? 1u : 0u) << hex(words[1]);
        }
    });
    EXPECT_EQ(h.main->ui.vcofreq->text(), "1234.00000MHz");
}

TEST(VcoTest, ReopeningShowsWhatWasSetAndCancelKeepsChangesUnsent) {
    Harness h("ksy7100-5");
    with_window(h, [&](vcotest& d) {
        pick(d.Combo3, 9);
        pick(d.Combo1, 2);
        click(d.Command1);
        pick(d.Combo2, 3);
        for (ToggleSwitch* t : {d.Toggle1, d.Toggle2, d.Toggle3}) click(t);
        h.words();
        click(d.Command2);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_TRUE(h.words().empty());
    with_window(h, [&](vcotest& d) {
        EXPECT_EQ(shown(d), (std::vector<int>{9, 2, 3, true, true, true, false}));
        EXPECT_TRUE(d.test_word_status->text().endsWith(kPending));
    });
}
