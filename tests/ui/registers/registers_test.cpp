#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include "model/latch.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/registers/registers.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/toggle_switch.h"

using namespace dialog_tests;
using regmap::Row;
using testing_support::Harness;
using testing_support::hex;

namespace {

// Opens the register map from the main window's Registers button and acts on it.
QString with_registers(Harness& h, const std::function<void(registers&)>& act) {
    return through_entry<registers>(h, [&] { click(h.main->ui.Command1); }, act);
}

ToggleSwitch* toggle(registers& d, const char* name) {
    auto* t = d.findChild<ToggleSwitch*>(name);
    EXPECT_NE(t, nullptr) << name;
    return t;
}

// Presses Return in a row's entry after typing `text` there.
void type_word(registers& d, Row row, const QString& text) {
    QLineEdit* entry = d.word_entry(row);
    entry->clear();
    QTest::keyClicks(entry, text);
    QTest::keyClick(entry, Qt::Key_Return);
}

// Differences a send leaves in the state besides the fields: the copies of the words.
EvalState without_send_copies(EvalState s) {
    s.latch_select = 0;
    s.tx_word = 0;
    s.control_word = s.r_word = s.r_word_assembled = s.n_word = s.n_word_assembled = s.test_word = 0;
    s.shift_delay = 0;
    return s;
}

// A state the setting dialogs could leave, different from the defaults in every field the
// window shows.
void unusual_setup(EvalState& s) {
    s.prescaler_bits = 4194304;
    s.prescaler = 16;
    s.n_value = 16 * 700 + 9;
    s.b_counter = 700;
    s.a_counter = 9;
    s.vco_freq = s.n_value * 200 / 1000.0;
    s.powerdown_bits = 1048576;
    s.cs1_bits = 32768;
    s.cs2_bits = 393216;
    s.output_power = 2;
    s.core_power = 1;
    s.mute_till_ld_bits = 2048;
    s.cp_threestate_bits = 512;
    s.muxout_bits = 96;
    s.counter_reset_bits = 16;
    s.abp_width_bits = 65536;
    s.ldp_bits = 262144;
    s.bscd_bits = 2097152;
    s.out_div2_bits = 4194304;
}

}  // namespace

TEST(Registers, OpensFromBothEntriesForTheNineAndCancelLeavesEverythingAsItWas) {
    for (const char* variant : {"ksy7100-0", "ksy7100-4", "ksy7100-7", "ksy7100-8"}) {
        for (bool from_menu : {false, true}) {
            Harness h(variant);
            unusual_setup(h.state);
            if (std::string(variant) == "ksy7100-8") h.state.b_counter = 99;  // the row shows n_value instead
            h.state.a_counter = 40;  // beyond its field: shown greedily, kept as it is
            const EvalState before = h.state;
            QString opened = through_entry<registers>(
                h, [&] { from_menu ? h.main->ui.registermenu->trigger() : click(h.main->ui.Command1); },
                [&](registers& d) {
                    EXPECT_EQ(d.windowTitle(), "KSY 7100 Register Map");
                    for (QLabel* l : {d.Label35, d.Label36, d.Label37}) EXPECT_TRUE(l->text().isEmpty());
                    click(d.Command2);
                    EXPECT_FALSE(d.isVisible());
                });
            EXPECT_EQ(opened, "registers") << variant;
            EXPECT_TRUE(h.state == before) << variant;
            EXPECT_TRUE(h.words().empty()) << variant;
        }
    }
}

TEST(Registers, LoadNowUntouchedSendsTheWordsTheStateDescribesInTheOrderRControlN) {
    struct Case {
        const char* variant;
        bool unusual;
    };
    for (const Case& c : {Case{"ksy7100-1", false}, Case{"ksy7100-5", false}, Case{"ksy7100-6", false},
                          Case{"ksy7100-8", false}, Case{"ksy7100-2", true}}) {
        Harness h(c.variant);
        if (c.unusual) unusual_setup(h.state);
        h.state.test_enable_bits = 524288;  // not shown here, still sent
        const EvalState before = h.state;
        const uint32_t r = uint32_t(assemble_latch(before, kRLatch)), ctrl = uint32_t(assemble_latch(before, kControlLatch)),
                       n = uint32_t(assemble_latch(before, kNLatch));
        with_registers(h, [&](registers& d) {
            click(d.Command3);
            EXPECT_EQ(d.Label35->text().toStdString(), regmap::hex_word(ctrl));
            EXPECT_EQ(d.Label36->text().toStdString(), regmap::hex_word(n));
            EXPECT_EQ(d.Label37->text().toStdString(), regmap::hex_word(r));
            EXPECT_TRUE(d.isVisible());
        });
        EXPECT_EQ(h.words(), (std::vector<uint32_t>{r, ctrl, n})) << c.variant;
        EXPECT_TRUE(without_send_copies(h.state) == without_send_copies(before)) << c.variant;
    }
}

