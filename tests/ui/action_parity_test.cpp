// Each action once through its window and once as a command of the command language (or, where
// it has none, through the action layer): the board must receive the same words and the state
// must end the same, so a script or the command server does exactly what the window does.
#include <gtest/gtest.h>

#include "actions/command_language.h"
#include "actions/frequency.h"
#include "actions/hopping.h"
#include "actions/sweeping.h"
#include "exercisers/locktime.h"
#include "exercisers/sweepform.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/dialogs/bandselectform.h"
#include "ui/dialogs/crystalform.h"
#include "ui/dialogs/current_form.h"
#include "ui/dialogs/fastlockform.h"
#include "ui/dialogs/muxform.h"
#include "ui/dialogs/powerform.h"
#include "ui/dialogs/prescaleform.h"
#include "ui/dialogs/resend_form.h"
#include "ui/dialogs/synthform.h"
#include "ui/registers/registers.h"
#include "ui/registers/vcotest.h"
#include "ui/widgets/system_timer.h"

using dialog_tests::click;
using testing_support::Harness;
using namespace actions;

namespace {

// The frequency dialog's entries, typed and applied with `button`.
void synth(Harness& h, const char* vco, const char* pfd, QPushButton* synthform::*button) {
    synthform d(*h.main);
    d.Text1->setText(vco); d.Text2->setText(pfd);
    click(d.*button);
}

}  // namespace

TEST(ActionParity, EveryActionSendsTheSameWordsThroughItsWindowAsThroughItsCommand) {
    using Run = std::function<void(Harness&)>;
    struct Case { const char* what; Run window; const char* command; Run action = {}; };  // action: where no command is
    auto act = [](auto f) { return [f](Harness& h) { f(h.state, h.link); }; };
    const Case cases[] = {
        {"polarity switch", [](Harness& h) { click(h.main->ui.Toggle1); }, "SWIT:POL OFF"},
        {"lock detect switch", [](Harness& h) { click(h.main->ui.Toggle10); }, "SWIT:LDP ON"},
        {"core power up", [](Harness& h) { click(h.main->ui.Command12); }, "POW:CORE UP"},
        {"load now, VCO", [](Harness& h) { synth(h, "2401.4", "200", &synthform::Command3); }, "FREQ 2401.4"},
        {"load now, PFD", [](Harness& h) { synth(h, "2400", "100", &synthform::Command3); }, "FREQ:PFD 100"},
        {"channel up", [](Harness& h) { synthform d(*h.main); click(d.Command4); }, "FREQ:STEP UP"},
        {"channel down", [](Harness& h) { synth(h, "2401.4", "400", &synthform::Command5); }, nullptr,
         act([](auto& s, auto& p) { open_frequency_dialog(s); step_channel(s, p, 2401.4, 400, -1); })},
        {"reference", [](Harness& h) { crystalform d(*h.main); d.Text1->setText("19.2"); click(d.Command3); }, "FREQ:REF 19.2"},
        {"current setting 2",
         [](Harness& h) { CurrentForm d(*h.main, CurrentSetting::Two); d.Selector1->setPosition(2); d.Text2->setText("2700"); click(d.Command3); },
         "CURR2 2,2700"},
        {"power-down", [](Harness& h) { powerform d(*h.main); d.Option3->setChecked(true); click(d.Command3); }, "PDOW ASYN"},
        {"muxout", [](Harness& h) { muxform d(*h.main); d.Option[6]->setChecked(true); click(d.Command3); }, "MUX 6"},
        {"prescaler", [](Harness& h) { prescaleform d(*h.main); d.Selector1->setPosition(0); click(d.Command3); }, "PRES 8"},
        {"band select", [](Harness& h) { Bandselectform d(*h.main); d.Selector1->setPosition(2); click(d.Command3); }, "BSEL 4"},
        {"anti-backlash", [](Harness& h) { fastlockform d(*h.main); d.Option[1]->setChecked(true); click(d.Command3); }, "ABPW 1"},
        {"board preset", [](Harness& h) { presetform d(*h.main); d.Option[3]->setChecked(true); click(d.Command1); }, "BOAR 4"},
        {"resend test", [](Harness& h) { Form1 d(*h.main); click(d.Command1); }, "LATC:SEND TEST"},
        {"test latch",
         [](Harness& h) { vcotest w(*h.main); w.Combo3->setCurrentIndex(7); emit w.Combo3->activated(7); click(w.Toggle3); click(w.Command1); },
         "TEST:MODE 7; TEST:ADC ON; TEST:UPD"},
        {"register word",
         [](Harness& h) { registers d(*h.main); d.word_entry(regmap::Row::N)->setText("017706"); d.apply_word_entry(regmap::Row::N); click(d.Command5); },
         "REG:WRIT N,017706"},
        {"test enable", [](Harness& h) { vcotest w(*h.main); click(w.Toggle4); }, "TEST:ENAB ON"},
        {"hop", [](Harness& h) { locktime w(*h.main); click(w.Toggle2); click(w.Command4); w.Timer2_Timer(); w.Timer2_Timer(); }, nullptr,
         act([](auto& s, auto& p) {
             HopRun run;
             const HopRun::Entries e{"1750", "1752", "1000", "1000"};
             run.start_with_gain(s, p, e);
             for (int i = 0; i < 2; ++i) run.tick_gain(s, p, e, {true, false, false});
         })},
        {"sweep step", [](Harness& h) { sweepform w(*h.main); click(w.Command3); w.Timer1_Timer(); }, nullptr,
         act([](auto& s, auto& p) { SweepRun run; run.start(s, p, {"1750", "1752", "200", "2000"}); run.tick(s, p); })}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Harness by_window("ksy7100-1"), other("ksy7100-1");
        c.window(by_window);
        if (!c.command) {
            c.action(other);  // no command of its own (a channel step from a typed entry, the exercisers)
        } else {
            commands::Interpreter in(other.state, other.link, "test");
            for (const auto& reply : in.run_line(c.command)) EXPECT_FALSE(reply.error) << c.command << ": " << reply.error->message;
        }
        const auto words = by_window.words();
        EXPECT_FALSE(words.empty());
        EXPECT_EQ(words, other.words());
        EXPECT_TRUE(by_window.state == other.state);
        EXPECT_TRUE(by_window.prompts.messages.empty());
    }
}
