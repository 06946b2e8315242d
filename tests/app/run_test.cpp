#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/run.h"
#include "exercisers/locktime.h"
#include "link/trace.h"
#include "model/settings_file.h"
#include "model/variants.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/gui_harness.h"
#include "tests/support/trace_reader.h"
#include "ui/main/deviceform.h"
#include "ui/main/main_window.h"
#include "ui/main/supply_measurement.h"
#include "ui/widgets/toggle_switch.h"

using testing_support::read_trace;
using testing_support::ScriptedPrompts;
using testing_support::temp_path;

namespace {

// A simulated board that keeps, when the link closes it, the words it latched.
struct ClosingBoard : boardlink::SimBoard {
    explicit ClosingBoard(std::optional<std::vector<uint32_t>>& at_close) : at_close(at_close) {}
    ~ClosingBoard() override { at_close = std::vector<uint32_t>(history().begin(), history().end()); }
    std::optional<std::vector<uint32_t>>& at_close;
};

// A run on a traced simulated board, made as main() makes it, with scripted prompts unless given others.
struct RunRig {
    explicit RunRig(Prompts* given = nullptr, int settle_ms = 0) : path(temp_path("run.vcd")) {
        Prompts& prompts = given ? *given : scripted;
        std::string error;
        auto closing = std::make_unique<ClosingBoard>(latched_at_close);
        board = closing.get();
        link.attach(boardlink::TracePort::create(std::move(closing), path, error));
        EXPECT_EQ(error, "");
        run = std::make_unique<Run>(link, prompts, signal_watch);
        run->main_window()->supply_measurement().set_settle_ms(settle_ms);
    }
    ~RunRig() {
        run.reset();
        // A run that ended outside the main loop leaves Qt's mark that every loop is to end at
        // once; one pass of the main loop clears it, so the next test starts afresh.
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QApplication::exec();
    }
    Main& main() { return *run->main_window(); }
    void start_and_choose() { run->start({}), choose(); }
    // ksy7100-1, the first in the variant dialog
    void choose() { run->variant_dialog()->Option[1]->setChecked(true), run->variant_dialog()->Command1_Click(); }
    // The link was closed, and the trace was completed holding exactly what the board latched.
    void expect_closed_with_a_whole_trace() {
        ASSERT_TRUE(latched_at_close) << "the link was not closed";
        const auto trace = read_trace(path);
        EXPECT_EQ(std::tuple(trace.problem, trace.complete, trace.words), std::tuple(std::string(), true, *latched_at_close));
    }

    ScriptedPrompts scripted;
    std::optional<std::vector<uint32_t>> latched_at_close;  // set when the link closed the board
    SignalWatch signal_watch;
    boardlink::BoardLink link;
    ClosingBoard* board = nullptr;
    std::string path;
    std::unique_ptr<Run> run;
};

// Raises SIGTERM from the event loop after `ms`, as a kill from outside arrives, noting whether the
// run is at the stage meant; a watchdog ends every loop a few seconds later should the run not end.
struct SignalLater {
    SignalLater(int ms, std::function<bool()> at_stage) {
        QTimer::singleShot(ms, &timers, [this, at_stage] { in_stage = at_stage(), ::raise(SIGTERM); });
        QTimer::singleShot(5000, &timers, [this] { hung = true, QCoreApplication::exit(99); });
    }
    bool in_stage = false, hung = false;
    QObject timers;  // the timers end with it
};

bool message_box_up() { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; }

// Chooses the variant, then does `then` from the event loop.
std::function<void(RunRig&)> choose_then(std::function<void(RunRig&)> then) {
    return [then](RunRig& r) {
        r.choose();
        QTimer::singleShot(0, &r.main(), [&r, then] { then(r); });
    };
}

}  // namespace

