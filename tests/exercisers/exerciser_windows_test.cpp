// The two exerciser windows, LockTime (hops between two frequencies) and Sweep, driven tick by
// tick on the simulated board: what each tick sends, the entries they refuse, and how a run ends.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStatusBar>

#include "app/board_loop.h"
#include "exercisers/locktime.h"
#include "exercisers/sweepform.h"
#include "model/variants.h"
#include "tests/support/refusal.h"
#include "tests/ui/dialogs/dialog_test_util.h"

using namespace dialog_tests;
using testing_support::expect_refused;
using testing_support::Harness;
using testing_support::hex;

namespace {

void with_locktime(Harness& h, const std::function<void(locktime&)>& act) {
    ASSERT_EQ(through_entry<locktime>(h, [&] { click(h.main->ui.Command5); }, act), "locktime");
}

bool any_running(const locktime& w) { return w.run().plain_timer().running() || w.run().gain_timer().running() || w.run().release_timer().running(); }

void with_sweep(Harness& h, const std::function<void(sweepform&)>& act) {
    ASSERT_EQ(through_entry<sweepform>(h, [&] { click(h.main->ui.Command8); }, act), "sweepform");
}

bool hourglass(const QWidget& w) { return w.testAttribute(Qt::WA_SetCursor) && w.cursor().shape() == Qt::WaitCursor; }

}  // namespace

// Plain hops alternate between the whole megahertz of both entries on every variant (N = B x P + A),
// each sending the N latch twice with the divide-by-2 bit (22) of that frequency's switch and the
// gain bit (21) low; the main window follows. A device of another name is stepped, sent nothing.
TEST(Locktime, PlainHopsAlternateTheCountersSendTheNLatchTwiceAndFollowTheDivideSwitches) {
    std::vector<std::string> names(variants::kNames.begin(), variants::kNames.end());
    names.push_back("ksy7102");
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const bool family = variants::is_family_variant(name);
        Harness h(family ? name : "ksy7100-1");
        for (uint8_t latch : {R, C}) h.main->send(latch);  // the board needs a whole plan
        h.words();
        h.state.device = name;
        with_locktime(h, [&](locktime& w) {
            click(w.Toggle3);  // divide-by-2 at the stop frequency
            click(w.Command1);
            EXPECT_EQ(std::tuple(w.run().plain_timer().running(), w.run().plain_timer().interval_ms, h.state.hop_mode), std::tuple(true, 1000, 0));
            for (const auto& [mhz, divide] : {std::pair{1750, false}, {1752, true}, {1750, false}}) {
                w.Timer1_Timer();
                const auto words = h.words();
                EXPECT_EQ(h.state.n_value, int(mhz / h.state.pfd_freq * 1000));
                ASSERT_EQ(latches_of(words), (family ? std::vector{N, N} : std::vector<int>{}));
                for (uint32_t word : words)
                    EXPECT_EQ(std::tuple(int(b_of(word) * h.state.prescaler + a_of(word)), bit(word, 22), bit(word, 21)),
                              std::tuple(h.state.n_value, divide, false)) << hex(word);
                EXPECT_EQ(std::pair(h.main->ui.Toggle6->isChecked(), h.main->ui.vcofreq->text()), std::pair(divide, QString("%1.00000MHz").arg(mhz)));
                EXPECT_TRUE(!family || divide || h.board->output_frequency_hz() == mhz * 1e6);
            }
        });
    }
}

