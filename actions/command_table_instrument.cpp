// The instrument's own commands: reset, status and errors, the end of a run, settings files, the
// supply measurement, and the exercisers.
#include "actions/command_handlers.h"
#include "actions/settings_files.h"
#include "actions/startup.h"

namespace commands {
namespace {

// Where the memory commands' names lead.
const actions::FileStore& files_of(Interpreter& in) {
    static const actions::PathStore paths;
    return in.hooks().files ? *in.hooks().files : paths;
}

Reply start_hop(Interpreter& in, const Exercisers::Hop& hop) {
    if (!in.hooks().exercisers) return error(kExecutionError, "this run has no exercisers");
    return in.finish(in.hooks().exercisers->start_hop(hop));
}

}  // namespace

std::vector<Handlers> instrument_commands() {
    return {
        {"MEMory:LOAD",
         [](Interpreter& in, const Args& a) -> Reply {
             if (a[0].empty()) return error(kExecutionError, "a file name is needed");
             return in.finish(
                 actions::load_settings_file(in.state(), in.port(), files_of(in), a[0], a[0], in.hooks().quote_files));
         },
         {1, 1}, "\"<file>\"", {}, {}, nullptr, nullptr, "Get Settings without the file dialog"},
        {"MEMory:SAVE",
         [](Interpreter& in, const Args& a) -> Reply {
             if (a[0].empty()) return error(kExecutionError, "a file name is needed");
             actions::Outcome out = actions::save_settings_file(in.state(), files_of(in), a[0], a[0], false);
             if (out.refusal) return error(kExecutionError, out.refusal->message);
             return {};
         },
         {1, 1}, "\"<file>\"", {}, {}, nullptr, nullptr,
         "Save Settings without the file dialog (an existing file is replaced whole)"},
        {"MEASure:SUPPlies", {}, {}, nullptr,
         [](Interpreter& in, const Args&) -> Reply {
             if (!in.hooks().measure_supplies) return error(kExecutionError, "this run cannot measure the supplies");
             return in.hooks().measure_supplies();
         },
         {0, 0}, nullptr, "<Vdd>,<Vp>,<Idd> as the readouts show them", "Options > Measure Supplies"},
        {"*RST",
         [](Interpreter& in, const Args&) {
             if (auto* ex = in.hooks().exercisers) {
                 ex->stop_hop();
                 ex->stop_sweep();
             }
             return in.finish(actions::reset_to_defaults(in.state(), in.port()));
         },
         {0, 0}, nullptr, {}, {}, nullptr, nullptr,
         "the variant's start-up defaults, then test, N, R, control (exercisers stopped)"},
        {"*CLS",
         [](Interpreter& in, const Args&) -> Reply {
             if (in.hooks().clear_errors) in.hooks().clear_errors();
             return {};
         },
         {0, 0}, nullptr, {}, {}, nullptr, nullptr, "empties the error queue", false},
        {"*OPC", {}, {}, nullptr, [](Interpreter&, const Args&) { return answer("1"); }, {0, 0}, nullptr,
         "1, once every earlier command of the connection is done", "none (a query)"},
        {"SYSTem:ERRor", {}, {}, nullptr,
         [](Interpreter& in, const Args&) {
             return answer(in.hooks().next_error ? in.hooks().next_error() : "0,\"No error\"");
         },
         {0, 0}, nullptr, "the oldest error of the connection: <code>,\"<text>\", or 0,\"No error\"", "none (a query)"},
        {"SYSTem:EXIT",
         [](Interpreter& in, const Args&) -> Reply {
             if (!in.hooks().exit) return error(kExecutionError, "this run is not ended by a command");
             if (auto cause = in.hooks().exit()) return error(kExecutionError, *cause);
             return {};
         },
         {0, 0}, nullptr, {}, {}, nullptr, nullptr, "ends a headless run", false},
        {"HOP:STARt",
         [](Interpreter& in, const Args& a) -> Reply {
             Exercisers::Hop hop;
             hop.start = a[0], hop.stop = a[1], hop.interval = a[2];
             if (a.size() == 4) return error(kMissingParameter, "HOP:STAR takes both divide switches or none");
             if (a.size() == 5) {
                 auto d1 = on_off(a[3]), d2 = on_off(a[4]);
                 if (!d1 || !d2) return illegal("HOP:STAR", "0 or 1 for the divide switches");
                 hop.divide_at_start = *d1;
                 hop.divide_at_stop = *d2;
             }
             return start_hop(in, hop);
         },
         {3, 5}, "<f1 MHz>,<f2 MHz>,<ms>[,<div1 0|1>,<div2 0|1>]", {}, {}, nullptr, nullptr,
         "lock-time window: Start (plain hopping)"},
        {"HOP:GAIN",
         [](Interpreter& in, const Args& a) {
             Exercisers::Hop hop;
             hop.start = a[0], hop.stop = a[1], hop.interval = a[2];
             hop.with_gain = true;
             hop.delay = a[3];
             return start_hop(in, hop);
         },
         {4, 4}, "<f1 MHz>,<f2 MHz>,<ms>,<delay ms, 0 for Delay Off>", {}, {}, nullptr, nullptr,
         "lock-time window: Use CP Gain"},
        {"HOP:STOP",
         [](Interpreter& in, const Args&) -> Reply {
             if (!in.hooks().exercisers) return error(kExecutionError, "this run has no exercisers");
             in.hooks().exercisers->stop_hop();
             return {};
         },
         {0, 0}, nullptr, {}, {}, nullptr, nullptr, "lock-time window: Stop", false},
        {"HOP:STATe", {}, {}, nullptr,
         [](Interpreter& in, const Args&) -> Reply {
             if (!in.hooks().exercisers) return error(kExecutionError, "this run has no exercisers");
             return answer(in.hooks().exercisers->hop_status());
         },
         {0, 0}, nullptr, "RUN or IDLE, and the hops made: RUN,102", "none (a query)"},
        {"SWEep:STARt",
         [](Interpreter& in, const Args& a) -> Reply {
             if (!in.hooks().exercisers) return error(kExecutionError, "this run has no exercisers");
             return in.finish(in.hooks().exercisers->start_sweep({a[0], a[1], a[2], a[3]}));
         },
         {4, 4}, "<start MHz>,<stop MHz>,<step kHz>,<ms>", {}, {}, nullptr, nullptr, "sweep window: Start"},
        {"SWEep:STOP",
         [](Interpreter& in, const Args&) -> Reply {
             if (!in.hooks().exercisers) return error(kExecutionError, "this run has no exercisers");
             in.hooks().exercisers->stop_sweep();
             return {};
         },
         {0, 0}, nullptr, {}, {}, nullptr, nullptr, "sweep window: Stop", false},
        {"SWEep:STATe", {}, {}, nullptr,
         [](Interpreter& in, const Args&) -> Reply {
             if (!in.hooks().exercisers) return error(kExecutionError, "this run has no exercisers");
             return answer(in.hooks().exercisers->sweep_status());
         },
         {0, 0}, nullptr, "RUN or IDLE, and the frequency of the last step: RUN,1750.4", "none (a query)"},
    };
}

}  // namespace commands
