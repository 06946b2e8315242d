#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <set>

#include "model/latch.h"
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

std::tuple<int, int, int> lists_of(vcotest& d) {
    return {d.Combo3->currentIndex(), d.Combo1->currentIndex(), d.Combo2->currentIndex()};
}
std::vector<bool> switches_of(vcotest& d) {
    return {d.Toggle1->isChecked(), d.Toggle2->isChecked(), d.Toggle3->isChecked(), d.Toggle4->isChecked()};
}

}  // namespace

TEST(VcoTest, OpensShowingTheStateAndStoresOrSendsNothingNotEvenForProgramSetValues) {
    struct Case {
        const char* device;
        std::function<void(EvalState&)> set;
        std::tuple<int, int, int> lists;
        std::vector<bool> switches;
    };
    const Case cases[] = {
        {"ksy7100-0", [](EvalState&) {}, {0, 0, 0}, {false, false, false, false}},
        {"ksy7100-8",
         [](EvalState& s) {
             s.test_mode_code = 13, s.readback_code = 2, s.ext_band_code = 6;
             s.ext_band_en_bits = 32768, s.adc_ctrl_bits = 512, s.test_enable_bits = 524288;
         },
         {13, 2, 6}, {true, false, true, true}},
        // A code that no entry stands for selects none rather than claiming one.
        {"ksy7100-4", [](EvalState& s) { s.test_mode_code = 16, s.band_ctrl_bits = 1024; }, {-1, 0, 0},
         {false, true, false, false}},
    };
    for (const auto& c : cases) {
        Harness h(c.device);
        c.set(h.state);
        const EvalState before = h.state;
        with_window(h, [&](vcotest& d) {
            EXPECT_EQ(lists_of(d), c.lists) << c.device;
            EXPECT_EQ(switches_of(d), c.switches) << c.device;
            EXPECT_EQ(d.Toggle4->caption(), c.switches[3] ? "Test Modes Enabled" : "Test Modes Disabled ");
            d.Combo3->setCurrentIndex(4);
            d.Combo2->setCurrentIndex(1);
            for (ToggleSwitch* t : {d.Toggle1, d.Toggle4}) t->setChecked(!t->isChecked());
        });
        EXPECT_EQ(h.state, before) << c.device;
        EXPECT_TRUE(h.words().empty()) << c.device;
    }
}

TEST(VcoTest, AChoiceIsStoredAndUpdateSendsOnlyTheTestLatchWithTheStatesFields) {
    struct Case { QComboBox* vcotest::*list; int index; const char* entry; uint32_t db15_to_db2; };
    const Case cases[] = {
        // Code 7 in DB14..DB11, DB15 and DB9 from the state, core power 1 in DB3..DB2.
        {&vcotest::Combo3, 7, "R Div / 2 Select", 0b1'0111'0'1'00'000'01},
        {&vcotest::Combo2, 5, "1,0,1", 0b1'0000'0'1'00'101'01},
    };
    for (const auto& c : cases) {
        Harness h("ksy7100-3");
        h.state.ext_band_en_bits = 32768, h.state.adc_ctrl_bits = 512, h.state.core_power = 1;
        with_window(h, [&](vcotest& d) {
            pick(d.*c.list, c.index);
            EXPECT_EQ((d.*c.list)->currentText(), c.entry);
            EXPECT_TRUE(h.words().empty()) << "a choice alone sends nothing";
            click(d.Command1);
        });
        const auto words = h.words();
        ASSERT_EQ(latches_of(words), std::vector<int>{T});
        EXPECT_EQ(words[0], c.db15_to_db2 << 2 | 3) << hex(words[0]);
        EXPECT_EQ(h.board->latches()[T], words[0]);
    }
}

