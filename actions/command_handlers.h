#pragma once
// The inside of the command table: each header with the handlers of its setting and query
// forms. Only the language's own files include this.
#include <functional>
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
const Handlers* find_handlers(std::string_view typed_header);

}  // namespace commands
