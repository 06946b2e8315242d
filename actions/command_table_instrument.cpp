// The instrument's own commands: settings files, the supply measurement, and the exercisers.
#include "actions/command_handlers.h"
#include "actions/settings_files.h"
#include "model/number_format.h"

namespace commands {
namespace {

// Where the memory commands' names lead.
const actions::FileStore& files_of(Interpreter& in) {
    static const actions::PathStore paths;
    return in.hooks().files ? *in.hooks().files : paths;
}

// The exercisers take their entries as a window's texts: a number given (with its suffix, or
// MIN, MAX, DEF) in the entry's unit, or the text as typed for the window's own refusal.
std::optional<std::string> entry_text(const std::string& arg, Unit unit, const Range& range, std::optional<Reply>& refused) {
    const auto value = entry_value(arg, unit, range, refused);
    if (refused) return std::nullopt;
    return value ? numfmt::general(*value) : arg;
}

// The window's limits: whole MHz in 16 bits, times from 1 to 32767 ms, its first entries as DEF.
Range hop_mhz(double def) { return {1, 32767, def}; }
Range milliseconds(double min, double def) { return {min, 32767, def}; }

Reply start_hop(Interpreter& in, const Args& a, bool with_gain) {
    if (!in.hooks().exercisers) return error(kExecutionError, "this run has no exercisers");
    Exercisers::Hop hop;
    hop.with_gain = with_gain;
    std::optional<Reply> refused;
    auto text = [&](size_t i, Unit unit, const Range& range) { return entry_text(a[i], unit, range, refused).value_or(""); };
    hop.start = text(0, Unit::MHz, hop_mhz(1750));
    hop.stop = text(1, Unit::MHz, hop_mhz(1752));
    hop.interval = text(2, Unit::Ms, milliseconds(1, 1000));
    if (with_gain) hop.delay = text(3, Unit::Ms, milliseconds(0, 1000));
    if (refused) return *refused;
    if (!with_gain && a.size() == 4) return error(kMissingParameter, "HOP:STAR takes both divide switches or none");
    if (!with_gain && a.size() == 5) {
        auto d1 = on_off(a[3]), d2 = on_off(a[4]);
        if (!d1 || !d2) return illegal(!d1 ? a[3] : a[4], "HOP:STAR", "0 or 1 for the divide switches");
        hop.divide_at_start = *d1;
        hop.divide_at_stop = *d2;
    }
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
        {"HOP:STARt", [](Interpreter& in, const Args& a) { return start_hop(in, a, false); }, {3, 5},
         "<f1 MHz>,<f2 MHz>,<ms>[,<div1 0|1>,<div2 0|1>]", {}, {}, nullptr, nullptr,
         "lock-time window: Start (plain hopping)"},
        {"HOP:GAIN", [](Interpreter& in, const Args& a) { return start_hop(in, a, true); }, {4, 4},
         "<f1 MHz>,<f2 MHz>,<ms>,<delay ms, 0 for Delay Off>", {}, {}, nullptr, nullptr, "lock-time window: Use CP Gain"},
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
         {0, 0}, nullptr, "RUN or IDLE, the hops made, the timing thread's scheduling and its late ticks: RUN,102,REALTIME,0", "none (a query)"},
        {"HOP:LOCK:STATe",
         [](Interpreter& in, const Args& a) -> Reply {
             if (!in.hooks().exercisers) return error(kExecutionError, "this run has no exercisers");
             const auto on = on_off(a[0]);
             if (!on) return illegal(a[0], "HOP:LOCK:STAT", "ON or OFF");
             in.hooks().exercisers->set_lock_measurement(*on);
             return {};
         },
         {1, 1}, "ON|OFF",
         [](Interpreter& in, const Args&) -> Reply {
             if (!in.hooks().exercisers) return error(kExecutionError, "this run has no exercisers");
             return answer(in.hooks().exercisers->lock_measurement() ? "1" : "0");
         },
         {0, 0}, nullptr, "1 when the next hop run measures each hop's lock time on the lock-detect line, else 0",
         "lock-time window: Measure lock time", false},
        {"HOP:LOCK", {}, {}, nullptr,
         [](Interpreter& in, const Args&) -> Reply {
             if (!in.hooks().exercisers) return error(kExecutionError, "this run has no exercisers");
             return answer(in.hooks().exercisers->hop_lock());
         },
         {0, 0}, nullptr,
         "<count>,<min s>,<median s>,<max s>,<not locked>,<resolution s> of the hop run in progress or the last "
         "one (9.91E37 where no hop locked)",
         "none (a query)"},
        {"HOP:LOCK:ALL", {}, {}, nullptr,
         [](Interpreter& in, const Args&) -> Reply {
             if (!in.hooks().exercisers) return error(kExecutionError, "this run has no exercisers");
             return answer(in.hooks().exercisers->hop_lock_all());
         },
         {0, 0}, nullptr, "every hop's lock time, s, as one comma list (9.91E37 for a hop not locked)",
         "none (a query)"},
        {"SWEep:STARt",
         [](Interpreter& in, const Args& a) -> Reply {
             if (!in.hooks().exercisers) return error(kExecutionError, "this run has no exercisers");
             std::optional<Reply> refused;
             const Range mhz{0, 1e6, 0};
             Exercisers::Sweep sweep{entry_text(a[0], Unit::MHz, Range{mhz.min, mhz.max, 1750}, refused).value_or(""),
                                     entry_text(a[1], Unit::MHz, Range{mhz.min, mhz.max, 1752}, refused).value_or(""),
                                     entry_text(a[2], Unit::kHz, Range{in.state().pfd_freq, 1e9, 200}, refused).value_or(""),
                                     entry_text(a[3], Unit::Ms, milliseconds(1, 2000), refused).value_or("")};
             if (refused) return *refused;
             return in.finish(in.hooks().exercisers->start_sweep(sweep));
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
         {0, 0}, nullptr, "RUN or IDLE, the frequency of the last step, the scheduling and the late ticks: RUN,1750.4,REALTIME,0", "none (a query)"},
    };
}

}  // namespace commands