TEST(VcoTest, TestEnableSendsControlRNTestWithDb19FollowingTheSwitch) {
    Harness h("ksy7100-7");
    h.state.vco_freq = 1234;  // the main window shows it only once refreshed
    with_window(h, [&](vcotest& d) {
        for (bool on : {true, false}) {
            click(d.Toggle4);
            EXPECT_EQ(h.state.test_enable_bits, on ? 524288 : 0);
            const auto words = h.words();
            ASSERT_EQ(latches_of(words), (std::vector<int>{C, R, N, T}));
            EXPECT_EQ(bits(words[1], 19, 19), on ? 1u : 0u) << hex(words[1]);
        }
    });
    EXPECT_EQ(h.main->ui.vcofreq->text(), "1234.00000MHz");
}

TEST(VcoTest, TestLatchSwitchesStoreTheirBitSendNothingAndTheStatusLineSaysSo) {
    const std::tuple<ToggleSwitch* vcotest::*, int, std::function<double(const EvalState&)>> cases[] = {
        {&vcotest::Toggle1, 15, [](const EvalState& s) { return s.ext_band_en_bits; }},
        {&vcotest::Toggle2, 10, [](const EvalState& s) { return double(s.band_ctrl_bits); }},
        {&vcotest::Toggle3, 9, [](const EvalState& s) { return double(s.adc_ctrl_bits); }},
    };
    for (const auto& [toggle, bit, field] : cases) {
        Harness h("ksy7100-1");
        with_window(h, [&](vcotest& d) {
            for (bool on : {true, false}) {
                click(d.*toggle);
                EXPECT_EQ(field(h.state), on ? 1 << bit : 0) << bit;
                EXPECT_TRUE(h.words().empty()) << bit;
                EXPECT_TRUE(d.test_word_status->text().endsWith("not yet sent: press Update Testmode Latch"));
                click(d.Command1);
                const auto words = h.words();
                ASSERT_EQ(words.size(), 1u);
                EXPECT_EQ(bits(words[0], bit, bit), on ? 1u : 0u) << hex(words[0]);
                EXPECT_EQ(d.test_word_status->text(), QString("Test latch %1 sent to the board").arg(hex(words[0]).c_str()));
            }
        });
    }
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
    EXPECT_EQ(std::tuple(h.state.test_mode_code, h.state.readback_code, h.state.ext_band_code), std::tuple(9.0, 2, 3));
    with_window(h, [&](vcotest& d) {
        EXPECT_EQ(lists_of(d), std::tuple(9, 2, 3));
        EXPECT_EQ(switches_of(d), (std::vector<bool>{true, true, true, false}));
        EXPECT_TRUE(d.test_word_status->text().endsWith("not yet sent: press Update Testmode Latch"));
    });
}

TEST(VcoTest, ListsAndSwitchesAreReachedByTabAndCarryUniqueAccessibleNames) {
    Harness h("ksy7100-1");
    with_window(h, [&](vcotest& d) {
        d.show();
        QWidget* const order[] = {d.Combo3, d.Combo1, d.Combo2, d.Toggle4, d.Toggle2, d.Toggle3, d.Toggle1,
                                  d.Command1, d.Command2};
        d.Combo3->setFocus();
        std::set<QString> names;
        for (QWidget* expected : order) {
            ASSERT_EQ(d.focusWidget(), expected) << d.focusWidget()->objectName().toStdString();
            auto* button = qobject_cast<QPushButton*>(expected);
            EXPECT_TRUE(names.insert(button ? button->text() : expected->accessibleName()).second);
            QTest::keyClick(d.focusWidget(), Qt::Key_Tab);
        }
        EXPECT_FALSE(names.count(QString()));
        // A list reads out as a combo box labelled by its caption, its entry as value.
        for (auto [combo, caption] : {std::pair{d.Combo3, d.Label3}, {d.Combo1, d.Label4}, {d.Combo2, d.Label5}}) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(combo);
            EXPECT_EQ(a->role(), QAccessible::ComboBox);
            EXPECT_EQ(a->text(QAccessible::Value), combo->currentText());
            const auto labels = a->relations(QAccessible::Label);
            EXPECT_TRUE(std::ranges::any_of(labels, [&](const auto& l) { return l.first->object() == caption; }));
        }
    });
}
