#include "actions/command_language.h"

#include "actions/command_handlers.h"

namespace commands {

std::string standard_text(int code) {
    switch (code) {
    case kSyntaxError: return "Syntax error";
    case kDataTypeError: return "Data type error";
    case kParameterNotAllowed: return "Parameter not allowed";
    case kMissingParameter: return "Missing parameter";
    case kUndefinedHeader: return "Undefined header";
    case kExecutionError: return "Execution error";
    case kSettingsConflict: return "Settings conflict";
    case kDataOutOfRange: return "Data out of range";
    case kTooMuchData: return "Too much data";
    case kIllegalParameterValue: return "Illegal parameter value";
    case kQueueOverflow: return "Queue overflow";
    default: return "Error";
    }
}

Interpreter::Interpreter(EvalState& state, boardlink::Port& port, std::string version, Hooks hooks)
    : state_(state), port_(port), version_(std::move(version)), hooks_(std::move(hooks)) {}

std::vector<Reply> Interpreter::run_line(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxLineBytes)
        return {Reply{{}, Error{kTooMuchData, "a line holds at most " + std::to_string(kMaxLineBytes) + " bytes"}}};
    SplitLine split = split_line(line);
    if (split.error) return {Reply{{}, Error{kSyntaxError, *split.error}}};
    std::vector<Reply> replies;
    for (const Command& c : split.commands) {
        replies.push_back(run(c));
        if (replies.back().error) break;
    }
    return replies;
}

Reply Interpreter::run(const Command& c) {
    const Handlers* found = find_handlers(c.header);
    if (!found) return {{}, Error{kUndefinedHeader, "no command " + c.header.substr(0, 40)}};
    const Handler& handler = c.query ? found->query : found->set;
    if (!handler)
        return {{}, Error{kUndefinedHeader, c.header.substr(0, 40) + (c.query ? " has no query form" : " is a query only")}};
    const ArgCount count = c.query ? found->query_args : found->set_args;
    if (int(c.args.size()) < count.min)
        return {{}, Error{kMissingParameter, c.header + (c.query ? "?" : "") + " needs " + found->args_doc(c.query)}};
    if (int(c.args.size()) > count.max)
        return {{}, Error{kParameterNotAllowed, c.header + (c.query ? "?" : "") + " takes " + found->args_doc(c.query)}};
    if (!c.query && found->changes_settings && hooks_.settings_locked)
        if (auto cause = hooks_.settings_locked()) return {{}, Error{kExecutionError, *cause}};
    return handler(*this, c.args);
}

Reply Interpreter::finish(const actions::Outcome& outcome) {
    if (outcome.refusal)
        return {{}, Error{outcome.refusal->conflict ? kSettingsConflict : kDataOutOfRange, outcome.refusal->message}};
    if (hooks_.show) hooks_.show(outcome.display);
    if (auto failure = port_.failure(); !failure.empty())
        return {{}, Error{kExecutionError, "the board link failed: " + failure}};
    return {};
}

}  // namespace commands
