#include <gtest/gtest.h>

#include "model/board_presets.h"
#include "model/latch.h"
#include "tests/support/refusal.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/dialogs/conversionform.h"
#include "ui/dialogs/crystalform.h"
#include "ui/dialogs/current_form.h"
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

QStringList knob_labels(const SelectorKnob* knob) {  // none for no knob
    QStringList labels;
    for (int p = 0; knob && p < knob->positions(); ++p) labels << knob->label(p);
    return labels;
}

// Clicks the main window's control `name`, or triggers its menu entry of that name.
void use_entry(Main& main, const char* name) {
    auto* entry = main.findChild<QObject*>(name);
    if (auto* action = qobject_cast<QAction*>(entry)) action->trigger();
    else click(qobject_cast<QWidget*>(entry));
}

// A setting dialog's choice: the position of its knob, or its radio button of that index.
void pick(QDialog& d, int choice) {
    const auto options = d.findChildren<QRadioButton*>();
    if (auto* knob = d.findChild<SelectorKnob*>()) knob->setPosition(choice);
    else if (choice < options.size()) click(options[choice]);
}

// The choice it shows, -1 for none.
int shown_choice(const QDialog& d) {
    if (auto* knob = d.findChild<SelectorKnob*>()) return knob->position();
    const auto options = d.findChildren<QRadioButton*>();
    const auto on = std::ranges::find_if(options, &QRadioButton::isChecked);
    return on == options.end() ? -1 : int(on - options.begin());
}

template <class Dialog, auto... with>
std::unique_ptr<QDialog> make(Main& main) { return std::make_unique<Dialog>(main, with...); }

}  // namespace

// The reference is applied with R truncated from the quotient and N for the 2400 MHz asked for at
// the PFD that makes, and sent.
TEST(Crystalform, AppliesTheReferenceWithTruncatedRAndSendsIt) {
    struct Case { const char *entry, *shown; uint32_t r, n; const char* crystal; };
    const Case cases[] = {{"19.2", "19.200000", 96, 12000, "19.20000MHz"},
                          {"10.3", "10.300000", 51, 11883, "10.30000MHz"}};  // 51.5 truncated, not rounded
    for (const auto& c : cases) {
        Harness h("ksy7100-1");
        through_entry<crystalform>(h, [&] { click(h.main->ui.Label29); }, [&](crystalform& d) {
            d.Text1->setText(c.entry);
            click(d.Command3);
            EXPECT_EQ(d.Text1->text(), c.shown);
        });
        const auto words = h.words();  // their order: command_language_test
        EXPECT_EQ(h.main->ui.crystal->text(), c.crystal);
        EXPECT_EQ(std::tuple(bits(word_of(words, R), 15, 2), b_of(word_of(words, N)) * 32 + a_of(word_of(words, N))), std::tuple(c.r, c.n));
    }
}

// The dialog relabels its knob for the RSet typed, stores the code and the gain it stands for (0 for
// setting 1, 2097152 for setting 2) and sends every latch; the other dialog relabels as it opens.
TEST(CurrentForms, ApplyStoresCodeGainAndRsetRelabelsAndSendsEveryLatch) {
    struct Case { ClickLabel* Main::Controls::*entry; int position, low_bit; bool gain; const char* rset; QStringList labels; };
    const Case cases[] = {  // low_bit: the code's lowest bit in the control latch
        {&Main::Controls::currentsetting1, 7, 14, false, "2700", {"0.54", "1.09", "1.63", "2.18", "2.72", "3.26", "3.81", "4.35"}},
        {&Main::Controls::Label4, 5, 17, true, "10000", {"0.15", "0.29", "0.44", "0.59", "0.73", "0.88", "1.03", "1.18"}}};
    for (const auto& c : cases) {
        Harness h("ksy7100-3");
        h.state.cp_gain_bits = c.gain ? 0 : 2097152;  // the dialog sets the other value
        through_entry<CurrentForm>(h, [&] { click(h.main->ui.*(c.entry)); }, [&](CurrentForm& d) {
            d.Selector1->setPosition(c.position);
            d.Text2->setText(c.rset);
            click(d.Command1);
            EXPECT_EQ(knob_labels(d.Selector1), c.labels);
        });
        const auto words = h.words();
        EXPECT_EQ(bits(word_of(words, C), c.low_bit + 2, c.low_bit), uint32_t(c.position));
        EXPECT_EQ(bits(word_of(words, N), 21, 21), c.gain ? 1u : 0u);
        EXPECT_EQ(h.main->ui.Toggle3->isChecked(), c.gain) << "the gain switch shows the stored gain";
        EXPECT_EQ(knob_labels(CurrentForm(*h.main, c.gain ? CurrentSetting::One : CurrentSetting::Two).Selector1), c.labels);
    }
}

