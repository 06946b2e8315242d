// The IEEE 488.2 common commands and the system subsystem: identification, reset, self-test,
// the status registers, synchronisation, the error queue, the version, the link and the end of
// a run. Every command of the tool completes before the next one runs, and an exerciser run is
// started, not awaited, so *OPC, *OPC? and *WAI find nothing pending.
#include "actions/command_handlers.h"
#include "actions/startup.h"
#include "model/variants.h"

namespace commands {
namespace {

// A register mask, 0..255.
Handlers mask_register(const char* header, uint8_t (StatusModel::*get)() const, void (StatusModel::*set)(uint8_t),
                       const char* what) {
    return {header,
            [set, header](Interpreter& in, const Args& a) -> Reply {
                auto mask = whole(a[0], 0, 255);
                if (!mask) return illegal(a[0], header, "a mask from 0 to 255");
                (in.status().*set)(uint8_t(*mask));
                return {};
            },
            {1, 1}, "<mask 0..255>",
            [get](Interpreter& in, const Args&) { return answer(std::to_string((in.status().*get)())); },
            {0, 0}, nullptr, what, "status", false};
}

std::string all_errors(StatusModel& status) {
    std::string all;
    do all += (all.empty() ? "" : ",") + status.next_error();
    while (status.error_count() > 0);
    return all;
}

}  // namespace

std::vector<Handlers> common_commands() {
    return {
        {"*IDN", {}, {}, nullptr,
         [](Interpreter& in, const Args&) {
             const std::string& d = in.state().device;
             const std::string shown = d.empty() ? "NONE" : variants::display_name(d);
             const std::string link = in.hooks().link_id ? in.hooks().link_id() : "SIM";
             return answer("KSY7100-EVAL," + shown + "," + link + "," + in.version());
         },
         {0, 0}, nullptr, "KSY7100-EVAL,<variant or NONE>,<link>,<version>", "identification"},
        {"*RST",
         [](Interpreter& in, const Args&) -> Reply {
             // A running exerciser is stopped first: *RST always ends a run. Then it is a setting
             // like the others, refused while settings are locked.
             if (auto* ex = in.hooks().exercisers) {
                 ex->stop_hop();
                 ex->stop_sweep();
             }
             if (in.hooks().settings_locked)
                 if (auto cause = in.hooks().settings_locked()) return {{}, Error{kExecutionError, *cause}};
             return in.finish(actions::reset_to_defaults(in.state(), in.port()));
         },
         {0, 0}, nullptr, {}, {}, nullptr, nullptr,
         "the variant's start-up defaults, then test, N, R, control (exercisers stopped)", false},
        {"*TST", {}, {}, nullptr,
         [](Interpreter& in, const Args&) -> Reply {
             std::optional<std::string> cause;
             if (in.hooks().self_test) cause = in.hooks().self_test();
             else if (!in.port().failure().empty()) cause = "the board link failed: " + in.port().failure();
             if (!cause) return answer("0");
             in.status().queue({kSelfTestFailed, *cause});
             return answer("1");
         },
         {0, 0}, nullptr, "0 when the board link answers, else 1 (the cause in the error queue)",
         "self-test: one supply readback, no latch written"},
        {"*CLS",
         [](Interpreter& in, const Args&) -> Reply {
             in.status().clear();
             return {};
         },
         {0, 0}, nullptr, {}, {}, nullptr, nullptr, "empties the error queue and the event status register", false},
        mask_register("*ESE", &StatusModel::event_enable, &StatusModel::set_event_enable,
                      "the standard event status enable mask"),
        {"*ESR", {}, {}, nullptr,
         [](Interpreter& in, const Args&) { return answer(std::to_string(in.status().take_events())); },
         {0, 0}, nullptr, "the standard event status register, then cleared", "status"},
        mask_register("*SRE", &StatusModel::service_enable, &StatusModel::set_service_enable,
                      "the service request enable mask"),
        {"*STB", {}, {}, nullptr,
         [](Interpreter& in, const Args&) {
             return answer(std::to_string(in.status().status_byte(in.message_available())));
         },
         {0, 0}, nullptr, "the status byte", "status"},
        {"*OPC",
         [](Interpreter& in, const Args&) -> Reply {
             in.status().set_event(StatusModel::kOperationComplete);
             return {};
         },
         {0, 0}, nullptr, [](Interpreter&, const Args&) { return answer("1"); }, {0, 0}, nullptr,
         "1, once every earlier command is done (at once: none is left pending)", "synchronisation", false},
        {"*WAI", [](Interpreter&, const Args&) -> Reply { return {}; }, {0, 0}, nullptr, {}, {}, nullptr, nullptr,
         "waits for every earlier command (none is left pending)", false},
        {"SYSTem:ERRor[:NEXT]", {}, {}, nullptr,
         [](Interpreter& in, const Args&) { return answer(in.status().next_error()); },
         {0, 0}, nullptr, "the oldest error, <code>,\"<text>\", or 0,\"No error\"", "error queue"},
        {"SYSTem:ERRor:COUNt", {}, {}, nullptr,
         [](Interpreter& in, const Args&) { return answer(std::to_string(in.status().error_count())); },
         {0, 0}, nullptr, "the number of errors queued", "error queue"},
        {"SYSTem:ERRor:ALL", {}, {}, nullptr, [](Interpreter& in, const Args&) { return answer(all_errors(in.status())); },
         {0, 0}, nullptr, "every error queued, oldest first, then the queue is empty", "error queue"},
        {"SYSTem:VERSion", {}, {}, nullptr, [](Interpreter&, const Args&) { return answer("1999.0"); }, {0, 0}, nullptr,
         "the SCPI version the language follows, 1999.0", "none (a query)"},
        {"SYSTem:LINK", {}, {}, nullptr,
         [](Interpreter& in, const Args&) {
             if (in.hooks().link_status) return answer(in.hooks().link_status());
             const std::string failure = in.port().failure();
             return answer(failure.empty() ? "SIM,OK" : "SIM,FAILED");
         },
         {0, 0}, nullptr, "the link and its state: SIM,OK or PARPORT,/dev/parport0,OK or FTDI,<serial>,FAILED,\"<cause>\"",
         "none (a query)"},
        {"SYSTem:EXIT",
         [](Interpreter& in, const Args&) -> Reply {
             if (!in.hooks().exit) return error(kExecutionError, "this run is not ended by a command");
             if (auto cause = in.hooks().exit()) return error(kExecutionError, *cause);
             return {};
         },
         {0, 0}, nullptr, {}, {}, nullptr, nullptr, "ends a headless run", false},
    };
}

}  // namespace commands
