#include "actions/command_status.h"

#include "actions/command_language.h"

namespace commands {
namespace {

// The ESR bit of an error's class.
uint8_t event_of(int code) {
    if (code <= -100 && code > -200) return StatusModel::kCommandError;
    if (code <= -200 && code > -300) return StatusModel::kExecutionError;
    if (code <= -300 && code > -400) return StatusModel::kDeviceError;
    if (code <= -400 && code > -500) return StatusModel::kQueryError;
    return StatusModel::kDeviceError;  // the device's own positive codes
}

// `<code>,"<text>"`, a quote inside the text doubled.
std::string entry(int code, const std::string& message) {
    std::string text = standard_text(code);
    if (!message.empty()) text += "; " + message;
    std::string quoted;
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return std::to_string(code) + ",\"" + quoted + "\"";
}

}  // namespace

void StatusModel::queue(const Error& e) {
    esr_ |= event_of(e.code);
    if (errors_.size() < kQueueDepth) errors_.push_back(entry(e.code, e.message));
    else errors_.back() = entry(kQueueOverflow, {});
}

std::string StatusModel::next_error() {
    if (errors_.empty()) return "0,\"No error\"";
    std::string e = std::move(errors_.front());
    errors_.pop_front();
    return e;
}

void StatusModel::clear() {
    errors_.clear();
    esr_ = 0;
}

uint8_t StatusModel::take_events() {
    const uint8_t events = esr_;
    esr_ = 0;
    return events;
}

uint8_t StatusModel::status_byte(bool message_available) const {
    uint8_t stb = 0;
    if (!errors_.empty()) stb |= kErrorAvailable;
    if (message_available) stb |= kMessageAvailable;
    if (esr_ & ese_) stb |= kEventSummary;
    if (stb & sre_) stb |= kRequestService;
    return stb;
}

}  // namespace commands