// A stored code off the table and a board name: the design-time knob, and no gain change.
TEST(CurrentForms, ACodeOffTheTableOpensTheDesignTimeKnobAndKeepsTheGain) {
    Harness h("ksy7100-1");
    h.state.cs1_bits = 1;
    h.state.device = "ksy7103";
    h.state.cp_gain_bits = 2097152;
    CurrentForm d(*h.main, CurrentSetting::One);
    EXPECT_EQ(d.Selector1->position(), 0);
    EXPECT_EQ(knob_labels(d.Selector1), (QStringList{"0.31", ".62", ".93", "1.25", "1.56", "1.87", "2.18", "2.5"}));
    click(d.Command3);
    EXPECT_EQ(h.state.cp_gain_bits, 2097152);
}

// Each choice of a setting dialog, opened from its main-window entry and applied with OK one after
// the other (each a change): its code in its latch bits, the main window's label, and the dialog
// opening on it again. Power-down applies under the busy pointer: busy before the control word goes
// out, back after it. The mux choices keep their codes where the KSY7100-8 does not use them.
TEST(SettingDialogs, EachChoiceIsSentInItsLatchBitsShownAndReopenedOn) {
    // Records each time the dialog's pointer turns busy or back, with the words loaded by then.
    struct CursorLog : QObject {
        boardlink::SimBoard* board = nullptr;
        bool busy = false;
        std::vector<std::pair<bool, uint64_t>> changes;
        bool eventFilter(QObject* o, QEvent* e) override {
            auto* w = static_cast<QWidget*>(o);
            const bool now = e->type() == QEvent::CursorChange ? w->testAttribute(Qt::WA_SetCursor) && w->cursor().shape() == Qt::WaitCursor : busy;
            if (now != busy) changes.emplace_back(now, board->words_loaded());
            busy = now;
            return false;
        }
    };
    struct Step { int choice; uint32_t code; const char* shown; };
    struct Case { const char *device, *entry, *label; int latch, high, low; bool busy; std::vector<Step> steps; };
    const Case cases[] = {
        {"ksy7100-4", "Command2", "Label10", C, 21, 20, true,
         {{1, 3, "Synchronous Powerdown"}, {2, 1, "Asynchronous Powerdown"}, {0, 0, "Normal Operation"}}},
        {"ksy7100-8", "Command10", "Label5", C, 7, 5, false,
         {{7, 7, "DGnd"}, {6, 6, "Not Used"}, {5, 5, "Not Used"}, {4, 4, "R Divider Output"}, {3, 3, "DVdd"},
          {2, 2, "N Divider Output"}, {1, 1, "Digital Lock Detect"}, {0, 0, "Three-State Output"}}},
        {"ksy7100-1", "Label3", "pres", C, 23, 22, false, {{0, 0, "8/9"}, {3, 3, "32/33"}, {1, 1, "16/17"}, {2, 2, "32/33"}}},
        {"ksy7100-4", "abpw2", "abpw2", R, 17, 16, false,
         {{3, 3, "3.0ns ABP width"}, {0, 0, "3.0ns ABP width"}, {1, 1, "1.3ns ABP width"}, {2, 2, "6.0ns ABP width"}}},
        {"ksy7100-7", "bandselect", "Label12", R, 21, 20, false, {{0, 0, "1"}, {3, 3, "8"}, {2, 2, "4"}, {1, 1, "2"}}}};
    for (const auto& c : cases) {
        Harness h(c.device);
        for (const auto& [choice, code, shown] : c.steps) {
            SCOPED_TRACE(testing::Message() << c.entry << ", choice " << choice);
            CursorLog log;
            log.board = h.board;
            const uint64_t start = h.board->words_loaded();
            through_entry<QDialog>(h, [&] { use_entry(*h.main, c.entry); }, [&](QDialog& d) {
                d.installEventFilter(&log);
                pick(d, choice);
                click(d.findChild<QPushButton*>("Command1"));
            });
            using Changes = std::vector<std::pair<bool, uint64_t>>;
            EXPECT_EQ(log.changes, (c.busy ? Changes{{true, start}, {false, start + 1}} : Changes{}));
            EXPECT_EQ(bits(word_of(h.words(), c.latch), c.high, c.low), code);
            EXPECT_EQ(h.main->findChild<QLabel*>(c.label)->text(), shown);
            through_entry<QDialog>(h, [&] { use_entry(*h.main, c.entry); }, [&](QDialog& d) { EXPECT_EQ(shown_choice(d), choice); });
        }
    }
}

