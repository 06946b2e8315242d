// The loop designer's commands: the filter, its design and analysis, the lock time of a hop and
// the phase noise, all from the loop record the state keeps and the present frequency plan.
// They change no latch and send nothing to the board.
#include <algorithm>
#include <cmath>

#include "actions/command_handlers.h"
#include "actions/loop_filter.h"
#include "model/e_series.h"
#include "model/loop_analysis.h"
#include "model/loop_defaults.h"
#include "model/loop_design.h"
#include "model/loop_noise.h"
#include "model/loop_plan.h"
#include "model/loop_transient.h"
#include "model/number_format.h"

namespace commands {
namespace {

constexpr const char* kNotSettled = "9.91E37";  // the instrument convention's "no value"
constexpr std::size_t kMaxNoisePoints = 32;

std::string number_text(double value) { return numfmt::general(value); }

// The numbers of a command's arguments, each in its unit (the last unit repeats); `refused` is
// set when one is no number or takes a wrong suffix.
std::vector<double> numbers(const Args& a, const std::vector<Unit>& units, const char* header, const char* allowed,
                            std::optional<Reply>& refused) {
    std::vector<double> values;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto value = entry_value(a[i], units[std::min(i, units.size() - 1)], std::nullopt, refused);
        if (!refused && (!value || !std::isfinite(*value))) refused = illegal(a[i], header, allowed);
        if (refused) return {};
        values.push_back(*value);
    }
    return values;
}

// Why the loop as kept cannot be analysed, as the refusal (-221), or nothing when it can.
std::optional<Reply> unready(const EvalState& s, double n) {
    if (auto problem = ::loop_unready(s, n); !problem.empty()) return error(kSettingsConflict, problem);
    return std::nullopt;
}

std::optional<LoopFigures> figures(Interpreter& in, std::optional<Reply>& refused) {
    const EvalState& s = in.state();
    refused = unready(s, plan_ratio(s));
    if (refused) return std::nullopt;
    auto fig = analyse_loop(s.loop.parts, loop_plant(s, plan_ratio(s)));
    if (!fig) refused = error(kSettingsConflict, "the open loop has no unity-gain crossover");
    return fig;
}

std::string points_text(const NoiseProfile& points) {
    if (points.empty()) return "NONE";
    std::string text;
    for (const NoisePoint& p : points)
        text += (text.empty() ? "" : ",") + number_text(p.offset_hz) + "," + number_text(p.dbc_hz);
    return text;
}

// LOOP:NOIS:VCO and LOOP:NOIS:REF: NONE, or (offset, level) pairs.
Handlers noise_points(const char* header, NoiseProfile LoopSettings::*field, actions::NoiseSource source,
                      const char* what) {
    return {header,
            [header, source](Interpreter& in, const Args& a) -> Reply {
                if (a.size() == 1 && keyword(a[0], {"NONE"}))
                    return in.finish(actions::set_noise_points(in.state(), source, {}));
                if (a.size() % 2) return error(kMissingParameter, std::string(header) + " takes (offset, level) pairs");
                std::optional<Reply> refused;
                std::vector<Unit> units;
                for (std::size_t i = 0; i < a.size(); ++i) units.push_back(i % 2 ? Unit::None : Unit::Hz);
                const auto v = numbers(a, units, header, "offsets in Hz and levels in dBc/Hz", refused);
                if (refused) return *refused;
                NoiseProfile points;
                for (std::size_t i = 0; i < v.size(); i += 2) points.push_back({v[i], v[i + 1]});
                return in.finish(actions::set_noise_points(in.state(), source, points));
            },
            {1, int(2 * kMaxNoisePoints)}, "<offset Hz>,<dBc/Hz>,...|NONE",
            [field](Interpreter& in, const Args&) { return answer(points_text(in.state().loop.*field)); },
            {0, 0}, nullptr, "the points, <offset Hz>,<dBc/Hz>,... in order of offset, or NONE", what};
}

// LOOP:NOIS:FOM and LOOP:NOIS:FLIC: a level in dBc/Hz.
Handlers noise_level(const char* header, double LoopSettings::*field, double VariantLoopDefaults::*def,
                     const char* what) {
    return {header,
            [header, field, def](Interpreter& in, const Args& a) -> Reply {
                std::optional<Reply> refused;
                const double d = loop_defaults(in.state().device).*def;
                const auto v = entry_value(a[0], Unit::None, Range{-300, 0, d}, refused);
                if (refused) return *refused;
                if (!v) return illegal(a[0], header, "a level in dBc/Hz");
                LoopSettings& l = in.state().loop;
                const bool fom = field == &LoopSettings::fom_dbc_hz;
                return in.finish(actions::set_pll_noise(in.state(), fom ? v : l.fom_dbc_hz, fom ? l.flicker_dbc_hz : v));
            },
            {1, 1}, "<dBc/Hz>",
            [field](Interpreter& in, const Args&) { return answer(number_text(in.state().loop.*field)); },
            {0, 0}, nullptr, "the level in dBc/Hz", what};
}

}  // namespace

