#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "exercisers/sweepform.h"
#include "tests/support/refusal.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/widgets/click_label.h"

using namespace dialog_tests;
using testing_support::expect_refused;
using testing_support::Harness;

namespace {

void with_sweep(Harness& h, const std::function<void(sweepform&)>& act) {
    ASSERT_EQ(through_entry<sweepform>(h, [&] { click(h.main->ui.Command8); }, act), "sweepform");
}

bool hourglass(const QWidget& w) { return w.testAttribute(Qt::WA_SetCursor) && w.cursor().shape() == Qt::WaitCursor; }

// Ticks the sweep until it stops by itself (or `limit` ticks), the hourglass up while it runs;
// the N of each word received.
std::vector<int> sweep_to_end(Harness& h, sweepform& w, int limit = 100) {
    for (int i = 0; i < limit && w.run().timer().running(); ++i) {
        w.Timer1_Timer();
        EXPECT_TRUE(hourglass(w) || !w.run().timer().running());
    }
    std::vector<int> n;
    for (uint32_t word : h.words()) n.push_back(int(word & 3) == N ? int(b_of(word) * h.state.prescaler + a_of(word)) : -1);
    return n;
}

}  // namespace

TEST(Sweep, StepsOneNLatchPerTickAndStopsAtTheStepReachingTheStopOrAtCountersThatDoNotFit) {
    struct Case { const char *start, *stop, *step; int first_n, n_step; size_t words; const char* shown;
                  double board_mhz; const char* message; };
    const Case cases[] = {
        {"1750", "1752", "200", 8750, 1, 11, "1752", 1752, nullptr},
        {"1750", "1700", "200", 8750, 1, 1, "1750", 1750, nullptr},
        {"1750", "1751.3", "200", 8750, 1, 8, "1751.4", 1751.4, nullptr},
        {"1750", "1752", "400", 8750, 2, 6, "1752", 1752, nullptr},  // two PFD steps a tick, shown as reached
        {"1750.05", "1750.4", "200", 8750, 1, 3, "1750.4", 1750.4, nullptr},  // off the grid: shown as reached
        {"52428.4", "52429", "200", 262142, 1, 2, "52428.6", 52428.6,
         "At 52428.8 MHz: The B counter would be 8192; it must be 0 to 8191."},
    };
    for (const auto& c : cases) {
        Harness h("ksy7100-1");
        for (uint8_t latch : {R, C}) h.main->send(latch);  // the board needs a whole plan
        h.words();
        with_sweep(h, [&](sweepform& w) {
            w.Text1->setText(c.start);
            w.Text3->setText(c.stop);
            w.Text2->setText(c.step);
            click(w.Command3);
            EXPECT_EQ(w.run().timer().interval_ms, 2000);
            std::vector<int> expected;
            for (size_t i = 0; i < c.words; ++i) expected.push_back(c.first_n + c.n_step * int(i));
            EXPECT_EQ(sweep_to_end(h, w), expected) << c.stop;
            EXPECT_EQ(w.Text5->text(), c.shown);
            EXPECT_FALSE(w.run().timer().running() || hourglass(w)) << "stopped, the default cursor back";
            EXPECT_DOUBLE_EQ(*h.board->output_frequency_hz() / 1e6, c.board_mhz);
            EXPECT_EQ(h.prompts.texts(), c.message ? std::vector<QString>{c.message} : std::vector<QString>{});
        });
    }
}

TEST(Sweep, EntriesAreNormalisedAndOtherNamesStepWithoutSending) {
    Harness h("ksy7100-1");
    h.state.device = "ksy7102";
    with_sweep(h, [&](sweepform& w) {
        w.Text1->setText("1750.000");
        w.Text2->setText("200.0");
        w.Text3->setText("1.752e3");
        click(w.Command3);
        w.Timer1_Timer();
        EXPECT_EQ(std::vector({w.Text1->text(), w.Text2->text(), w.Text3->text(), w.Text5->text()}),
                  std::vector<QString>({"1750", "200", "1752", "1750"}));
        EXPECT_EQ(std::pair(h.state.b_counter, h.state.a_counter), std::pair(273, 14));
        EXPECT_TRUE(hourglass(w));
        click(w.Command4);
        EXPECT_FALSE(w.run().timer().running() || hourglass(w));
    });
    EXPECT_TRUE(h.words().empty());
}

// A refusal starts no timer and stops a sweep that was running, with the default pointer back:
// the old sweep must not go on behind the message. The entry at fault is focused and, unless
// only its relation to the PFD is wrong, emptied; nothing is changed or sent.
TEST(Sweep, InvalidEntriesAreRefusedAndNoTimerRuns) {
    struct Case { const char* entry; const char* text; int32_t prescaler; std::string message; bool emptied = true; bool running = false; };
    const std::string not_whole = " kHz is not a whole multiple of the PFD frequency of 200 kHz; the synthesizer steps only in whole PFD steps.";
    const Case cases[] = {
        {"Text2", "100", 32, "The channel step of 100" + not_whole, false},
        {"Text2", "300", 32, "The channel step of 300" + not_whole, false},
        {"Text4", "0", 32, "Invalid entry in rate of sweep: enter a time from 1 to 32767 msecs."},
        {"Text1", "", 32, "Invalid entry in Start: enter the start frequency in MHz."},
        {"Text1", "1e305", 32, "Invalid entry in Start: enter the start frequency in MHz."},
        {"Text3", "1752 MHz", 32, "Invalid entry in Stop: enter the stop frequency in MHz."},
        {"Text2", "0", 32, "Invalid entry in Channel Step: enter a step above 0 kHz."},
        {"Text2", "abc", 32, "Invalid entry in Channel Step: enter a step above 0 kHz.", true, true},
        {nullptr, nullptr, 1, "At 1750 MHz: The B counter would be 8750; it must be 0 to 8191."},
        {nullptr, nullptr, 0, "The prescaler is not set; choose a prescaler first."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        Harness h("ksy7100-1");
        with_sweep(h, [&](sweepform& w) {
            if (c.running) {
                click(w.Command3);
                w.Timer1_Timer();
                ASSERT_EQ(h.words().size(), 1u);
            }
            h.state.prescaler = c.prescaler;
            const EvalState before = h.state;
            auto* entry = c.entry ? w.findChild<QLineEdit*>(c.entry) : nullptr;
            if (entry) entry->setText(c.text);
            click(w.Command3);
            expect_refused(h, before, QString::fromStdString(c.message));
            EXPECT_FALSE(w.run().timer().running() || hourglass(w));
            EXPECT_TRUE(!entry || (entry->text().isEmpty() == c.emptied && w.focusWidget() == entry)) << "the entry at fault is focused";
        });
    }
}

TEST(Sweep, ALinkThatFailsWhileSweepingStopsTheTimerAndIsReportedOnce) {
    boardlink::SimBoard spare;
    Harness h("ksy7100-1");
    with_sweep(h, [&](sweepform& w) {
        click(w.Command3);
        w.Timer1_Timer();
        unplug(h, spare);
        w.Timer1_Timer();
        EXPECT_FALSE(w.run().timer().running() || hourglass(w));
        w.Timer1_Timer();
        EXPECT_EQ(h.prompts.texts(), std::vector<QString>{"The board link failed: adapter unplugged"});
        click(w.Command3);
        EXPECT_FALSE(w.run().timer().running());
        EXPECT_EQ(h.prompts.texts().back(), "The board link has failed, so the sweep cannot run.");
    });
}
