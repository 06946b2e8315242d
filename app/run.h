#pragma once
// One run of the tool with its windows: the variant dialog, the main window and everything it
// opens, the event loop, and the end.
//
// The board link is opened before the run and outlives every window: teardown() destroys the
// windows first and closes the link last, so nothing that watches the board (the simulated-board
// view) outlives it, and the trace is completed whatever ended the run: the main window closed,
// File > Exit, the variant dialog closed, or a signal at any stage.
#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "app/board_loop.h"
#include "app/quit_on_signal.h"
#include "app/options.h"
#include "link/board_link.h"
#include "model/eval_state.h"

class Main;
class Prompts;
class deviceform;

// The tool's exit statuses (docs/commands.md lists them next to the options).
enum ExitStatus : int {
    kExitOk = 0,
    kExitCannotStart = 1,       // no display, or the trace file cannot be created
    kExitRefused = 1,           // a run without windows: a command or the settings file was refused
    kExitBadOption = 2,
    kExitTraceIncomplete = 3,   // the trace file could not be written to its end
    kExitLinkFailed = 4,        // a run without windows: the link asked for by --link could not be opened
    kExitSignalBase = 128,      // + N: ended by signal N, with the trace complete
};

// The status a run ends with: an incomplete trace first (a record was lost, which nothing else
// tells), then the signal that ended it, then the event loop's own status.
int run_status(int loop_status, int signal, bool trace_incomplete);

class Run {
public:
    // Creates the state and the main window with every window it opens.
    Run(boardlink::BoardLink& link, Prompts& prompts, SignalWatch& signal_watch);
    ~Run();  // teardown()
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // The variant dialog's load, with the start-up messages of opening the link, then the
    // dialog itself, unless a signal ended the run under those messages. `variant` is marked in
    // the dialog; `load_file` is loaded, as Get Settings does, once the dialog's OK has run.
    void start(const boardlink::BoardLink::Opened& opened, const std::optional<std::string>& variant = {},
               const std::optional<std::string>& load_file = {});
    // The same, with the command line's files: the settings file and the register import loaded,
    // then the register export and the channel table written, once the variant is chosen.
    void start(const boardlink::BoardLink::Opened& opened, const Options& options);
    // Runs the event loop until the run ends; returns at once when a signal came before.
    void exec();
    // Ends the run: every window goes, then the link is closed (the trace completed, the port
    // released). Returns the exit status; later calls return it again.
    int teardown();

    EvalState& state() { return state_; }
    Main* main_window() { return main_.get(); }
    deviceform* variant_dialog() { return variant_.get(); }

private:
    boardlink::BoardLink& link_;
    SignalWatch& signal_watch_;
    EvalState state_;
    std::unique_ptr<BoardLoop> board_loop_;  // the simulated board settles by the state's loop
    QObject signal_context_;  // the signal notification lives as long as the run
    std::unique_ptr<Main> main_;
    std::unique_ptr<deviceform> variant_;
    int loop_status_ = 0;
    std::optional<int> status_;
};