// The gain is raised and lowered in the N latch (DB21), the latch each hop sends, so the board's
// gain is the one the main window's switch shows; the control latch's gain bit stays as it was.
TEST(Locktime, ChargePumpGainIsRaisedForEachHopAndLoweredAtOnceOrAfterTheDelay) {
    using Sent = std::vector<std::pair<int, bool>>;  // each word's latch and gain bit (21 of N, 10 of control)
    Harness h("ksy7100-1");
    auto sent = [&] {
        Sent s;
        for (uint32_t w : h.words()) s.emplace_back(int(w & 3), bit(w, (w & 3) == N ? 21 : 10));
        return s;
    };
    auto board_gain_shown = [&] { return bit(*h.board->latches()[N], 21) == h.main->ui.Toggle3->isChecked() && h.state.ctrl_cp_gain_bits == 0; };
    with_locktime(h, [&](locktime& w) {
        w.Text4->setText("250");
        click(w.Command4);
        EXPECT_EQ(std::pair(w.run().gain_timer().interval_ms, w.run().release_timer().interval_ms), std::pair(1000, 250));
        EXPECT_TRUE(w.run().gain_timer().running() && !w.run().release_timer().running() && h.state.hop_mode == 1)
            << "the release is armed by a hop";
        w.Timer2_Timer();  // Delay Off: lowered at once
        EXPECT_EQ(sent(), (Sent{{N, true}, {N, false}}));
        EXPECT_FALSE(w.run().release_timer().running() || h.main->ui.Toggle3->isChecked());

        click(w.Toggle1);  // Delay On: lowered by the delay's one tick after the hop
        w.Timer2_Timer();
        EXPECT_EQ(sent(), (Sent{{N, true}}));
        EXPECT_TRUE(w.run().release_timer().running() && h.main->ui.Toggle3->isChecked() && board_gain_shown());
        w.Timer3_Timer();
        w.Timer3_Timer();
        EXPECT_EQ(sent(), (Sent{{N, false}})) << "one release a hop";
        EXPECT_TRUE(!w.run().release_timer().running() && board_gain_shown());

        w.Timer2_Timer();  // stopped while the gain is raised: the board keeps the gain the main window shows
        click(w.Command3);
        EXPECT_EQ(sent(), (Sent{{N, true}}));
        EXPECT_TRUE(board_gain_shown() && !any_running(w));

        click(w.Command1);  // Start, then Use CP Gain without Stop: both run; the plain tick raises, then lowers
        click(w.Command4);
        EXPECT_TRUE(w.run().plain_timer().running() && w.run().gain_timer().running());
        w.Timer1_Timer();
        EXPECT_EQ(sent(), (Sent{{N, true}, {N, false}}));
        click(w.Command2);
        EXPECT_TRUE(!any_running(w) && w.result() == QDialog::Rejected && board_gain_shown()) << "closing ends every timer";
    });
}

// With MUXOUT on digital lock detect the hops' lock times are measured on the simulated board's
// loop and shown beside the prediction; Stop keeps them. With MUXOUT on anything else, refused.
TEST(Locktime, MeasuresEachHopsLockTimeBesideThePredictionAndRefusesWithoutLockDetect) {
    Harness h("ksy7100-1");
    BoardLoop loop(h.state, h.link);
    h.state.muxout_bits = 32;
    for (uint8_t latch : {R, C, N}) h.main->send(latch);
    h.words();
    with_locktime(h, [&](locktime& w) {
        h.board->set_clock([&w] { return w.run_clock().now_ns(); });
        click(w.Command1);
        for (int i = 0; i < 5; ++i) w.Timer1_Timer();
        click(w.Command3);
        const actions::LockSummary sum = w.lock_figures().summary();
        EXPECT_EQ(std::pair(sum.count, sum.not_locked), (std::pair<size_t, size_t>(5, 0)));
        const auto predicted = actions::predicted_lock_detect_s(h.state, 1752, 1750);
        ASSERT_TRUE(predicted && sum.median_s);
        EXPECT_NEAR(*sum.median_s, *predicted, sum.resolution_s + 0.1 * *predicted);
        EXPECT_TRUE(w.Label6->text().contains(QRegularExpression("not locked 0 of 5 hops.*predicted"))) << w.Label6->text().toStdString();

        h.state.muxout_bits = 0;
        h.words();
        const EvalState before = h.state;
        click(w.Command1);
        expect_refused(h, before, "The lock time cannot be measured: MUXOUT is not set to Digital Lock Detect (MUX 1).");
        EXPECT_EQ(w.lock_figures().summary().count, 5u);
    });
}

