#include "app/link_report.h"

#include <algorithm>
#include <cctype>

#include "actions/supplies.h"

namespace {

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

// "/dev/parport0" -> "parport0".
std::string base_name(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string link_idn_name(const boardlink::BoardLink& link) {
    const auto& id = link.identity();
    if (id.kind == "SIM") return "SIM";
    if (id.kind == "FTDI") return id.device.empty() ? "FTDI" : id.device;
    const std::string device = upper(base_name(id.device));
    // A GPIO chip given by its number is named as the kernel names it.
    if (id.kind == "GPIO" && !device.empty() && std::all_of(device.begin(), device.end(), ::isdigit))
        return "GPIOCHIP" + device;
    return device;
}

std::string link_status(const boardlink::BoardLink& link) {
    const auto& id = link.identity();
    std::string text = id.kind;
    if (id.kind != "SIM") text += "," + (id.device.empty() ? std::string("FIRST") : id.device);
    const std::string failure = link.failure();
    if (failure.empty()) return text + ",OK";
    std::string quoted;
    for (char c : failure) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return text + ",FAILED,\"" + quoted + "\"";
}

std::optional<std::string> link_self_test(boardlink::BoardLink& link, EvalState& state) {
    if (!link.is_open()) return "no board link is open";
    if (const std::string failure = link.failure(); !failure.empty()) return "the board link failed: " + failure;
    if (!link.identity().readback) return std::nullopt;
    if (actions::set_up_supply_monitor(state, link) != boardlink::SetupResult::Ready)
        return "no supply monitor answers on the board: check the cable and the board's power";
    if (const std::string failure = link.failure(); !failure.empty()) return "the board link failed: " + failure;
    return std::nullopt;
}

void add_link_hooks(commands::Hooks& hooks, boardlink::BoardLink& link, EvalState& state) {
    hooks.link_id = [&link] { return link_idn_name(link); };
    hooks.link_status = [&link] { return link_status(link); };
    hooks.self_test = [&link, &state] { return link_self_test(link, state); };
}

void refuse_writers_while_held(commands::Hooks& hooks, boardlink::BoardLink& link) {
    hooks.settings_locked = [&link, locked = hooks.settings_locked]() -> std::optional<std::string> {
        if (link.held_by()) return link.held_by();
        return locked ? locked() : std::nullopt;
    };
    if (hooks.measure_supplies)
        hooks.measure_supplies = [&link, measure = hooks.measure_supplies]() -> commands::Reply {
            if (link.held_by()) return {{}, commands::Error{commands::kExecutionError, *link.held_by()}};
            // The measurement waits between its steps, serving meanwhile: no run may start then.
            link.hold("The supplies are being measured (MEAS:SUPP?): the board takes no other setting until that "
                      "is done.");
            commands::Reply reply = measure();
            link.release();
            return reply;
        };
    hooks.self_test = [&link, test = hooks.self_test]() -> std::optional<std::string> {
        if (link.held_by()) return link.held_by();
        return test ? test() : std::nullopt;
    };
}
