#include <gtest/gtest.h>

#include "model/board_presets.h"
#include "model/latch.h"
#include "tests/support/refusal.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/dialogs/bandselectform.h"
#include "ui/dialogs/conversionform.h"
#include "ui/dialogs/crystalform.h"
#include "ui/dialogs/current_form.h"
#include "ui/dialogs/fastlockform.h"
#include "ui/dialogs/muxform.h"
#include "ui/dialogs/planform.h"
#include "ui/dialogs/powerform.h"
#include "ui/dialogs/prescaleform.h"
#include "ui/dialogs/resend_form.h"
#include "ui/dialogs/synthform.h"

using namespace dialog_tests;
using testing_support::expect_refused;
using testing_support::Harness;

namespace {

QStringList knob_labels(const SelectorKnob* knob) {
    QStringList labels;
    for (int p = 0; p < knob->positions(); ++p) labels << knob->label(p);
    return labels;
}

}  // namespace

// The reference is applied with R truncated from the quotient and N for the 2400 MHz asked for at
// the PFD that makes, and sent; or refused, which keeps the old reference and counters (the entry
// emptied, or kept where only the R it gives is wrong).
TEST(Crystalform, AppliesTheReferenceWithTruncatedROrRefusesItChangingAndSendingNothing) {
    const QString invalid = "Invalid entry in crystal Frequency.";
    struct Case { const char* entry; double pfd; const char* shown; uint32_t r, n; const char* crystal; QString refusal; };
    const Case cases[] = {
        {"19.2", 200, "19.200000", 96, 12000, "19.20000MHz", {}},
        {"10.3", 200, "10.300000", 51, 11883, "10.30000MHz", {}},  // 51.5 truncated, not rounded
        {"abc", 200, "", 0, 0, "10.00000MHz", invalid},
        {"12", 0, "", 0, 0, "10.00000MHz", invalid},  // no R from a PFD of 0: the new reference is not kept either
        {"4000", 200, "4000", 0, 0, "10.00000MHz", "The R counter would be 20000; it must be 1 to 16383."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        Harness h("ksy7100-1");
        h.state.asked_pfd_freq = c.pfd;
        const EvalState before = h.state;
        QString left;
        through_entry<crystalform>(h, [&] { click(h.main->ui.Label29); }, [&](crystalform& d) {
            d.Text1->setText(c.entry);
            click(d.Command3);
            left = d.Text1->text();
        });
        EXPECT_EQ(left, c.shown);
        EXPECT_EQ(h.main->ui.crystal->text(), c.crystal);
        if (c.refusal.isEmpty()) {
            const auto words = h.words();  // their order: actions_test
            EXPECT_EQ(std::tuple(r_of(word_of(words, R)), b_of(word_of(words, N)) * 32 + a_of(word_of(words, N))), std::tuple(c.r, c.n));
        } else {
            expect_refused(h, before, c.refusal);
            EXPECT_TRUE(h.prompts.messages.at(0).beep);
        }
    }
}

// The dialog relabels its knob for the RSet typed, stores the code and
// the gain it stands for (0 for setting 1, 2097152 for setting 2) and sends every latch; the
// other dialog relabels as it opens.
TEST(CurrentForms, ApplyStoresCodeGainAndRsetRelabelsAndSendsEveryLatch) {
    struct Case { ClickLabel* Main::Controls::*entry; int position, low_bit; bool gain; const char* rset; QStringList labels; };
    const Case cases[] = {  // low_bit: the code's lowest bit in the control latch
        {&Main::Controls::currentsetting1, 7, 14, false, "2700", {"0.54", "1.09", "1.63", "2.18", "2.72", "3.26", "3.81", "4.35"}},
        {&Main::Controls::Label4, 5, 17, true, "10000", {"0.15", "0.29", "0.44", "0.59", "0.73", "0.88", "1.03", "1.18"}}};
    for (const auto& c : cases) {
        Harness h("ksy7100-3");
        h.state.cp_gain_bits = c.gain ? 0 : 2097152;  // the dialog sets the other value
        QStringList labels;
        through_entry<CurrentForm>(h, [&] { click(h.main->ui.*(c.entry)); }, [&](CurrentForm& d) {
            d.Selector1->setPosition(c.position);
            d.Text2->setText(c.rset);
            click(d.Command1);
            labels = knob_labels(d.Selector1);
        });
        const auto words = h.words();
        EXPECT_EQ(labels, c.labels);
        EXPECT_EQ(bits(word_of(words, C), c.low_bit + 2, c.low_bit), uint32_t(c.position));
        EXPECT_EQ(bits(word_of(words, N), 21, 21), c.gain ? 1u : 0u);
        EXPECT_EQ(h.main->ui.Toggle3->isChecked(), c.gain) << "the gain switch shows the stored gain";
        EXPECT_EQ(knob_labels(CurrentForm(*h.main, c.gain ? CurrentSetting::One : CurrentSetting::Two).Selector1), c.labels);
    }
}

TEST(CurrentForms, ARejectedRsetLeavesEveryFieldTheLabelsAndTheBoardAlone) {
    const QString not_a_number = "Invalid entry in R Set: enter the resistance in ohms, such as 4700.",
                  not_above_0 = "Invalid entry in R Set: the resistance must be above 0 ohms.";
    for (const auto& [text, message] : {std::pair{"abc", not_a_number}, {"-4700", not_above_0}}) {
        SCOPED_TRACE(text);
        Harness h("ksy7100-1");
        CurrentForm d(*h.main, CurrentSetting::Two);
        const QStringList labels = knob_labels(d.Selector1);
        const EvalState before = h.state;
        d.Selector1->setPosition(1);
        d.Text2->setText(text);
        click(d.Command3);
        expect_refused(h, before, message);
        EXPECT_EQ(std::pair(d.Text2->text(), d.focusWidget()), std::pair(QString(), static_cast<QWidget*>(d.Text2))) << "emptied for correcting";
        EXPECT_EQ(knob_labels(d.Selector1), labels);
    }
    // A stored code off the table and a board name: the design-time knob, and no gain change.
    Harness h("ksy7100-1");
    h.state.cs1_bits = 1, h.state.device = "ksy7103", h.state.cp_gain_bits = 2097152;
    CurrentForm d(*h.main, CurrentSetting::One);
    EXPECT_EQ(d.Selector1->position(), 0);
    EXPECT_EQ(knob_labels(d.Selector1), (QStringList{"0.31", ".62", ".93", "1.25", "1.56", "1.87", "2.18", "2.5"}));
    click(d.Command3);
    EXPECT_EQ(h.state.cp_gain_bits, 2097152);
}

// OK applies under the busy pointer: busy before the control word goes out, back after it. PD2
// set alone (2097152) opens on normal operation, whose own code is 0.
TEST(Powerform, EachModeSendsOneControlWordUnderTheBusyPointerAndReopensOnIt) {
    // Records each time the dialog's pointer turns busy or back, with the words loaded by then.
    struct CursorLog : QObject {
        boardlink::SimBoard* board = nullptr;
        bool busy = false;
        std::vector<std::pair<bool, uint64_t>> changes;
        bool eventFilter(QObject* o, QEvent* e) override {
            auto* w = static_cast<QWidget*>(o);
            const bool now = e->type() == QEvent::CursorChange ? w->testAttribute(Qt::WA_SetCursor) && w->cursor().shape() == Qt::WaitCursor : busy;
            if (now != busy) changes.emplace_back(now, board->words_loaded());
            return busy = now, false;
        }
    };
    const std::tuple<QRadioButton* powerform::*, uint32_t, int32_t, const char*> cases[] = {
        {&powerform::Option1, 0, 2097152, "Normal Operation"}, {&powerform::Option2, 3, 1048576, "Synchronous Powerdown"},
        {&powerform::Option3, 1, 3145728, "Asynchronous Powerdown"}};
    for (const auto& [option, pd, stored, shown] : cases) {
        SCOPED_TRACE(shown);
        Harness h("ksy7100-4");
        h.state.powerdown_bits = stored;
        CursorLog log;
        log.board = h.board;
        const uint64_t start = h.board->words_loaded();
        through_entry<powerform>(h, [&] { click(h.main->ui.Command2); }, [&](powerform& d) {
            EXPECT_EQ(d.Option1->isChecked(), stored == 2097152);
            d.installEventFilter(&log);
            click(d.*option);
            click(d.Command1);
        });
        // One word under the busy pointer; that it is the control word alone: actions_test.
        EXPECT_EQ(log.changes, (std::vector<std::pair<bool, uint64_t>>{{true, start}, {false, start + 1}}));
        EXPECT_EQ(bits(word_of(h.words(), C), 21, 20), pd);
        EXPECT_EQ(h.main->ui.Label10->text(), shown);
        EXPECT_TRUE((powerform(*h.main).*option)->isChecked());
    }
    // Outside the nine: nothing selected; a choice is refused, storing and sending nothing.
    Harness h("ksy7100-1");
    h.state.device = "ksy7101", h.state.powerdown_bits = 3145728;
    const EvalState before = h.state;
    powerform d(*h.main);
    EXPECT_FALSE(d.Option1->isChecked() || d.Option2->isChecked() || d.Option3->isChecked());
    click(d.Option1);
    click(d.Command3);
    expect_refused(h, before, "The power-down setting is set only for the variants KSY7100-0 to KSY7100-8, and the "
                              "device is \"ksy7101\", a board preset, whose latch writes carry no data. Nothing was "
                              "changed or sent.");
}

TEST(Muxform, EachChoiceStoresItsCodeSendsTheControlLatchAndReopensOnIt) {
    for (const char* device : {"ksy7100-6", "ksy7100-8"}) {
        const bool single = std::string(device) == "ksy7100-8";
        for (int option = 1; option <= 8; ++option) {
            Harness h(device);
            through_entry<muxform>(h, [&] { click(h.main->ui.Command10); }, [&](muxform& d) {
                EXPECT_EQ(std::pair(d.Option[5]->text() == "Not Used", d.Option[6]->text() == "Not Used"), std::pair(single, single));
                click(d.Option[option - 1]);
                click(d.Command3);
            });
            const auto words = h.words();
            ASSERT_EQ(latches_of(words), std::vector<int>{C});
            EXPECT_EQ(bits(words[0], 7, 5), uint32_t(option - 1)) << device;
            EXPECT_TRUE(muxform(*h.main).Option[option - 1]->isChecked()) << device << " " << option;
        }
    }
    Harness h("ksy7100-1");
    h.state.muxout_bits = 16;  // no code of the dialog: it opens on none
    for (QRadioButton* option : muxform(*h.main).Option) EXPECT_FALSE(option->isChecked());
}

// N = 12005 splits with the remainder 5 at each modulus; the knob's fourth position is a second
// 32/33 that sets both prescaler bits.
TEST(Prescaleform, EachPositionSplitsNSendsEveryLatchAndReopensAtItsPositionAndAFailureAssignsNothing) {
    const uint32_t b_of_position[] = {1500, 750, 375, 375};
    for (int position = 0; position < 4; ++position) {
        SCOPED_TRACE(position);
        Harness h("ksy7100-1");
        h.state.asked_vco_freq = 2401;
        through_entry<prescaleform>(h, [&] { click(h.main->ui.Label3); }, [&](prescaleform& d) {
            d.Selector1->setPosition(position);
            click(d.Command3);
        });
        const auto words = h.words();
        EXPECT_EQ(std::pair(b_of(word_of(words, N)), a_of(word_of(words, N))), std::pair(b_of_position[position], 5u));
        EXPECT_EQ(bits(word_of(words, C), 23, 22), uint32_t(position));
        EXPECT_EQ(prescaleform(*h.main).Selector1->position(), position);
    }
    // Counters that cannot be computed are reported and nothing is assigned.
    Harness h("ksy7100-1");
    h.state.asked_pfd_freq = 0;
    prescaleform d(*h.main);
    const EvalState before = h.state;
    d.Selector1->setPosition(1);
    click(d.Command3);
    expect_refused(h, before, "The counters cannot be computed with a PFD frequency of 0 kHz.");
}

TEST(Bandselectform, EachPositionShowsItsRatioAndSendsItInTheRLatch) {
    for (int position : {3, 2, 1, 0}) {
        Harness h("ksy7100-7");
        through_entry<Bandselectform>(h, [&] { h.main->ui.bandselect->trigger(); }, [&](Bandselectform& d) {
            d.Selector1->setPosition(position);
            click(d.Command3);
        });
        EXPECT_EQ(bits(word_of(h.words(), R), 21, 20), uint32_t(position));
        EXPECT_EQ(h.main->ui.Label12->text(), QString::number(1 << position));  // the divider
        EXPECT_EQ(Bandselectform(*h.main).Selector1->position(), position);
    }
}


TEST(Synthform, LoadNowSendsOnlyTheLatchOfTheFrequencyThatChanged) {
    struct Case { const char *vco, *pfd; std::vector<int> sent; uint32_t r, n, b, a; const char* vcofreq; };
    const Case cases[] = {
        {"2400.2", "200", {N}, 50, 12001, 375, 1, "2400.20000MHz"},  // the worked example
        {"2400", "100", {R, N}, 100, 24000, 750, 0, "2400.00000MHz"},  // a new PFD needs a new N
        {"2401", "100", {R, N}, 100, 24010, 750, 10, "2401.00000MHz"},
        {"2400.1", "200", {}, 50, 12000, 375, 0, "2400.00000MHz"},   // N rounds half to even
    };
    for (const auto& c : cases) {
        Harness h("ksy7100-1");
        for (uint8_t latch : {C, R, N}) h.main->send(latch);  // the board holds the plan shown
        h.words();
        QStringList labels;
        through_entry<synthform>(h, [&] { click(h.main->ui.vcofreq); }, [&](synthform& d) {
            d.Text1->setText(c.vco); d.Text2->setText(c.pfd);
            click(d.Command3);
            labels = {d.Label4->text(), d.Label5->text(), d.Label6->text(), d.Label7->text()};
        });
        EXPECT_EQ(latches_of(h.words()), c.sent) << c.vco << " " << c.pfd;  // their words: action_parity_test
        EXPECT_EQ(labels, (QStringList{QString::number(c.n), "32", QString::number(c.b), QString::number(c.a)}));
        EXPECT_EQ(std::pair(h.state.r_counter, h.main->ui.vcofreq->text()), std::pair(int32_t(c.r), QString(c.vcofreq)));
    }
}

TEST(Synthform, ChannelButtonsStepFromTheFiveDecimalTextAndSendTheNLatchOnly) {
    Harness h("ksy7100-1");
    h.main->send(R);  // the board holds the R the steps keep
    h.words();
    synthform d(*h.main);
    d.Text1->setText("2400.2");
    const std::tuple<QPushButton*, const char*, uint32_t> steps[] = {
        {d.Command4, "2400.40000", 2}, {d.Command4, "2400.60000", 3}, {d.Command5, "2400.40000", 2}};
    for (const auto& [button, text, a] : steps) {
        click(button);
        const auto words = h.words();
        EXPECT_EQ(d.Text1->text(), text);
        ASSERT_EQ(latches_of(words), std::vector<int>{N});
        EXPECT_EQ(std::pair(b_of(words[0]), a_of(words[0])), std::pair(375u, a));
    }
    EXPECT_EQ(h.state.loaded_vco_mhz, 2400) << "the channel buttons leave the loaded frequencies";
}

// OK runs Load Now and closes after the message all the same.
TEST(Synthform, BadEntriesShowTheirMessageEmptyTheEntryOfTheirStepAndChangeNothing) {
    const auto T1 = &synthform::Text1, T2 = &synthform::Text2;
    using Button = QPushButton* synthform::*;
    const Button ok = &synthform::Command1, load_now = &synthform::Command3, up = &synthform::Command4, down = &synthform::Command5;
    const QString vco = "Invalid entry in VCO Frequency.", pfd = "Invalid entry in reference frequency.";
    struct Case { QLineEdit* synthform::*entry; const char* text; Button button; QString message; QLineEdit* synthform::*emptied; };
    // emptied: the entry emptied and focused; nullptr: the entries stay as typed
    const Case cases[] = {
        {T1, "abc", load_now, vco, T1}, {T1, "abc", ok, vco, T1}, {T2, "0", load_now, pfd, T2}, {T2, "0", up, pfd, T2},
        {T2, "abc", down, vco, T1},  // the channel buttons read both entries first
        {T1, "0", load_now, "The total divide ratio N would be 0; it must be at least 1.", nullptr},
        {T2, "0.5", up, "The R counter would be 20000; it must be 1 to 16383.", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Harness h("ksy7100-1");
        synthform d(*h.main);
        QLineEdit* entry = d.*(c.entry);
        entry->setText(c.text);
        const EvalState before = h.state;
        click(d.*(c.button));
        expect_refused(h, before, c.message);
        EXPECT_EQ(h.prompts.messages.at(0).icon, MessageIcon::Exclamation);
        QLineEdit* emptied = c.emptied ? d.*(c.emptied) : nullptr;
        EXPECT_EQ(entry->text(), entry == emptied ? QString() : QString(c.text));
        if (emptied) { EXPECT_EQ(std::pair(emptied->text(), d.focusWidget()), std::pair(QString(), static_cast<QWidget*>(emptied))); }
        EXPECT_EQ(d.isVisible(), c.button != ok);
    }
}

// "Plan..." lists the planner's plans for the frequency entered and loads the one chosen through
// Load Now, a plan of another modulus through the prescaler's apply first: the board then makes it.
TEST(Synthform, PlanLoadsTheChosenPlanThroughTheDialogsOwnLoad) {
    // The first plan: for 2400.1, R 100 at 32/33 (Load Now alone); for 2400, R 1 at 16/17 (the
    // prescaler's apply, then Load Now).
    for (const auto& [wanted, sent] : {std::pair{"2400.1", std::vector<int>{R, N}}, {"2400", {T, N, R, C, R, N}}}) {
        SCOPED_TRACE(wanted);
        Harness h("ksy7100-1");
        h.main->send(C);  // the board's prescaler is set
        h.words();
        synthform d(*h.main);
        d.Text1->setText(wanted);
        std::optional<FrequencyPlan> loaded;
        h.prompts.on_modal = [&](QDialog& dialog) {
            auto& planner = dynamic_cast<planform&>(dialog);
            ASSERT_GT(planner.Table1->rowCount(), 0);
            planner.Table1->selectRow(0);
            click(planner.Command1);
            loaded = planner.chosen();
        };
        click(d.Command6);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(latches_of(h.words()), sent);
        EXPECT_EQ(h.board->output_frequency_hz().value_or(0), loaded->vco_mhz * 1e6);
        EXPECT_EQ(h.state.r_counter, loaded->r);
    }
}

// OK loads the chosen board's setup (its words: action_parity_test), or with none chosen changes
// nothing and sends the four latches in order; the dialog opens again on the board chosen.
TEST(Presetform, LoadsTheChosenBoardOrNothingAndReopensOnIt) {
    for (int option = 0; option <= 5; ++option) {
        SCOPED_TRACE(option);
        Harness h("ksy7100-1");
        const EvalState before = h.state;
        choose_board(h, option);
        EXPECT_EQ(h.main->ui.eval->text().toStdString(), option ? kBoardPresets[option - 1].caption : "KSY7100-1EB1");
        const auto words = h.words();
        EXPECT_EQ(words.size(), 4u);
        EXPECT_TRUE(option || (latches_of(words) == std::vector<int>({T, N, R, C}) && fields_of(h.state) == fields_of(before)));
        std::vector<bool> marked, chosen(5);
        if (option) chosen[option - 1] = true;
        through_entry<presetform>(h, [&] { h.main->ui.mnuEval->trigger(); },
                                  [&](presetform& d) { for (auto* o : d.Option) marked.push_back(o->isChecked()); });
        EXPECT_EQ(marked, chosen);
    }
}

// Each width is stored, shown and sent, and the dialog reopens on it; the stored 196608 on the
// lower of the two "3.0 nsecs" choices, its own code 11.
TEST(Fastlockform, StoresTheWidthShowsItSendsTheRLatchWithItsBitsAndReopensOnIt) {
    const std::tuple<int, int32_t, const char*> cases[] = {
        {1, 0, "3.0ns ABP width"}, {2, 65536, "1.3ns ABP width"}, {3, 131072, "6.0ns ABP width"}, {4, 196608, "3.0ns ABP width"}};
    for (const auto& [option, width_bits, caption] : cases) {
        SCOPED_TRACE(option);
        Harness h("ksy7100-4");
        h.state.abp_width_bits = option == 1 ? 65536 : 0;
        through_entry<fastlockform>(h, [&] { click(h.main->ui.abpw2); }, [&](fastlockform& d) {
            click(d.Option[option - 1]);
            click(d.Command3);
        });
        EXPECT_EQ(h.state.abp_width_bits, width_bits);
        EXPECT_EQ(h.main->ui.abpw2->text(), caption);
        EXPECT_EQ(bits(word_of(h.words(), R), 17, 16), uint32_t(option - 1));  // the order: actions_test
        fastlockform again(*h.main);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(again.Option[i]->isChecked(), i + 1 == option);
    }
}

// A setting stored by a window that sent nothing yet goes out with the word; the main window is
// not refreshed.
TEST(Form1, EachButtonResendsOneWordAssembledFromTheStateAndChangesNoSetting) {
    Harness h("ksy7100-2");
    const QString shown = h.main->ui.vcofreq->text();
    h.state.b_counter = 300;
    Form1 d(*h.main);
    for (const auto& [button, latch] : {std::pair{d.Command6, R}, {d.Command6, R}, {d.Command1, T}, {d.Command7, C}, {d.Command2, N}}) {
        SCOPED_TRACE(latch);
        const EvalState before = h.state;
        click(button);
        auto words = h.words();
        ASSERT_EQ(latches_of(words), std::vector<int>{latch});
        EXPECT_EQ(h.state.latch_select, latch);
        EXPECT_TRUE(fields_of(h.state) == fields_of(before));
        EXPECT_EQ(int64_t(words[0]), assemble_latch(h.state, uint8_t(latch)));
    }
    EXPECT_EQ(b_of(h.board->latches()[N].value()), 300u);
    EXPECT_EQ(h.main->ui.vcofreq->text(), shown);
    EXPECT_TRUE(d.isVisible());
    click(d.Command3);
    EXPECT_FALSE(d.isVisible());
}

// One conversion after another in the same window: each option runs its own conversion (the
// conversions' values are tested in tests/model/conversion_test.cpp). A non-number or an overflow
// (answer nullptr) beeps, empties and focuses the entry and keeps the answer shown before.
TEST(Conversionform, ConvertsByTheChosenOptionOrRefusesAndKeepsTheAnswer) {
    Harness h("ksy7100-1");
    conversionform d(*h.main);
    const std::tuple<QRadioButton*, const char*, const char*> steps[] = {
        {d.Option1, "0", "0.22361"},  {d.Option1, "abc", nullptr},   {d.Option1, "", nullptr},
        {d.Option2, "1", "13.01030"}, {d.Option1, "3100", nullptr},  {d.Option2, "0", "undefined"},
        {d.Option3, "1e5", nullptr},  {d.Option3, "20", "10.00000"}, {d.Option2, "1 2", nullptr}, {d.Option4, "2", "6.02060"}};
    for (const auto& [option, input, answer] : steps) {
        SCOPED_TRACE(input);
        const QString previous = d.Text2->text();
        h.prompts.messages.clear();
        click(option);
        d.Text1->setText(input);
        click(d.Command1);
        if (answer) {
            EXPECT_EQ(std::tuple(h.prompts.texts().size(), d.Text2->text(), d.Text1->text()), std::tuple(size_t(0), QString(answer), QString(input)));
            continue;
        }
        ASSERT_EQ(h.prompts.texts(), std::vector<QString>{"Invalid entry. This must be a number"});
        EXPECT_TRUE(h.prompts.messages[0].beep && h.prompts.messages[0].icon == MessageIcon::Exclamation);
        EXPECT_EQ(std::tuple(d.Text1->text(), d.focusWidget(), d.Text2->text()), std::tuple(QString(), (QWidget*)d.Text1, previous));
    }
    EXPECT_TRUE(h.words().empty());
}