// A sweep runs until the step reaching the stop or counters that do not fit, or until Stop; its
// entries read back normalised, and a device of another name is stepped without sending.
TEST(Sweep, StepsOneNLatchPerTickAndStopsAtTheStepReachingTheStopAtCountersThatDoNotFitOrOnStop) {
    struct Case { const char *start, *stop, *step; int first_n, n_step; size_t words; const char* shown; const char* message = nullptr;
                  const char* device = "ksy7100-1"; int ticks = 100; };
    const Case cases[] = {
        {"1750", "1752", "200", 8750, 1, 11, "1752"},
        {"1750", "1700", "200", 8750, 1, 1, "1750"},
        {"1750", "1751.3", "200", 8750, 1, 8, "1751.4"},
        {"1750", "1752", "400", 8750, 2, 6, "1752"},  // two PFD steps a tick, shown as reached
        {"1750.05", "1750.4", "200", 8750, 1, 3, "1750.4"},  // off the grid: shown as reached
        {"52428.4", "52429", "200", 262142, 1, 2, "52428.6", "At 52428.8 MHz: The B counter would be 8192; it must be 0 to 8191."},
        {"1750.000", "1.752e3", "200.0", 0, 0, 0, "1750.2", nullptr, "ksy7102", 2},  // stopped by Stop after two ticks
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stop);
        Harness h("ksy7100-1");
        for (uint8_t latch : {R, C}) h.main->send(latch);  // the board needs a whole plan
        h.words();
        h.state.device = c.device;
        with_sweep(h, [&](sweepform& w) {
            w.Text1->setText(c.start);
            w.Text3->setText(c.stop);
            w.Text2->setText(c.step);
            click(w.Command3);
            EXPECT_EQ(w.run().timer().interval_ms, 2000);
            for (int i = 0; i < c.ticks && w.run().timer().running(); ++i) {  // the hourglass up while it runs
                w.Timer1_Timer();
                EXPECT_TRUE(hourglass(w) || !w.run().timer().running());
            }
            click(w.Command4);
            std::vector<int> expected, n;  // the N of each word received
            for (size_t i = 0; i < c.words; ++i) expected.push_back(c.first_n + c.n_step * int(i));
            for (uint32_t word : h.words()) n.push_back(int(word & 3) == N ? int(b_of(word) * h.state.prescaler + a_of(word)) : -1);
            EXPECT_EQ(n, expected);
            for (auto [entry, typed] : {std::pair{w.Text1, c.start}, {w.Text3, c.stop}, {w.Text2, c.step}})
                EXPECT_EQ(entry->text(), QString::number(QString(typed).toDouble())) << "read back normalised";
            EXPECT_EQ(w.Text5->text(), c.shown);
            EXPECT_FALSE(w.run().timer().running() || hourglass(w)) << "stopped, the default cursor back";
            EXPECT_EQ(h.prompts.texts(), c.message ? std::vector<QString>{c.message} : std::vector<QString>{});
        });
    }
}