std::vector<Handlers> loop_commands() {
    return {
        {"LOOP:ORDer",
         [](Interpreter& in, const Args& a) -> Reply {
             auto order = whole(a[0], 2, 3, 2);
             if (!order) return illegal(a[0], "LOOP:ORD", "2 or 3");
             return in.finish(actions::set_loop_order(in.state(), *order));
         },
         {1, 1}, "2|3",
         [](Interpreter& in, const Args&) { return answer(std::to_string(in.state().loop.order)); },
         {0, 0}, nullptr, "the filter order, 2 or 3",
         "loop model: the filter order (2 clears C3 and R3; 3 waits for a design or parts)"},
        {"LOOP:KVCO",
         [](Interpreter& in, const Args& a) -> Reply {
             std::optional<Reply> refused;
             const Range range{0.001, 1e4, loop_defaults(in.state().device).kvco_mhz_per_v};
             const auto v = entry_value(a[0], Unit::None, range, refused);
             if (refused) return *refused;
             if (!v) return illegal(a[0], "LOOP:KVCO", "the VCO gain in MHz/V");
             return in.finish(actions::set_vco_gain(in.state(), v));
         },
         {1, 1}, "<MHz/V>",
         [](Interpreter& in, const Args&) { return answer(number_text(in.state().loop.kvco_mhz_per_v)); },
         {0, 0}, nullptr, "the VCO gain in MHz/V", "loop model: the VCO gain"},
        {"LOOP:ICP", {}, {}, nullptr,
         [](Interpreter& in, const Args&) { return answer(number_text(charge_pump_current_a(in.state()) * 1e3)); },
         {0, 0}, nullptr, "the charge-pump current the loop uses now, mA (current setting 1, or 2 while CP gain is on)",
         "none (a query)"},
        {"LOOP:DESign",
         [](Interpreter& in, const Args& a) -> Reply {
             EvalState& s = in.state();
             if (s.loop.order == 2 && a.size() == 4) return error(kParameterNotAllowed, "T31 applies to order 3 only");
             std::optional<Reply> refused;
             const auto v =
                 numbers(a, {Unit::Hz, Unit::None}, "LOOP:DES", "<fc Hz>,<degrees>[,<gamma>[,<T31>]]", refused);
             if (refused) return *refused;
             const DesignGoal goal{s.loop.order, v[0], v[1], v.size() > 2 ? v[2] : 1.0, v.size() > 3 ? v[3] : 0.6};
             return in.finish(actions::design_loop_filter(s, goal));
         },
         {2, 4}, "<fc Hz>,<phase margin deg>[,<gamma>[,<T31>]]", {}, {}, nullptr, nullptr,
         "loop model: design for the present plan and keep the parts (rounded to the snap series)"},
        {"LOOP:COMPonents",
         [](Interpreter& in, const Args& a) -> Reply {
             std::optional<Reply> refused;
             const auto v = numbers(a, {Unit::Farad, Unit::Farad, Unit::Farad, Unit::Ohm, Unit::Ohm}, "LOOP:COMP",
                                    "C1, C2, C3 in F and R2, R3 in ohm", refused);
             if (refused) return *refused;
             return in.finish(actions::use_loop_parts(in.state(), {v[0], v[1], v[2], v[3], v[4]}));
         },
         {5, 5}, "<C1 F>,<C2 F>,<C3 F>,<R2 ohm>,<R3 ohm>",
         [](Interpreter& in, const Args&) -> Reply {
             const LoopParts& p = in.state().loop.parts;
             std::string text;
             for (double v : {p.c1, p.c2, p.c3, p.r2, p.r3}) text += (text.empty() ? "" : ",") + number_text(v);
             return answer(text);
         },
         {0, 0}, nullptr, "<C1 F>,<C2 F>,<C3 F>,<R2 ohm>,<R3 ohm>",
         "loop model: the parts in use (C3 and R3 both 0 make order 2, both above 0 order 3)"},
        {"LOOP:SNAP",
         [](Interpreter& in, const Args& a) -> Reply {
             auto k = keyword(a[0], {"E12", "E24", "E96", "NONE"});
             if (!k) return illegal(a[0], "LOOP:SNAP", "E12, E24, E96 or NONE");
             static constexpr ESeries series[] = {ESeries::E12, ESeries::E24, ESeries::E96, ESeries::None};
             return in.finish(actions::set_loop_series(in.state(), series[*k]));
         },
         {1, 1}, "E12|E24|E96|NONE",
         [](Interpreter& in, const Args&) { return answer(std::string(series_name(in.state().loop.snap))); },
         {0, 0}, nullptr, "E12, E24, E96 or NONE",
         "loop model: round the parts in use to a series, now and after each design"},
        {"LOOP:BWIDth", {}, {}, nullptr,
         [](Interpreter& in, const Args&) -> Reply {
             std::optional<Reply> refused;
             const auto fig = figures(in, refused);
             return refused ? *refused : answer(number_text(fig->crossover_hz));
         },
         {0, 0}, nullptr, "the open loop's unity-gain crossover of the parts in use, Hz", "none (a query)"},
        {"LOOP:PMARgin", {}, {}, nullptr,
         [](Interpreter& in, const Args&) -> Reply {
             std::optional<Reply> refused;
             const auto fig = figures(in, refused);
             return refused ? *refused : answer(number_text(fig->phase_margin_deg));
         },
         {0, 0}, nullptr, "the phase margin of the parts in use, degrees", "none (a query)"},
        {"LOOP:LTIMe", {}, {}, nullptr,
         [](Interpreter& in, const Args& a) -> Reply {
             const EvalState& s = in.state();
             std::optional<Reply> refused;
             const auto v = numbers(a, {Unit::MHz, Unit::MHz, Unit::Hz}, "LOOP:LTIM?",
                                    "<from MHz>,<to MHz>,<tolerance Hz>", refused);
             if (refused) return *refused;
             if (!(v[0] > 0 && v[1] > 0 && v[2] > 0))
                 return error(kDataOutOfRange, "both frequencies and the tolerance must be above 0");
             const double pfd_hz = s.pfd_freq * 1e3;
             if (auto unready_reply = unready(s, pfd_hz > 0 ? v[1] * 1e6 / pfd_hz : 0)) return *unready_reply;
             const HopTransient hop({s.loop.parts, s.loop.kvco_mhz_per_v * 1e6, pfd_hz, v[0] * 1e6, v[1] * 1e6,
                                     {{0, loop_plant(s, plan_ratio(s)).icp_a}}, v[2]});
             const auto lock = hop.lock_time_s();
             const std::string kind = hop.cycle_slips() ? ",SLIPS" : ",LINEAR";
             return answer((lock ? number_text(*lock) : kNotSettled) + kind);
         },
         {3, 3}, "<from MHz>,<to MHz>,<tolerance Hz>",
         "<s>,LINEAR|SLIPS: when the VCO last leaves the tolerance band (9.91E37: not within 100 ms); SLIPS where "
         "cycle slips make the figure optimistic",
         "none (a query)"},
        {"LOOP:NOISe", {}, {}, nullptr,
         [](Interpreter& in, const Args& a) -> Reply {
             std::optional<Reply> refused;
             const auto v = numbers(a, {Unit::Hz}, "LOOP:NOIS?", "an offset in Hz", refused);
             if (refused) return *refused;
             if (!(v[0] > 0)) return error(kDataOutOfRange, "the offset must be above 0 Hz");
             if (auto unready_reply = unready(in.state(), plan_ratio(in.state()))) return *unready_reply;
             return answer(number_text(phase_noise_at(noise_inputs(in.state()), v[0]).total));
         },
         {1, 1}, "<offset Hz>", "the total phase noise at the VCO frequency, dBc/Hz", "none (a query)"},
        noise_level("LOOP:NOISe:FOM", &LoopSettings::fom_dbc_hz, &VariantLoopDefaults::fom_dbc_hz,
                    "loop model: the synthesizer's normalised noise floor"),
        noise_level("LOOP:NOISe:FLICker", &LoopSettings::flicker_dbc_hz, &VariantLoopDefaults::flicker_dbc_hz,
                    "loop model: the synthesizer's flicker level (10 kHz offset, 1 GHz output)"),
        noise_points("LOOP:NOISe:VCO", &LoopSettings::vco_points, actions::NoiseSource::Vco, "loop model: the free-running VCO's noise points"),
        noise_points("LOOP:NOISe:REFerence", &LoopSettings::reference_points, actions::NoiseSource::Reference,
                     "loop model: the reference's noise points (at the reference frequency)"),
        {"LOOP:JITTer", {}, {}, nullptr,
         [](Interpreter& in, const Args& a) -> Reply {
             std::optional<Reply> refused;
             const auto v = numbers(a, {Unit::Hz}, "LOOP:JITT?", "<from Hz>,<to Hz>", refused);
             if (refused) return *refused;
             if (!(v[0] > 0 && v[1] > v[0])) return error(kDataOutOfRange, "the band must run from above 0 Hz upwards");
             if (auto unready_reply = unready(in.state(), plan_ratio(in.state()))) return *unready_reply;
             return answer(number_text(rms_jitter_s(noise_inputs(in.state()), v[0], v[1])));
         },
         {2, 2}, "<from Hz>,<to Hz>", "the RMS jitter over the band at the VCO frequency, s", "none (a query)"},
        {"LOOP:LDTime", {}, {}, nullptr,
         [](Interpreter& in, const Args& a) -> Reply {
             const EvalState& s = in.state();
             std::optional<Reply> refused;
             const auto v = numbers(a, {Unit::MHz}, "LOOP:LDT?", "<from MHz>,<to MHz>", refused);
             if (refused) return *refused;
             if (!(v[0] > 0 && v[1] > 0)) return error(kDataOutOfRange, "both frequencies must be above 0");
             const double pfd_hz = s.pfd_freq * 1e3;
             if (auto unready_reply = unready(s, pfd_hz > 0 ? v[1] * 1e6 / pfd_hz : 0)) return *unready_reply;
             const HopTransient hop({s.loop.parts, s.loop.kvco_mhz_per_v * 1e6, pfd_hz, v[0] * 1e6, v[1] * 1e6,
                                     {{0, loop_plant(s, plan_ratio(s)).icp_a}}});
             // The lock-detect precision bit: 5 PFD cycles inside the window when set, else 3.
             const auto detected = hop.lock_detect_time_s(s.ldp_bits != 0 ? 5 : 3);
             return answer(detected ? number_text(*detected) : kNotSettled);
         },
         {2, 2}, "<from MHz>,<to MHz>",
         "<s>: when digital lock detect rises after the step, with the present parts, current and lock-detect "
         "precision (9.91E37: not within 100 ms)",
         "none (a query)"},
    };
}

}  // namespace commands