// A stored code of none of its choices, or a device outside the nine variants, opens a dialog on
// none; PD2 set alone (2097152) on normal operation, whose own code is 0.
TEST(SettingDialogs, OpenOnTheStoredChoiceOrNone) {
    struct Case { std::unique_ptr<QDialog> (*make)(Main&); void (*set)(EvalState&); int opens_on; };
    const Case cases[] = {{make<powerform>, [](EvalState& s) { s.powerdown_bits = 2097152; }, 0},
                          {make<muxform>, [](EvalState& s) { s.muxout_bits = 16; }, -1},
                          {make<powerform>, [](EvalState& s) { s.device = "ksy7101"; }, -1}};
    for (const auto& c : cases) {
        Harness h("ksy7100-1");
        c.set(h.state);
        EXPECT_EQ(shown_choice(*c.make(*h.main)), c.opens_on) << &c - cases;
    }
    Harness single("ksy7100-8");  // it has neither open-drain lock detect nor serial data output
    muxform mux(*single.main);
    EXPECT_EQ(std::pair(mux.Option[5]->text(), mux.Option[6]->text()), std::pair(QString("Not Used"), QString("Not Used")));
}

// A refusal as the user meets it: its message, with a beep where the dialog gives one; the entry at
// fault emptied and focused for retyping (kept as typed where only what it gives is wrong); the
// knob's labels kept; nothing stored or sent. OK closes the dialog after the message all the same.
TEST(SettingDialogs, RefuseWhatCannotBeAppliedStoringAndSendingNothing) {
    const QString vco = "Invalid entry in VCO Frequency.", pfd = "Invalid entry in reference frequency.",
                  crystal = "Invalid entry in crystal Frequency.", rset = "Invalid entry in R Set: ",
                  r_beyond = "The R counter would be 20000; it must be 1 to 16383.";
    auto no_pfd = [](EvalState& s) { s.asked_pfd_freq = 0; };
    struct Case { std::unique_ptr<QDialog> (*make)(Main&); const char *entry, *text, *button; QString message;
                  const char* emptied; bool beep; void (*set)(EvalState&) = nullptr; };  // emptied: nullptr where none is
    const Case cases[] = {
        {make<synthform>, "Text1", "abc", "Command3", vco, "Text1", false}, {make<synthform>, "Text1", "abc", "Command1", vco, "Text1", false},
        {make<synthform>, "Text2", "0", "Command3", pfd, "Text2", false}, {make<synthform>, "Text2", "0", "Command4", pfd, "Text2", false},
        {make<synthform>, "Text2", "abc", "Command5", vco, "Text1", false},  // the channel buttons read both entries first
        {make<synthform>, "Text1", "0", "Command3", "The total divide ratio N would be 0; it must be at least 1.", nullptr, false},
        {make<synthform>, "Text2", "0.5", "Command4", r_beyond, nullptr, false},
        {make<crystalform>, "Text1", "abc", "Command3", crystal, "Text1", true},
        {make<crystalform>, "Text1", "12", "Command3", crystal, "Text1", true, no_pfd},  // no R from a PFD of 0
        {make<crystalform>, "Text1", "4000", "Command3", r_beyond, nullptr, true},
        {make<CurrentForm, CurrentSetting::Two>, "Text2", "abc", "Command3", rset + "enter the resistance in ohms, such as 4700.", "Text2", true},
        {make<CurrentForm, CurrentSetting::Two>, "Text2", "-4700", "Command3", rset + "the resistance must be above 0 ohms.", "Text2", true},
        {make<prescaleform>, nullptr, nullptr, "Command3", "The counters cannot be computed with a PFD frequency of 0 kHz.", nullptr, true, no_pfd},
        {make<powerform>, nullptr, nullptr, "Command3",
         "The power-down setting is set only for the variants KSY7100-0 to KSY7100-8, and the device is \"ksy7101\", a "
         "board preset, whose latch writes carry no data. Nothing was changed or sent.",
         nullptr, true, [](EvalState& s) { s.device = "ksy7101"; }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Harness h("ksy7100-1");
        if (c.set) c.set(h.state);
        const auto d = c.make(*h.main);  // the frequency dialog's opening stores what it shows
        const EvalState before = h.state;
        const QStringList labels = knob_labels(d->findChild<SelectorKnob*>());
        pick(*d, 1);  // another choice, where it has choices
        auto* entry = c.entry ? d->findChild<QLineEdit*>(c.entry) : nullptr;
        auto* emptied = c.emptied ? d->findChild<QLineEdit*>(c.emptied) : nullptr;
        if (entry) entry->setText(c.text);
        click(d->findChild<QPushButton*>(c.button));
        expect_refused(h, before, c.message);
        EXPECT_EQ(std::pair(h.prompts.messages.at(0).beep, h.prompts.messages.at(0).icon), std::pair(c.beep, MessageIcon::Exclamation));
        if (entry) { EXPECT_EQ(entry->text(), entry == emptied ? QString() : QString(c.text)); }
        if (emptied) { EXPECT_EQ(d->focusWidget(), emptied); }
        EXPECT_EQ(knob_labels(d->findChild<SelectorKnob*>()), labels);
        EXPECT_EQ(d->isVisible(), std::string(c.button) != "Command1");
    }
}

// Load Now sends only the latch of the frequency that changed. A channel button steps one PFD from
// the VCO typed (the five-decimal text it leaves, too), sends the N latch alone and leaves the loaded
// frequencies. The dialog shows the counters either way.
TEST(Synthform, LoadNowAndTheChannelButtonsSendOnlyTheLatchesThatChange) {
    using Button = QPushButton* synthform::*;
    const Button load = &synthform::Command3, up = &synthform::Command4, down = &synthform::Command5;
    struct Case { const char *vco, *pfd; Button button; std::vector<int> sent; uint32_t r, n, b, a; const char *vcofreq, *left; };
    const Case cases[] = {
        {"2400.2", "200", load, {N}, 50, 12001, 375, 1, "2400.20000MHz", "2400.2"},  // the worked example
        {"2400", "100", load, {R, N}, 100, 24000, 750, 0, "2400.00000MHz", "2400"},  // a new PFD needs a new N
        {"2401", "100", load, {R, N}, 100, 24010, 750, 10, "2401.00000MHz", "2401"},
        {"2400.1", "200", load, {}, 50, 12000, 375, 0, "2400.00000MHz", "2400.1"},  // N rounds half to even
        {"2400.2", "200", up, {N}, 50, 12002, 375, 2, "2400.40000MHz", "2400.40000"},
        {"2400.40000", "200", up, {N}, 50, 12003, 375, 3, "2400.60000MHz", "2400.60000"},
        {"2400.60000", "200", down, {N}, 50, 12002, 375, 2, "2400.40000MHz", "2400.40000"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.vco << " " << c.pfd);
        Harness h("ksy7100-1");
        for (uint8_t latch : {C, R, N}) h.main->send(latch);  // the board holds the plan shown
        h.words();
        through_entry<synthform>(h, [&] { click(h.main->ui.vcofreq); }, [&](synthform& d) {
            d.Text1->setText(c.vco);
            d.Text2->setText(c.pfd);
            click(d.*(c.button));
            const QStringList labels{d.Text1->text(), d.Label4->text(), d.Label5->text(), d.Label6->text(), d.Label7->text()};
            EXPECT_EQ(labels, (QStringList{c.left, QString::number(c.n), "32", QString::number(c.b), QString::number(c.a)}));
        });
        const auto words = h.words();
        EXPECT_EQ(latches_of(words), c.sent);
        if (!words.empty()) { EXPECT_EQ(std::pair(b_of(word_of(words, N)), a_of(word_of(words, N))), std::pair(c.b, c.a)); }
        EXPECT_EQ(std::pair(h.state.r_counter, h.main->ui.vcofreq->text()), std::pair(int32_t(c.r), QString(c.vcofreq)));
        if (c.button != load) { EXPECT_EQ(h.state.loaded_vco_mhz, 2400) << "the channel buttons leave the loaded frequencies"; }
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
        through_entry<planform>(h, [&] { click(d.Command6); }, [&](planform& planner) {
            ASSERT_GT(planner.Table1->rowCount(), 0);
            planner.Table1->selectRow(0);
            click(planner.Command1);
            loaded = planner.chosen();
        });
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
        int marked = -2;
        through_entry<presetform>(h, [&] { h.main->ui.mnuEval->trigger(); }, [&](presetform& d) { marked = shown_choice(d); });
        EXPECT_EQ(marked, option - 1);
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