// A refusal stops every timer, the default pointer back: an old run must not go on behind the
// message. The entry at fault is focused and, unless only its relation to the PFD is wrong,
// emptied; nothing changes or is sent. Start or Use CP Gain (`gain`) is pressed stopped or with
// every hop timer running, or the next hop finds an entry spoiled during a run.
TEST(Exercisers, InvalidEntriesAndSettingsAreRefusedStoppingEveryTimerAndChangingNothing) {
    enum When { Stopped, Running, NextHop };
    struct Case { bool sweep; const char* entry; const char* text; std::string message; When when = Stopped; double pfd = 200; int32_t prescaler = 32;
                  bool gain = false; bool emptied = true; };
    const std::string freq = ": enter a frequency from 1 to 32767 MHz.", time = ": enter a time from 1 to 32767 msecs.",
                      start = "Invalid entry in Start Frequency" + freq, stop = "Invalid entry in Stop Frequency" + freq,
                      jumps = "Invalid entry in Frequency of jumps" + time, delay = "Invalid entry in Delay Between CP Gain Control Latch Update" + time,
                      not_whole = " kHz is not a whole multiple of the PFD frequency of 200 kHz; the synthesizer steps only in whole PFD steps.",
                      no_prescaler = "The prescaler is not set; choose a prescaler first.", sweep_start = "Invalid entry in Start: enter the start frequency in MHz.",
                      sweep_step = "Invalid entry in Channel Step: enter a step above 0 kHz.";
    const Case cases[] = {
        {false, "Text1", "abc", start}, {false, "Text2", "32768", stop}, {false, "Text3", "0", jumps}, {false, "Text3", "abc", jumps, Running},
        {false, "Text4", "-5", delay, Stopped, 200, 32, true}, {false, "Text4", "abc", delay, Running, 200, 32, true},
        {false, "Text2", "abc", stop, NextHop}, {false, nullptr, nullptr, no_prescaler, Stopped, 200, 0},
        {false, nullptr, nullptr, "The PFD frequency is 0 kHz; set a PFD frequency above 0 first.", Stopped, 0},
        {false, nullptr, nullptr, "At the Start Frequency of 1750 MHz: The B counter would be 54687500; it must be 0 to 8191.", Stopped, 0.001, 32, true},
        {true, "Text2", "100", "The channel step of 100" + not_whole, Stopped, 200, 32, false, false},
        {true, "Text2", "300", "The channel step of 300" + not_whole, Stopped, 200, 32, false, false},
        {true, "Text4", "0", "Invalid entry in rate of sweep" + time}, {true, "Text1", "", sweep_start}, {true, "Text1", "1e305", sweep_start},
        {true, "Text3", "1752 MHz", "Invalid entry in Stop: enter the stop frequency in MHz."}, {true, "Text2", "0", sweep_step},
        {true, "Text2", "abc", sweep_step, Running}, {true, nullptr, nullptr, no_prescaler, Stopped, 200, 0},
        {true, nullptr, nullptr, "At 1750 MHz: The B counter would be 8750; it must be 0 to 8191.", Stopped, 200, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        Harness h("ksy7100-1");
        // `go` starts the runs, `press` makes the refused start (or hop), `running`: any timer or the hourglass.
        const auto refuse = [&](QDialog& w, const std::function<void()>& go, const std::function<void()>& press, const std::function<bool()>& running) {
            if (c.when != Stopped) {
                go();
                ASSERT_TRUE(running());
                h.words();
            }
            h.state.pfd_freq = c.pfd;
            h.state.prescaler = c.prescaler;
            auto* entry = c.entry ? w.findChild<QLineEdit*>(c.entry) : nullptr;
            if (entry) entry->setText(c.text);
            const EvalState before = h.state;
            press();
            expect_refused(h, before, QString::fromStdString(c.message));
            EXPECT_FALSE(running()) << "every timer stopped";
            EXPECT_TRUE(!entry || (entry->text().isEmpty() == c.emptied && w.focusWidget() == entry)) << "the entry at fault focused";
        };
        if (c.sweep) {
            with_sweep(h, [&](sweepform& w) {
                const auto start = [&] { click(w.Command3); };
                refuse(w, start, start, [&] { return w.run().timer().running() || hourglass(w); });
            });
            continue;
        }
        with_locktime(h, [&](locktime& w) {
            const auto go = [&] {
                for (QWidget* b : std::initializer_list<QWidget*>{w.Toggle1, w.Command1, w.Command4}) click(b);
                w.Timer1_Timer();
                w.Timer2_Timer();  // a gain hop with Delay On arms the release
            };
            const auto press = [&] { c.when == NextHop ? w.Timer2_Timer() : click(c.gain ? w.Command4 : w.Command1); };
            refuse(w, go, press, [&] { return any_running(w); });
        });
    }
}

// A link that fails during a run stops every timer and is reported once (a tick already due when
// it broke says nothing more); a new start is refused.
TEST(Exercisers, ALinkThatFailsWhileRunningStopsEveryTimerAndIsReportedOnce) {
    const auto reported_once = [](const char* run) {
        return std::vector<QString>{"The board link failed: adapter unplugged", QString("The board link has failed, so the %1 cannot run.").arg(run)};
    };
    boardlink::SimBoard spare;
    Harness hops("ksy7100-1"), sweep("ksy7100-1");
    with_locktime(hops, [&](locktime& w) {
        click(w.Command4);
        click(w.Command1);
        unplug(hops, spare);
        w.Timer1_Timer();
        EXPECT_FALSE(any_running(w));
        w.Timer3_Timer();  // already due when the link broke
        click(w.Command1);
        EXPECT_FALSE(any_running(w));
    });
    EXPECT_EQ(hops.prompts.texts(), reported_once("hopping"));
    with_sweep(sweep, [&](sweepform& w) {
        click(w.Command3);
        unplug(sweep, spare);
        w.Timer1_Timer();
        EXPECT_FALSE(w.run().timer().running() || hourglass(w));
        w.Timer1_Timer();
        click(w.Command3);
        EXPECT_FALSE(w.run().timer().running());
    });
    EXPECT_EQ(sweep.prompts.texts(), reported_once("sweep"));
}

// A run on its timing thread says in the main window's status line which scheduling it got, once
// a run (cleared, it does not come back until the next run), and how it went when stopped.
TEST(Exercisers, ARunOnItsThreadTellsItsSchedulingOnce) {
    Harness h("ksy7100-1");
    h.main->exerciser_driver = actions::TimedRun::Driver::Thread;
    QStatusBar* status = h.main->statusBar();
    const QRegularExpression told("^Hopping with (real-time|normal) scheduling$");
    with_locktime(h, [&](locktime& w) {
        w.Text3->setText("5");
        for (int run = 0; run < 2; ++run) {
            click(w.Command1);
            ASSERT_TRUE(QTest::qWaitFor([&] { return told.match(status->currentMessage()).hasMatch(); }, 5000)) << status->currentMessage().toStdString();
            status->clearMessage();
            QTest::qWait(200);  // the window takes the run's news every 33 ms
            EXPECT_EQ(status->currentMessage().toStdString(), "");
            click(w.Command3);
            EXPECT_TRUE(status->currentMessage().startsWith("Hopping stopped: ")) << status->currentMessage().toStdString();
        }
    });
}
