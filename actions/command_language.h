#pragma once
// The command language of scripted and remote runs: one table maps each command onto the action
// a window runs for it, so a command does exactly what its window does, refusals included.
// Every command and its arguments are listed in the guide, docs/commands.md.
//
// The interpreter is a client's whole session, so the transports (the TCP server, --exec) are
// plain pumps over it: it assembles lines from the bytes that come in, with the length limit;
// runs each line as one message, with the header path that ';' keeps; and keeps the error queue
// and the IEEE 488.2 status registers (actions/command_status.h).
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "actions/command_parser.h"
#include "actions/command_status.h"
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
inline constexpr int kInvalidSuffix = -131;
inline constexpr int kSuffixNotAllowed = -138;
inline constexpr int kInvalidStringData = -151;
inline constexpr int kExecutionError = -200;
inline constexpr int kSettingsConflict = -221;
inline constexpr int kDataOutOfRange = -222;
inline constexpr int kIllegalParameterValue = -224;
inline constexpr int kTooMuchData = -223;
inline constexpr int kDeviceError = -310;  // system error: the board link failed
inline constexpr int kSelfTestFailed = -330;
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
    // "RUN,<hops>,<scheduling>,<late ticks>" or "IDLE,..." (scheduling REALTIME, NORMAL or NONE)
    virtual std::string hop_status() = 0;
    // HOP:LOCK:STAT: whether the next hop runs measure each hop's lock time on the lock-detect
    // line (empty: on only where the link has the line and MUXOUT is digital lock detect), and
    // its query: whether the next run would.
    virtual void set_lock_measurement(std::optional<bool> on) = 0;
    virtual bool lock_measurement() = 0;
    // HOP:LOCK? and HOP:LOCK:ALL? of the run in progress or the last one
    // (actions/lock_figures.h).
    virtual std::string hop_lock() = 0;
    virtual std::string hop_lock_all() = 0;
    virtual actions::Outcome start_sweep(const Sweep& sweep) = 0;
    virtual void stop_sweep() = 0;
    // "RUN,<MHz>,<scheduling>,<late ticks>" or "IDLE,<MHz or NONE>,..."
    virtual std::string sweep_status() = 0;
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
    // Ends the run (SYST:EXIT); a cause when this run cannot be ended so.
    std::function<std::optional<std::string>()> exit;
    // The link as *IDN? names it in its third field ("SIM", "PARPORT0", an adapter's serial,
    // "GPIOCHIP0"), and as SYST:LINK? answers ("SIM,OK", "PARPORT,/dev/parport0,OK",
    // "FTDI,<serial>,FAILED,"<cause>""). Empty: the simulated board of a test.
    std::function<std::string()> link_id, link_status;
    // *TST?: whether the board link answers (one supply readback, no latch written); the cause
    // when it does not. Empty: the link answers while it has not failed.
    std::function<std::optional<std::string>()> self_test;
};

// A line assembled from the bytes that came in; one longer than kMaxLineBytes is not kept.
struct Line {
    std::string text;
    bool overlong = false;
};

// What one message (one line) gives back: the answers of its queries, in order, and the
// refusal that ended it (already in the error queue), if any.
struct Message {
    std::vector<std::string> answers;
    std::optional<Error> error;
};

class Interpreter {
public:
    Interpreter(EvalState& state, boardlink::Port& port, std::string version, Hooks hooks = {});

    // Bytes as they come (a socket, standard input), into whole lines: LF ends one, a CR before
    // it is dropped.
    std::vector<Line> take(std::string_view bytes);
    // Runs one line as a message; a refused command ends it (nothing after it runs) and is queued.
    Message run_message(const Line& line);
    // The same, with one reply per command run.
    std::vector<Reply> run_line(std::string_view line);

    StatusModel& status() { return status_; }
    // Whether answers of the message running now wait to be read (*STB? bit 4).
    bool message_available() const { return answers_pending_; }

    EvalState& state() { return state_; }
    boardlink::Port& port() { return port_; }
    const std::string& version() const { return version_; }
    Hooks& hooks() { return hooks_; }

    // Shows an action's outcome: its display effects, or its refusal as an error. A link that
    // failed is reported once, as a device error (-310) with its cause.
    Reply finish(const actions::Outcome& outcome);

private:
    // One command, already split, with its header resolved.
    Reply run(const Command& command);

    EvalState& state_;
    boardlink::Port& port_;
    std::string version_;
    Hooks hooks_;
    StatusModel status_;
    std::string pending_;   // the line being assembled
    bool overlong_ = false;  // it outgrew the limit: its bytes are dropped until its end
    bool answers_pending_ = false;
    bool link_failure_told_ = false;
};

// One entry of the command table, for the guide (docs/commands.md) and for tests that walk the table.
struct TableEntry {
    const char* header;  // "FREQuency:PFD"
    const char* set;     // the arguments of the setting form, or nullptr when it has none
    const char* query;   // what the query answers, or nullptr when there is none
    const char* action;  // the window action it runs
};
std::vector<TableEntry> command_table();

}  // namespace commands