TEST(Registers, CpGainSwitchesSetTheirBitTheMainSwitchAndSendOnlyTheirLatch) {
    struct Case {
        const char* toggle;
        QPushButton* registers::*button;
        int32_t EvalState::*field;
        int32_t on_value;
        int latch;
    };
    const Case cases[] = {
        {"Toggle26", &registers::Command5, &EvalState::cp_gain_bits, 2097152, N},
        {"Toggle14", &registers::Command4, &EvalState::ctrl_cp_gain_bits, 1024, C},
    };
    for (const Case& c : cases) {
        Harness h("ksy7100-3");
        ASSERT_FALSE(h.main->ui.Toggle3->isChecked());
        with_registers(h, [&](registers& d) {
            click(toggle(d, c.toggle));
            EXPECT_TRUE(h.words().empty()) << "a switch alone sends nothing";
            EXPECT_EQ(h.state.*c.field, 0) << "a switch alone stores nothing";
            click(d.*c.button);
        });
        EXPECT_EQ(h.state.*c.field, c.on_value) << c.toggle;
        EXPECT_TRUE(h.main->ui.Toggle3->isChecked()) << c.toggle;
        const auto words = h.words();
        ASSERT_EQ(latches_of(words), std::vector<int>{c.latch}) << c.toggle;
        EXPECT_NE(words[0] & uint32_t(c.on_value), 0u) << hex(words[0]);
        with_registers(h, [&](registers& d) { EXPECT_TRUE(toggle(d, c.toggle)->isChecked()) << c.toggle; });

        // Off again: the main switch follows.
        with_registers(h, [&](registers& d) {
            click(toggle(d, c.toggle));
            click(d.*c.button);
        });
        EXPECT_EQ(h.state.*c.field, 0);
        EXPECT_FALSE(h.main->ui.Toggle3->isChecked());
    }
}

TEST(Registers, AntiBacklashSwitchesSetTheWidthTheMainCaptionAndTheRWord) {
    const std::tuple<bool, bool, int32_t, const char*> cases[] = {
        {false, false, 0, "3.0ns ABP width"},
        {false, true, 65536, "1.3ns ABP width"},
        {true, false, 131072, "6.0ns ABP width"},
        {true, true, 196608, "3.0ns ABP width"},
    };
    for (const auto& [high, low, bits_value, caption] : cases) {
        Harness h("ksy7100-1");
        h.state.abp_width_bits = 65536;
        with_registers(h, [&](registers& d) {
            toggle(d, "Toggle36")->setChecked(high);
            toggle(d, "Toggle37")->setChecked(low);
            toggle(d, "Toggle35")->setChecked(true);
            click(d.Command6);
        });
        EXPECT_EQ(h.state.abp_width_bits, bits_value);
        EXPECT_EQ(h.main->ui.abpw2->text(), caption);
        EXPECT_TRUE(h.main->ui.Toggle10->isChecked());
        EXPECT_EQ(h.state.ldp_bits, 262144);
        const auto words = h.words();
        ASSERT_EQ(latches_of(words), std::vector<int>{R});
        EXPECT_EQ(bits(words[0], 17, 16), uint32_t(bits_value >> 16));
    }
}

TEST(Registers, BothPrescalerSwitchesGiveBothBitsAndModulus32) {
    Harness h("ksy7100-7");  // opens with both off (8/9)
    with_registers(h, [&](registers& d) {
        EXPECT_FALSE(toggle(d, "Toggle1")->isChecked());
        click(toggle(d, "Toggle1"));
        click(toggle(d, "Toggle2"));
        click(d.Command4);
    });
    EXPECT_EQ(h.state.prescaler_bits, 12582912);
    EXPECT_EQ(h.state.prescaler, 32);
    EXPECT_EQ(h.state.n_value, 32 * 140 + 20);
    const auto words = h.words();
    ASSERT_EQ(latches_of(words), std::vector<int>{C});
    EXPECT_EQ(bits(words[0], 23, 22), 3u);
}

