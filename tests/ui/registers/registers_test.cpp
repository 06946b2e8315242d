#include <gtest/gtest.h>

#include <QSignalSpy>
#include <algorithm>

#include "model/latch.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/registers/registers.h"
#include "ui/registers/vcotest.h"
#include "tests/support/window_scene.h"

using namespace dialog_tests;
using regmap::Row;
using testing_support::Harness;
using testing_support::hex;

namespace {

// Opens the register map from the main window's Registers button and acts on it.
void with_registers(Harness& h, const std::function<void(registers&)>& act) { through_entry<registers>(h, [&] { click(h.main->ui.Command1); }, act); }

ToggleSwitch* toggle(registers& d, const char* name) { return d.findChild<ToggleSwitch*>(name); }

// A consistent state that differs from the defaults in every field the window shows.
void unusual_setup(EvalState& s) {
    s.prescaler_bits = 4194304, s.prescaler = 16, s.r_counter = 16383, s.ref_freq = 16383 * 200e3;  // PFD 200 kHz
    s.b_counter = 8191, s.a_counter = 31, s.n_value = 16 * 8191 + 31, s.vco_freq = s.n_value * 200 / 1000.0;
    s.powerdown_bits = 1048576, s.cs1_bits = 32768, s.cs2_bits = 393216, s.output_power = 2, s.core_power = 1;
    s.mute_till_ld_bits = 2048, s.ctrl_cp_gain_bits = 1024, s.cp_threestate_bits = 512, s.pd_polarity_bits = 0;
    s.muxout_bits = 96, s.counter_reset_bits = 16, s.abp_width_bits = 65536, s.ldp_bits = 262144;
    s.bscd_bits = 2097152, s.cp_gain_bits = 2097152, s.div_sel_bits = 8388608, s.out_div2_bits = 4194304;
    s.test_enable_bits = 524288;  // not shown, still sent
}

// Opens the window as a user does, by a double click on the main window's picture.
void with_window(Harness& h, const std::function<void(vcotest&)>& act) {
    ASSERT_EQ(through_entry<vcotest>(h, [&] { QTest::mouseDClick(h.main->ui.Picture1, Qt::LeftButton); }, act), "vcotest");
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

const QString kPending = "not yet sent: press Update Testmode Latch";

}  // namespace

TEST(Registers, OpenedWithOnlyFixedDigitsClickedCancelChangesNothingAndLoadNowSendsTheStatesWordsRControlN) {
    struct Case { const char* variant; bool unusual, from_menu, load_now; };
    for (const Case& c : {Case{"ksy7100-0", true, false, false}, {"ksy7100-8", true, true, false}, {"ksy7100-1", false, true, true},
                          {"ksy7100-8", false, false, true}, {"ksy7100-2", true, false, true}}) {
        SCOPED_TRACE(c.variant);
        Harness h(c.variant);
        if (c.unusual) unusual_setup(h.state);
        if (!c.load_now) h.state.a_counter = 40;  // beyond its field: shown greedily, kept as it is
        const EvalState before = h.state;
        std::vector<uint32_t> words;
        if (c.load_now)
            for (uint8_t latch : {kRLatch, kControlLatch, kNLatch}) words.push_back(uint32_t(assemble_latch(before, latch)));
        const auto open = [&] { c.from_menu ? h.main->ui.registermenu->trigger() : click(h.main->ui.Command1); };
        EXPECT_EQ(through_entry<registers>(h, open, [&](registers& d) {
            const QLabel* sent[] = {d.Label37, d.Label35, d.Label36};  // R, control, N
            // Address and reserved digits: never set, not even by the user, and no Tab stops; R's DB19
            // shows the test-mode enable bit that every R word carries.
            const char* db19 = c.unusual ? "1" : "0";
            for (auto [name, digit] : {std::pair{"Toggle24", "0"}, {"Toggle28_0", "0"}, {"Toggle29_0", "1"},
                                       {"Toggle32", db19}, {"Toggle53", "1"}}) {
                ToggleSwitch* t = toggle(d, name);
                click(t);
                QTest::keyClick(t, Qt::Key_Space);
                EXPECT_TRUE(t->isFixed() && t->caption() == digit && t->focusPolicy() == Qt::NoFocus) << name;
            }
            click(c.load_now ? d.Command3 : d.Command2);
            for (size_t i = 0; i < words.size(); ++i) EXPECT_EQ(sent[i]->text().toStdString(), regmap::hex_word(words[i]));
        }), "registers");
        EXPECT_EQ(h.words(), words);
        EXPECT_TRUE(c.load_now ? fields_of(h.state) == fields_of(before) : h.state == before);
    }
}

// Return on a focused send button is the dialog's, as in every window here: OK loads all and closes.
TEST(Registers, ReturnOnAFocusedSendButtonPressesOk) {
    Harness h("ksy7100-1");
    with_registers(h, [&](registers& d) {
        ASSERT_TRUE(testing_support::activate(&d));
        QSignalSpy sent(d.Command5, &QPushButton::clicked);
        d.Command5->setFocus();
        QTest::keyClick(d.Command5, Qt::Key_Return);
        EXPECT_EQ(std::pair(int(sent.count()), d.isVisible()), std::pair(0, false));
    });
}

// An edit alone (a switch, a typed word, one confirmed with Return) stores and sends nothing. A
// send applies a word still typed in its row (or refuses it), stores and sends its own row only,
// the other rows keeping their edits, marked as not sent; a new core power level also goes to the
// test latch; the main window follows (its gain switch is the N latch's DB21 alone). The
// single-modulus variant refuses an A counter; with every R switch off nothing goes out. The
// window stays open; reopened, it shows what was stored.
TEST(Registers, SendsApplyTypedWordsStoreTheirOwnRowAndMarkTheOthersAsNotSent) {
    // message: empty for none; unsent: the marks of the control, N and R rows afterwards; check: what was stored
    using Check = std::function<void(Harness&, registers&)>;
    struct Case { const char *what, *variant; std::function<void(registers&)> edit; std::vector<QPushButton* registers::*> sends; std::vector<int> sent;
                  QString message = {}; std::array<bool, 3> unsent = {}; Check check = [](Harness&, registers&) {}; };
    const auto type = [](Row row, const char* word) { return [=](registers& d) { QTest::keyClicks(d.word_entry(row), word); }; };
    const auto enter = [](Row row, const char* word) {  // typed and confirmed with Return
        return [=](registers& d) {
            QTest::keyClicks(d.word_entry(row), word);
            QTest::keyClick(d.word_entry(row), Qt::Key_Return);
            EXPECT_TRUE(d.isVisible()) << "Return must not reach OK";
        };
    };
    const auto sent_word = [](Row row, uint32_t word) {
        return [=](Harness& h, registers& d) { EXPECT_EQ(std::pair(h.board->history().back(), d.word_entry(row)->text()), std::pair(word, QString())); };
    };
    const auto flip = [](std::vector<const char*> names) { return [=](registers& d) { for (const char* n : names) click(toggle(d, n)); }; };
    const auto gain_bits = [](int32_t n_gain, int32_t ctrl_gain) {
        return [=](Harness& h, registers&) { EXPECT_EQ(std::pair(h.state.cp_gain_bits, h.state.ctrl_cp_gain_bits), std::pair(n_gain, ctrl_gain)); };
    };
    const Case cases[] = {
        {"typed, not confirmed", "ksy7100-1", type(Row::N, "017706"), {&registers::Command5}, {N}},
        {"typed for another latch", "ksy7100-1", type(Row::N, "017707"), {&registers::Command3}, {},
         "17707 is a word for the test latch (address bits DB1, DB0 = 1, 1); this row takes N latch words (address bits 1, 0). Nothing was changed."},
        {"R sent, control edited", "ksy7100-1", flip({"Toggle19"}), {&registers::Command6}, {R}, {}, {true, false, false}},
        {"then control sent", "ksy7100-1", flip({"Toggle19"}), {&registers::Command6, &registers::Command4}, {R, C}},
        {"core power, one latch", "ksy7100-1", flip({"Toggle22"}), {&registers::Command4}, {C, T}},
        {"core power, all three", "ksy7100-1", flip({"Toggle22"}), {&registers::Command3}, {R, C, T, N}},
        {"an A counter without dual modulus", "ksy7100-8", flip({"Toggle28_5"}), {&registers::Command5}, {}, regmap::kSingleModulusA, {false, true, false}},
        {"no R counter", "ksy7100-2", [](registers& d) { for (int db = 15; db >= 2; --db) d.switch_at(Row::R, db)->setChecked(false); },
         {&registers::Command3}, {}, regmap::kNoRCounter, {false, false, true}},
        {"N gain", "ksy7100-3", flip({"Toggle26"}), {&registers::Command5}, {N}, {}, {}, gain_bits(2097152, 0)},
        {"N gain, all three", "ksy7100-3", flip({"Toggle26"}), {&registers::Command3}, {R, C, N}, {}, {}, gain_bits(2097152, 0)},
        {"control gain", "ksy7100-3", flip({"Toggle14"}), {&registers::Command4}, {C}, {}, {}, gain_bits(0, 1024)},
        {"anti-backlash width", "ksy7100-3", flip({"Toggle36", "Toggle37", "Toggle35"}), {&registers::Command6}, {R}, {}, {}, [](Harness& h, registers&) {
             EXPECT_EQ(std::tuple(h.state.abp_width_bits, h.main->ui.abpw2->text(), h.main->ui.Toggle10->isChecked()),
                       std::tuple(196608, QString("3.0ns ABP width"), true));
         }},
        {"prescaler 32/33 to both bits", "ksy7100-3", flip({"Toggle2"}), {&registers::Command4}, {C}, {}, {},
         [](Harness& h, registers&) { EXPECT_EQ(std::tuple(h.state.prescaler_bits, h.state.prescaler), std::tuple(12582912, 32)); }},
        // A word confirmed with Return sets its row alone (no mark on the others) and is sent as typed;
        // a refused one stays for correcting.
        {"control word confirmed", "ksy7100-4", enter(Row::Control, "0x9fe1a8"), {&registers::Command4}, {C}, {}, {}, sent_word(Row::Control, 0x9fe1a8)},
        {"N word confirmed", "ksy7100-4", enter(Row::N, "E0A37E"), {&registers::Command5}, {N}, {}, {}, sent_word(Row::N, 0xE0A37E)},
        {"R word confirmed", "ksy7100-4", enter(Row::R, "12345"), {&registers::Command6}, {R}, {}, {}, sent_word(Row::R, 0x12345)},
        {"test latch word confirmed", "ksy7100-4", enter(Row::N, "E0A307"), {}, {},
         "E0A307 is a word for the test latch (address bits DB1, DB0 = 1, 1); this row takes N latch words (address bits 1, 0). Nothing was changed.",
         {}, [](Harness&, registers& d) { EXPECT_EQ(d.word_entry(Row::N)->text(), "E0A307"); }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h(c.variant);
        std::array<bool, 3> marks{};
        with_registers(h, [&](registers& d) {
            d.show();
            const EvalState before = h.state;
            c.edit(d);
            EXPECT_TRUE(h.words().empty() && h.state == before) << "an edit alone stores and sends nothing";
            for (auto send : c.sends) click(d.*send);
            EXPECT_TRUE(d.isVisible()) << "a send, sent or refused, leaves the window open with its edits";
            for (Row row : regmap::kRows) marks[size_t(row)] = d.unsent_mark(row)->isVisibleTo(&d);
            c.check(h, d);
        });
        const auto words = h.words();
        EXPECT_EQ(latches_of(words), c.sent);
        EXPECT_EQ(h.prompts.texts(), c.message.isEmpty() ? std::vector<QString>{} : std::vector<QString>{c.message});
        EXPECT_EQ(marks, c.unsent);
        for (uint32_t w : words) EXPECT_EQ(w, uint32_t(assemble_latch(h.state, uint8_t(w & 3)))) << "the board holds the state";
        EXPECT_EQ(h.main->ui.Toggle3->isChecked(), h.state.cp_gain_bits != 0) << "the main window agrees with the latches";
        with_registers(h, [&](registers& d) { EXPECT_TRUE(d.bits() == regmap::bits_from_state(h.state)) << "reopened, it shows what was stored"; });
    }
}


// A list reads out its entry, labelled by the caption over it (the rest: accessibility_test.cpp).
TEST(VcoTest, OpensShowingTheStateAlsoToAssistiveTechnologyAndStoresOrSendsNothingNotEvenForProgramSetValues) {
    // expected: the three lists' indexes, then the four switches
    const std::tuple<const char*, std::function<void(EvalState&)>, std::vector<int>> cases[] = {
        {"ksy7100-8", [](EvalState& s) {
             s.test_mode_code = 13, s.readback_code = 2, s.ext_band_code = 6, s.ext_band_en_bits = 32768, s.adc_ctrl_bits = 512;
             s.test_enable_bits = 524288;
         }, {13, 2, 6, true, false, true, true}},
        // a code that no entry stands for selects none rather than claiming one
        {"ksy7100-4", [](EvalState& s) { s.test_mode_code = 16, s.band_ctrl_bits = 1024; }, {-1, 0, 0, false, true, false, false}}};
    for (const auto& [device, set, expected] : cases) {
        Harness h(device);
        set(h.state);
        const EvalState before = h.state;
        with_window(h, [&](vcotest& d) {
            const std::vector<int> shown{d.Combo3->currentIndex(), d.Combo1->currentIndex(), d.Combo2->currentIndex(), d.Toggle1->isChecked(),
                                         d.Toggle2->isChecked(), d.Toggle3->isChecked(), d.Toggle4->isChecked()};
            EXPECT_EQ(shown, expected) << device;
            for (auto [combo, caption] : {std::pair{d.Combo3, d.Label3}, {d.Combo1, d.Label4}, {d.Combo2, d.Label5}}) {
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(combo);
                EXPECT_EQ(std::pair(a->role(), a->text(QAccessible::Value)), std::pair(QAccessible::ComboBox, combo->currentText()));
                EXPECT_TRUE(std::ranges::any_of(a->relations(QAccessible::Label), [&](const auto& l) { return l.first->object() == caption; }));
            }
            d.Combo3->setCurrentIndex(4);
            d.Combo2->setCurrentIndex(1);
            for (ToggleSwitch* t : {d.Toggle1, d.Toggle4}) t->setChecked(!t->isChecked());
        });
        EXPECT_EQ(h.state, before) << device;
        EXPECT_TRUE(h.words().empty()) << device;
    }
}

// A choice is stored at once but sent only by Update, even after a Cancel and a reopening.
TEST(VcoTest, AChoiceOrATestLatchSwitchIsStoredAndOnlyUpdateSendsTheTestLatchWithTheStatesFields) {
    // Each act leaves the entry it picked or the caption of the switch it flipped.
    using Act = std::function<QString(vcotest&)>;
    auto picked = [](QComboBox* vcotest::*list, int i) -> Act { return [=](vcotest& d) { pick(d.*list, i); return (d.*list)->currentText(); }; };
    auto flipped = [](ToggleSwitch* vcotest::*t) -> Act { return [=](vcotest& d) { click(d.*t); return (d.*t)->caption(); }; };
    const std::tuple<const char*, Act, uint32_t> cases[] = {
        // The state has DB15 and DB9 on and core power 1 (DB3..DB2); code 7 lands in DB14..DB11.
        {"R Div / 2 Select", picked(&vcotest::Combo3, 7), 0b1'0111'0'1'00'000'01},
        {"SAR Readback", picked(&vcotest::Combo1, 2), 0b1'0000'0'1'10'000'01}, {"1,0,1", picked(&vcotest::Combo2, 5), 0b1'0000'0'1'00'101'01},
        {"External Band Disable", flipped(&vcotest::Toggle1), 0b0'0000'0'1'00'000'01},
        {"Band Control Enabled", flipped(&vcotest::Toggle2), 0b1'0000'1'1'00'000'01},
        {"ADC Control Disable", flipped(&vcotest::Toggle3), 0b1'0000'0'0'00'000'01}};
    for (const auto& [what, act, db15_to_db2] : cases) {
        SCOPED_TRACE(what);
        Harness h("ksy7100-3");
        h.state.ext_band_en_bits = 32768, h.state.adc_ctrl_bits = 512, h.state.core_power = 1;
        with_window(h, [&](vcotest& d) {
            EXPECT_EQ(act(d), what);
            click(d.Command2);  // Cancel keeps the choice, unsent
            EXPECT_FALSE(d.isVisible());
        });
        with_window(h, [&](vcotest& d) {
            EXPECT_TRUE(h.words().empty()) << "nothing is sent before Update";
            EXPECT_TRUE(d.test_word_status->text().endsWith(kPending)) << "reopened, it says so";
            click(d.Command1);
            const auto words = h.words();
            ASSERT_EQ(latches_of(words), std::vector<int>{T});
            EXPECT_EQ(words[0], db15_to_db2 << 2 | 3) << hex(words[0]);
            EXPECT_EQ(d.test_word_status->text(), QString("Test latch %1 sent to the board").arg(hex(words[0]).c_str()));
        });
    }
}

// Test Enable brings the main window up to date (its words are the action's: action_parity_test).
TEST(VcoTest, TestEnableRefreshesTheMainWindow) {
    Harness h("ksy7100-5");
    h.state.vco_freq = 1234;
    with_window(h, [&](vcotest& d) {
        click(d.Toggle4);
        EXPECT_EQ(h.main->ui.vcofreq->text(), "1234.00000MHz");
    });
}