TEST(SignalEndsTheRun, AtEveryStageWithTheTraceCompletedAndTheLinkClosed) {
    // claim_error: a start-up message, as for a port that cannot be claimed; signal_ms -1: the signal
    // comes before the run starts; bring: after start(), before the event loop; at_stage: whether
    // the run is where the signal should find it.
    struct Stage { const char* name; std::string claim_error; int settle_ms, signal_ms; std::function<void(RunRig&)> bring;
                   std::function<bool(RunRig&)> at_stage; };
    const Stage stages[] = {
        {"before the event loop", "", 0, -1, nullptr, nullptr},
        {"under the start-up message, before the event loop", "/dev/parport0: claim failed: the port is busy", 0, 100,
         nullptr, [](RunRig&) { return message_box_up(); }},
        {"under a message box in the event loop", "", 0, 200,
         choose_then([](RunRig& r) { r.main().prompts().message(MessageIcon::Information, "t", "m"); }),
         [](RunRig&) { return message_box_up(); }},
        {"during a supply measurement", "", 400, 100, [](RunRig& r) { r.choose(); },
         [](RunRig& r) { return r.main().supply_measurement().running() && QApplication::overrideCursor(); }},
        {"during a running exerciser", "", 0, 400,
         [](RunRig& r) {
             choose_then([](RunRig& r) { r.main().open_window(Window::Locktime); })(r);
             QTimer::singleShot(100, &r.main(), [] {
                 if (auto* w = qobject_cast<locktime*>(QApplication::activeModalWidget())) {
                     w->Text3->setText("20");
                     QTest::mouseClick(w->Command1, Qt::LeftButton);
                 }
             });
         },
         [](RunRig& r) {
             auto* w = qobject_cast<locktime*>(QApplication::activeModalWidget());
             return w && w->running() && r.board->view().words_loaded > 5;
         }},
    };
    for (const Stage& stage : stages) {
        SCOPED_TRACE(stage.name);
        DesktopPrompts prompts;  // real modal loops, as a user sees them
        RunRig rig(&prompts, stage.settle_ms);
        std::unique_ptr<SignalLater> later;
        if (stage.signal_ms < 0) ::raise(SIGTERM);
        else later = std::make_unique<SignalLater>(stage.signal_ms, [&] { return stage.at_stage(rig); });
        boardlink::BoardLink::Opened opened;
        opened.claim_error = stage.claim_error;
        rig.run->start(opened);
        if (stage.bring) stage.bring(rig);
        rig.run->exec();

        EXPECT_TRUE(!later || (!later->hung && later->in_stage)) << "the signal ends the run, at its stage";
        EXPECT_EQ(rig.run->teardown(), 128 + SIGTERM);
        rig.expect_closed_with_a_whole_trace();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

TEST(Teardown, WithTheSimulatedBoardWindowOpenEndsCleanlyHoweverTheRunEnds) {
    const std::pair<const char*, std::function<void(Main&)>> endings[] = {
        {"the main window closed", [](Main& m) { m.close(); }},
        {"File > Exit", [](Main& m) { m.ui.Exitmenu->trigger(); }},
        {"the loop ended otherwise", [](Main&) {}},
    };
    for (const auto& [name, end] : endings) {
        SCOPED_TRACE(name);
        RunRig rig;
        rig.start_and_choose();
        rig.main().ui.mnuSimBoard->trigger();
        ASSERT_NE(rig.main().findChild<QDialog*>("SimBoardWindow"), nullptr);
        for (uint8_t latch : {1, 0, 2}) rig.main().send(latch);
        end(rig.main());
        // Under AddressSanitizer a window that outlives the board it watches is caught here.
        EXPECT_EQ(rig.run->teardown(), kExitOk);
        EXPECT_EQ(rig.run->main_window(), nullptr);
        rig.expect_closed_with_a_whole_trace();
        EXPECT_EQ(rig.latched_at_close.value_or(std::vector<uint32_t>{}).size(), 3u);
        EXPECT_TRUE(rig.scripted.messages.empty());
    }
}

TEST(TraceWriteFailure, IsReportedOnceTheLinkGoesOnAndTheRunEndsWithStatus3) {
    RunRig rig;
    const auto& messages = rig.scripted.messages;
    rig.start_and_choose();
    while (rig.main().supply_measurement().running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const uint64_t before = rig.board->words_loaded();
    {
        testing_support::FileSizeLimit limit(std::filesystem::file_size(rig.path) + 700);  // about one word more
        ASSERT_TRUE(limit.ok());
        for (int i = 0; i < 4; ++i) {
            QTest::mouseClick(rig.main().ui.Toggle1, Qt::LeftButton);  // R, control and N each time
            QApplication::processEvents();
        }
    }
    EXPECT_EQ(rig.board->words_loaded(), before + 12) << "the board link goes on";
    ASSERT_EQ(messages.size(), 1u);
    const auto& m = messages[0];
    EXPECT_EQ(std::pair(m.icon, m.text), std::pair(MessageIcon::Exclamation, QString::fromStdString("Writing the trace file " + rig.path + " failed: File too large")));
    EXPECT_TRUE(m.detail.startsWith("Tracing has stopped.")) << m.detail.toStdString();
    EXPECT_EQ(rig.main().ui.link_status->text(), QString::fromStdString("Board link: simulated board; trace to " + rig.path + " stopped"));
    // What the file holds once cut back is checked where the trace is written.
    EXPECT_EQ(rig.run->teardown(), kExitTraceIncomplete);
    EXPECT_EQ(messages.size(), 1u) << "reported once";
    EXPECT_FALSE(read_trace(rig.path).complete);
}

// --variant marks its option in the variant dialog, and --load loads its file once the dialog's
// OK has run.
TEST(Run, AVariantGivenIsMarkedAndASettingsFileGivenLoadsAfterTheVariantIsChosen) {
    const std::string file = temp_path("load.txt");
    EvalState source = variants::start_state("ksy7100-4");
    source.b_counter = 251;
    std::ofstream(file, std::ios::binary) << format_settings(source);
    RunRig rig;
    rig.run->start({}, std::string("ksy7100-4"), file);
    EXPECT_TRUE(rig.run->variant_dialog()->Option[4]->isChecked());
    rig.run->variant_dialog()->Command1_Click();
    EXPECT_EQ(std::pair(rig.run->state().device, rig.run->state().b_counter), std::pair(std::string("ksy7100-4"), 251));
    EXPECT_EQ(rig.board->words_loaded(), 3u) << "what the load sends (its order: the settings menu's tests)";
    EXPECT_TRUE(rig.scripted.messages.empty());
    std::filesystem::remove(file);
}
