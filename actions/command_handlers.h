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
    const char* set_doc;  // its arguments, for messages and the README
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
// The instrument's own commands (*RST, *OPC?, SYST:..., the files, the measurement, the exercisers).
std::vector<Handlers> instrument_commands();

// Helpers of the handlers.
inline Reply answer(std::string text) { return {std::move(text), {}}; }
inline Reply error(int code, std::string message) { return {{}, Error{code, std::move(message)}}; }
// The index of the keyword `arg` names among `keywords` (mnemonic patterns), or empty.
std::optional<int> keyword(const std::string& arg, std::initializer_list<const char*> keywords);
std::optional<bool> on_off(const std::string& arg);  // ON, OFF, 1, 0
// A whole number within low..high, or empty.
std::optional<int> whole(const std::string& arg, int low, int high);
// "<header> takes <allowed>", as an illegal parameter value.
Reply illegal(const char* header, const char* allowed);
const Handlers* find_handlers(std::string_view typed_header);

}  // namespace commands
