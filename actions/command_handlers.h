#pragma once
// The inside of the command table: each header with the handlers of its setting and query
// forms. Only the language's own files include this.
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "actions/command_language.h"
#include "actions/command_numbers.h"

namespace commands {

using Args = std::vector<std::string>;
using Handler = std::function<Reply(Interpreter&, const Args&)>;

struct ArgCount {
    int min = 0, max = 0;
};

struct Handlers {
    const char* header;  // "FREQuency:PFD"
    Handler set;         // empty: no setting form
    ArgCount set_args;
    const char* set_doc;  // its arguments, for messages and the guide (docs/commands.md)
    Handler query;        // empty: no query form
    ArgCount query_args;
    const char* query_arg_doc;  // the query's arguments, nullptr when it has none
    const char* query_doc;      // what it answers
    const char* action;         // the window action it runs
    bool changes_settings = true;  // its setting form is refused while settings are locked

    // The arguments of one form, for a message about their number.
    std::string args_doc(bool query_form) const {
        const char* doc = query_form ? query_arg_doc : set_doc;
        return doc ? doc : "no arguments";
    }
};

const std::vector<Handlers>& handler_table();
// The common commands (*IDN?, *RST, the status registers) and the system subsystem (SYST:...).
std::vector<Handlers> common_commands();
// The instrument's own commands (the files, the measurement, the exercisers).
std::vector<Handlers> instrument_commands();
// The loop designer's commands (LOOP:...): design, analysis, lock time and phase noise.
std::vector<Handlers> loop_commands();

// Helpers of the handlers.
inline Reply answer(std::string text) { return {std::move(text), {}}; }
inline Reply error(int code, std::string message) { return {{}, Error{code, std::move(message)}}; }
// The index of the keyword `arg` names among `keywords` (mnemonic patterns), or empty.
std::optional<int> keyword(const std::string& arg, std::initializer_list<const char*> keywords);
std::optional<bool> on_off(const std::string& arg);  // ON, OFF, or a number: any but 0 after rounding is ON
// A whole number within low..high (MIN and MAX their limits, DEF `def` where there is one), or
// empty.
std::optional<int> whole(const std::string& arg, int low, int high, std::optional<int> def = std::nullopt);
// A refused argument: a suffix on a plain number (-138), else "<header> takes <allowed>" (-224).
Reply illegal(const std::string& arg, const std::string& header, const std::string& allowed);
// A numeric argument in `unit` (suffixes, MIN/MAX/DEF by `range`), for an action's entry: the
// value, or a suffix refusal in `refused`; a text that is no number gives an empty value, which
// the action refuses with its window's message.
std::optional<double> entry_value(const std::string& arg, Unit unit, const std::optional<Range>& range,
                                  std::optional<Reply>& refused);
const Handlers* find_handlers(std::string_view typed_header);

}  // namespace commands
