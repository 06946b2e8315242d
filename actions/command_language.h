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
#include "actions/outcome.h"
#include "link/port.h"
#include "model/eval_state.h"

namespace commands {

// A refused command: a standard error code of the instrument convention and the text. For a
// refused action (-222 and -200) the text is the window's message.
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
    // The path a file name of MEM:LOAD or MEM:SAVE stands for, or (second) why it is refused.
    // Empty: the name is the path.
    std::function<std::pair<std::string, std::string>(const std::string& name)> resolve_file;
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