TEST(Registers, SingleModulusVariantRelabelsFourFieldsAndKeepsBEqualToN) {
    Harness h("ksy7100-8");
    h.state.n_value = 150;
    h.state.b_counter = 120;
    with_registers(h, [&](registers& d) {
        EXPECT_EQ(d.Label7->text(), "----------Not Used, Set to 0------------");
        EXPECT_EQ(d.Label11->text(), "Don't Care");
        EXPECT_EQ(d.Label12->text(), "Don't Care");
        EXPECT_EQ(d.Label18->text(), "Don't Care");
        EXPECT_EQ(d.Label8->text(), QString(54, '-') + "13 Bit N Counter" + QString(52, '-'));
        EXPECT_EQ(bits(d.bits()[Row::N], 20, 8), 150u);
        click(toggle(d, "Toggle27_0"));  // weight 4096
        click(d.Command5);
    });
    EXPECT_EQ(h.state.n_value, 4246);
    EXPECT_EQ(h.state.b_counter, 4246);
    EXPECT_EQ(h.state.prescaler, 1);
    EXPECT_DOUBLE_EQ(h.state.vco_freq, 4246 * h.state.pfd_freq / 1000);
    EXPECT_EQ(b_of(h.words().at(0)), 4246u);

    Harness other("ksy7100-1");
    with_registers(other, [&](registers& d) {
        EXPECT_EQ(d.Label8->text(), QString(59, '-') + "13 Bit B Counter" + QString(47, '-'));
        EXPECT_EQ(d.Label7->text(), QString(14, '-') + "5 Bit A Counter" + QString(15, '-'));
        EXPECT_EQ(d.Label18->text(), "Prescaler");
        EXPECT_EQ(d.findChild<QLabel*>("caption_r_DB15")->text(),
                  QString(50, '-') + "14 Bit R Counter" + QString(68, '-'));
    });
}

TEST(Registers, FieldsOutsideTheirLegalSetOpenWithTheirSwitchesOff) {
    Harness h("ksy7100-1");
    h.state.powerdown_bits = 7;
    h.state.cs2_bits = 917505;
    h.state.muxout_bits = 33;
    h.state.output_power = 9;
    h.state.cp_gain_bits = 1;
    h.state.div_sel_bits = 0.5;
    with_registers(h, [&](registers& d) {
        for (const char* name : {"Toggle3", "Toggle4", "Toggle5", "Toggle6", "Toggle7", "Toggle11", "Toggle12",
                                 "Toggle17", "Toggle18", "Toggle19", "Toggle26", "Toggle25_0"})
            EXPECT_FALSE(toggle(d, name)->isChecked()) << name;
        EXPECT_TRUE(toggle(d, "Toggle8")->isChecked()) << "a legal neighbour shows";
    });
}

TEST(Registers, EverySendIsRefusedWhileAllRSwitchesAreOff) {
    QPushButton* registers::* const buttons[] = {&registers::Command1, &registers::Command3, &registers::Command4,
                                                 &registers::Command5, &registers::Command6};
    for (auto button : buttons) {
        Harness h("ksy7100-2");
        const EvalState before = h.state;
        with_registers(h, [&](registers& d) {
            for (int db = 15; db >= 2; --db) d.switch_at(Row::R, db)->setChecked(false);
            click(toggle(d, "Toggle26"));
            click(d.*button);
            EXPECT_TRUE(d.isVisible()) << "stays open for mending";
            EXPECT_TRUE(d.Label35->text().isEmpty());
        });
        ASSERT_EQ(h.prompts.texts(), std::vector<QString>{regmap::kNoRCounter});
        EXPECT_TRUE(h.state == before);
        EXPECT_TRUE(h.words().empty());
        EXPECT_FALSE(h.main->ui.Toggle3->isChecked());
    }
}

