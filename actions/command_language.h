#pragma once
// The command language of scripted and remote runs: one table maps each command onto the action
// a window runs for it, so a command does exactly what its window does, refusals included.
// Every command and its arguments are listed in the README.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "actions/command_parser.h"
#include "actions/file_io.h"
#include "actions/outcome.h"
#include "link/port.h"
#include "model/eval_state.h"

namespace commands {

// A refused command: a standard error code of the instrument convention and the text. For a
// refused action (-222, -221 and -200) the text is the window's message.
struct Error {
    int code = 0;
    std::string message;
    bool operator==(const Error&) const = default;
};
inline constexpr int kUndefinedHeader = -113;
inline constexpr int kSyntaxError = -102;
inline constexpr int kDataTypeError = -104;
inline constexpr int kParameterNotAllowed = -108;
inline constexpr int kMissingParameter = -109;
inline constexpr int kExecutionError = -200;
inline constexpr int kSettingsConflict = -221;
inline constexpr int kDataOutOfRange = -222;
inline constexpr int kIllegalParameterValue = -224;
inline constexpr int kTooMuchData = -223;
inline constexpr int kQueueOverflow = -350;

// The standard text of a code ("Undefined header").
std::string standard_text(int code);
// Lines longer than this are refused whole (-223).
inline constexpr size_t kMaxLineBytes = 4096;

// What one command gives back: a query's answer line, or its refusal.
struct Reply {
    std::optional<std::string> answer;
    std::optional<Error> error;
};

// The exercisers of a run driven by commands: the lock-time hopping and the sweep, each the same
// run as its window's (actions/hopping.h, actions/sweeping.h) with its timers kept by the tool.
class Exercisers {
public:
    virtual ~Exercisers() = default;
    struct Hop {
        std::string start, stop, interval;  // MHz, MHz, ms, as typed
        // The divide-by-2 at each frequency; empty: the hops leave it as the user set it.
        std::optional<bool> divide_at_start, divide_at_stop;
        bool with_gain = false;  // "Use CP Gain"
        std::string delay;       // with gain: ms before the gain is lowered; "0": Delay Off
    };
    struct Sweep {
        std::string start, stop, step, rate;  // MHz, MHz, kHz, ms, as typed
    };
    virtual actions::Outcome start_hop(const Hop& hop) = 0;
    virtual void stop_hop() = 0;
    virtual std::string hop_status() const = 0;  // "RUN,<hops>" or "IDLE,<hops>"
    virtual actions::Outcome start_sweep(const Sweep& sweep) = 0;
    virtual void stop_sweep() = 0;
    virtual std::string sweep_status() const = 0;  // "RUN,<MHz>" or "IDLE,<MHz or NONE>"
};

// What the tool around the language provides.
struct Hooks {
    // Shows an action's display effects (a windowed run's main window); may be empty.
    std::function<void(const actions::Display&)> show;
    // One supply measurement as "<Vdd>,<Vp>,<Idd>" as the readouts show them, or the cause it
    // could not be made.
    std::function<Reply()> measure_supplies;
    // Whether settings may be changed now; a cause when not (a window that edits settings is
    // open). Queries are always answered.
    std::function<std::optional<std::string>()> settings_locked;
    // Where the names of MEM:LOAD and MEM:SAVE lead (a command server's folder). Empty: a name is
    // a path.
    const actions::FileStore* files = nullptr;
    // Whether a refused settings file may be quoted (a short piece of the bad line); a remote
    // client is told the line only, never the file's content.
    bool quote_files = true;
    // The exercisers; empty: this run has none.
    Exercisers* exercisers = nullptr;
    // The error queue of a connection: emptied (*CLS) and read (SYST:ERR?). Empty: no queue.
    std::function<void()> clear_errors;
    std::function<std::string()> next_error;
    // Ends the run (SYST:EXIT); a cause when this run cannot be ended so.
    std::function<std::optional<std::string>()> exit;
};

class Interpreter {
public:
    Interpreter(EvalState& state, boardlink::Port& port, std::string version, Hooks hooks = {});

    // Runs the commands of one line in order and gives one reply per command run. A refused
    // command ends the line: nothing after it runs.
    std::vector<Reply> run_line(std::string_view line);
    // One command, already split.
    Reply run(const Command& command);

    EvalState& state() { return state_; }
    boardlink::Port& port() { return port_; }
    const std::string& version() const { return version_; }
    Hooks& hooks() { return hooks_; }

    // Shows an action's outcome: its display effects, or its refusal as an error.
    Reply finish(const actions::Outcome& outcome);

private:
    EvalState& state_;
    boardlink::Port& port_;
    std::string version_;
    Hooks hooks_;
};

// One entry of the command table, for the README and for tests that walk the table.
struct TableEntry {
    const char* header;  // "FREQuency:PFD"
    const char* set;     // the arguments of the setting form, or nullptr when it has none
    const char* query;   // what the query answers, or nullptr when there is none
    const char* action;  // the window action it runs
};
std::vector<TableEntry> command_table();

}  // namespace commands
