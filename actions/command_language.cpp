#include "actions/command_language.h"

#include "actions/command_handlers.h"

namespace commands {

std::string standard_text(int code) {
    switch (code) {
    case kSyntaxError: return "Syntax error";
    case kInvalidSuffix: return "Invalid suffix";
    case kSuffixNotAllowed: return "Suffix not allowed";
    case kInvalidStringData: return "Invalid string data";
    case kSettingsConflict: return "Settings conflict";
    case kDeviceError: return "System error";
    case kSelfTestFailed: return "Self-test failed";
    case kDataTypeError: return "Data type error";
    case kParameterNotAllowed: return "Parameter not allowed";
    case kMissingParameter: return "Missing parameter";
    case kUndefinedHeader: return "Undefined header";
    case kExecutionError: return "Execution error";
    case kDataOutOfRange: return "Data out of range";
    case kTooMuchData: return "Too much data";
    case kIllegalParameterValue: return "Illegal parameter value";
    case kQueueOverflow: return "Queue overflow";
    default: return "Error";
    }
}

Interpreter::Interpreter(EvalState& state, boardlink::Port& port, std::string version, Hooks hooks)
    : state_(state), port_(port), version_(std::move(version)), hooks_(std::move(hooks)) {}

std::vector<Line> Interpreter::take(std::string_view bytes) {
    std::vector<Line> lines;
    for (char c : bytes) {
        if (c != '\n') {
            if (pending_.size() <= kMaxLineBytes) pending_ += c;
            else overlong_ = true;
            continue;
        }
        lines.push_back({std::move(pending_), overlong_});
        pending_.clear();
        overlong_ = false;
    }
    return lines;
}

Message Interpreter::run_message(const Line& line) {
    Message m;
    const std::vector<Reply> replies =
        line.overlong ? std::vector<Reply>{Reply{{}, Error{kTooMuchData, "a line holds at most " +
                                                                              std::to_string(kMaxLineBytes) + " bytes"}}}
                      : run_line(line.text);
    for (const Reply& r : replies) {
        if (r.answer) m.answers.push_back(*r.answer);
        if (r.error) m.error = r.error;
    }
    if (line.overlong) status_.queue(*m.error);
    return m;
}

std::vector<Reply> Interpreter::run_line(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<Reply> replies;
    auto refuse = [&](Error e) {
        status_.queue(e);
        replies.push_back({{}, std::move(e)});
        return replies;
    };
    if (line.size() > kMaxLineBytes)
        return refuse({kTooMuchData, "a line holds at most " + std::to_string(kMaxLineBytes) + " bytes"});
    SplitLine split = split_line(line);
    if (split.error) return refuse({split.invalid_string_data ? kInvalidStringData : kSyntaxError, *split.error});
    answers_pending_ = false;
    std::string path;  // the header path ';' keeps: the nodes before the last of the command before
    for (Command c : split.commands) {
        if (c.header.front() != '*') {
            const bool rooted = c.header.front() == ':';
            std::string full = rooted ? c.header.substr(1) : c.header;
            if (!rooted && !path.empty() && find_handlers(path + ":" + c.header)) full = path + ":" + c.header;
            c.header = full;
            const size_t last = full.rfind(':');
            path = last == std::string::npos ? std::string() : full.substr(0, last);
        }
        replies.push_back(run(c));
        if (replies.back().answer) answers_pending_ = true;
        if (replies.back().error) {
            status_.queue(*replies.back().error);
            break;
        }
    }
    answers_pending_ = false;
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
    if (auto failure = port_.failure(); !failure.empty() && !link_failure_told_) {
        link_failure_told_ = true;
        return {{}, Error{kDeviceError, "the board link failed: " + failure}};
    }
    return {};
}

}  // namespace commands