TEST(Registers, ATypedWordSetsItsRowOnlyAndNothingIsSentUntilASendButton) {
    struct Case {
        Row row;
        const char* word;
        QPushButton* registers::*send;
    };
    const Case cases[] = {
        {Row::Control, "0x9fe1a4", &registers::Command4},
        {Row::N, "E0A307", nullptr},  // a test latch word: refused
        {Row::N, "E0A37E", &registers::Command5},
        {Row::R, "12345", &registers::Command6},
    };
    for (const Case& c : cases) {
        Harness h("ksy7100-4");
        const EvalState before = h.state;
        const regmap::RegisterBits opened = regmap::bits_from_state(h.state);
        const uint32_t word = QString(c.word).remove("0x").toUInt(nullptr, 16);
        with_registers(h, [&](registers& d) {
            d.show();
            type_word(d, c.row, c.word);
            EXPECT_TRUE(d.isVisible()) << "Return must not reach OK";
            EXPECT_TRUE(h.state == before);
            EXPECT_TRUE(h.words().empty());
            for (Row other : regmap::kRows) {
                if (other != c.row || !c.send) {
                    EXPECT_EQ(d.bits()[other], opened[other]) << c.word;
                }
            }
            if (!c.send) {
                EXPECT_EQ(h.prompts.messages.size(), 1u);
                EXPECT_EQ(d.word_entry(c.row)->text(), c.word) << "kept for correcting";
                return;
            }
            EXPECT_EQ(d.bits()[c.row], word & regmap::settable_mask(c.row));
            EXPECT_TRUE(d.word_entry(c.row)->text().isEmpty());
            EXPECT_EQ(d.word_entry(c.row)->placeholderText().toStdString(),
                      regmap::hex_word(word)) << "the entry shows the row's word";
            click(d.*c.send);
        });
        if (!c.send) continue;
        EXPECT_TRUE(h.prompts.messages.empty());
        EXPECT_EQ(h.words(), std::vector<uint32_t>{word}) << c.word;
    }
}

TEST(Registers, FixedDigitsAreGreyInertAndNeverSent) {
    Harness h("ksy7100-1");
    const uint32_t r = uint32_t(assemble_latch(h.state, kRLatch)), n = uint32_t(assemble_latch(h.state, kNLatch));
    with_registers(h, [&](registers& d) {
        const std::tuple<const char*, const char*> fixed[] = {
            {"Toggle23", "0"}, {"Toggle24", "0"}, {"Toggle28_0", "0"}, {"Toggle29_0", "1"}, {"Toggle29_1", "0"},
            {"Toggle30", "0"}, {"Toggle31", "0"}, {"Toggle32", "0"}, {"Toggle52", "0"}, {"Toggle53", "1"},
        };
        for (const auto& [name, digit] : fixed) {
            ToggleSwitch* t = toggle(d, name);
            EXPECT_TRUE(t->isFixed()) << name;
            click(t);
            QTest::keyClick(t, Qt::Key_Space);
            EXPECT_EQ(t->caption(), digit) << name;
        }
        EXPECT_TRUE(h.words().empty());
        click(d.Command6);
        click(d.Command5);
    });
    EXPECT_EQ(h.words(), (std::vector<uint32_t>{r, n}));
}

TEST(Registers, EverySwitchHasAUniqueNameAndTheSettableOnesTakeTabAndSpace) {
    Harness h("ksy7100-1");
    with_registers(h, [&](registers& d) {
        const auto switches = d.findChildren<ToggleSwitch*>();
        ASSERT_EQ(switches.size(), 72);
        QSet<QString> names, accessible;
        for (ToggleSwitch* t : switches) {
            names.insert(t->objectName());
            accessible.insert(t->accessibleName());
        }
        EXPECT_EQ(names.size(), 72);
        EXPECT_EQ(accessible.size(), 72);
        EXPECT_EQ(toggle(d, "Toggle26")->accessibleName(), "N latch DB21 CP Gain");
        EXPECT_EQ(toggle(d, "Toggle23")->accessibleName(), "Control latch DB1 address");
        EXPECT_EQ(toggle(d, "Toggle33")->accessibleName(), "R latch DB21 BSCB");
        EXPECT_EQ(toggle(d, "Toggle27_12")->accessibleName(), "N latch DB8 13 Bit B Counter");

        // Tab from the first switch visits every settable switch once, row by row from DB23.
        d.show();
        QApplication::setActiveWindow(&d);
        d.switch_at(Row::Control, 23)->setFocus();
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        std::vector<QWidget*> visited;
        for (int i = 0; i < 80; ++i) {
            if (auto* t = qobject_cast<ToggleSwitch*>(QApplication::focusWidget())) visited.push_back(t);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        std::vector<QWidget*> expected;
        for (Row row : regmap::kRows)
            for (int db = 23; db >= 0; --db)
                if (!d.switch_at(row, db)->isFixed()) expected.push_back(d.switch_at(row, db));
        ASSERT_GE(visited.size(), expected.size());
        visited.resize(expected.size());
        EXPECT_TRUE(visited == expected);

        ToggleSwitch* gain = toggle(d, "Toggle26");
        gain->setFocus();
        QTest::keyClick(gain, Qt::Key_Space);
        EXPECT_TRUE(gain->isChecked());
        EXPECT_EQ(gain->caption(), "1");
        click(d.Command5);
    });
    EXPECT_EQ(h.state.cp_gain_bits, 2097152);
}
