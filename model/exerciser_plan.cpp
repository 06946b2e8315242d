#include "model/exerciser_plan.h"

#include <cmath>

#include "model/counters.h"
#include "model/frequency_made.h"
#include "model/number_format.h"

namespace exerciser {
namespace {

Problem bad_entry(std::string_view entry, std::string message) {
    return Problem{std::string(entry), std::move(message), true};
}

// A whole number typed into an entry (half to even), or nothing when it is not a number or
// falls outside low..high.
std::optional<int> whole_entry(std::string_view text, char decimal_point, int low, int high) {
    auto value = numfmt::parse_entry(text, decimal_point);
    if (!value) return std::nullopt;
    auto whole = numfmt::round_i32(*value);
    if (!whole || *whole < low || *whole > high) return std::nullopt;
    return *whole;
}

std::string mhz(double value) { return numfmt::general(value) + " MHz"; }

// Both exercisers compute N from the PFD frequency, which must be usable.
std::optional<Problem> pfd_problem(const EvalState& s) {
    if (s.pfd_freq > 0 && std::isfinite(s.pfd_freq)) return std::nullopt;
    return Problem{{}, "The PFD frequency is " + numfmt::general(s.pfd_freq) +
                           " kHz; set a PFD frequency above 0 first."};
}

}  // namespace

Outcome<Counters> counters_for(double ratio, int32_t prescaler) {
    if (prescaler <= 0) return {{}, Problem{{}, "The prescaler is not set; choose a prescaler first."}};
    auto n = numfmt::round_i32(ratio);
    if (!n) {
        std::string shown = std::isfinite(ratio) ? numfmt::general(std::round(ratio)) : "beyond any number";
        const char* limit = ratio < 1 ? "it must be at least 1." : "it is too large for the counters.";
        return {{}, Problem{{}, "The total divide ratio N would be " + shown + "; " + limit}};
    }
    auto split = split_counters(*n, prescaler);
    if (auto problem = n_counters_problem(*n, split->b, split->a, prescaler)) return {{}, Problem{{}, *problem}};
    return {Counters{*n, split->b, split->a}, {}};
}

Outcome<int> read_interval(std::string_view text, char decimal_point, std::string_view entry,
                           std::string_view name) {
    if (auto ms = whole_entry(text, decimal_point, kMinIntervalMs, kMaxIntervalMs)) return {*ms, {}};
    return {{}, bad_entry(entry, "Invalid entry in " + std::string(name) + ": enter a time from " +
                                     std::to_string(kMinIntervalMs) + " to " + std::to_string(kMaxIntervalMs) +
                                     " msecs.")};
}

// ---- Lock-time hopping ----

namespace {

struct HopFrequencies {
    int first = 0, second = 0;
};

Outcome<HopFrequencies> read_hop_frequencies(const HopEntries& e) {
    auto entry = [&](std::string_view text, const char* control, const char* name) -> Outcome<int> {
        if (auto f = whole_entry(text, e.decimal_point, kMinHopMhz, kMaxHopMhz)) return {*f, {}};
        return {{}, bad_entry(control, std::string("Invalid entry in ") + name + ": enter a frequency from " +
                                           std::to_string(kMinHopMhz) + " to " + std::to_string(kMaxHopMhz) +
                                           " MHz.")};
    };
    auto first = entry(e.start, "Text1", "Start Frequency");
    if (!first) return {{}, first.problem};
    auto second = entry(e.stop, "Text2", "Stop Frequency");
    if (!second) return {{}, second.problem};
    return {HopFrequencies{*first, *second}, {}};
}

// The counters at one of the two frequencies; a problem names that frequency's entry.
Outcome<Counters> hop_counters(const EvalState& s, double f, bool at_start) {
    if (auto problem = pfd_problem(s)) return {{}, problem};
    auto counters = counters_for(f / s.pfd_freq * 1000, s.prescaler);  // MHz over kHz
    if (counters || s.prescaler <= 0) return counters;  // a missing prescaler is no entry's fault
    Problem p = *counters.problem;
    p.entry = at_start ? "Text1" : "Text2";
    p.message = std::string("At the ") + (at_start ? "Start" : "Stop") + " Frequency of " + mhz(f) + ": " + p.message;
    return {{}, p};
}

}  // namespace

Outcome<Hop> hop_step(const EvalState& s, const HopEntries& entries, std::optional<bool> divide_at_start,
                      std::optional<bool> divide_at_stop) {
    auto freqs = read_hop_frequencies(entries);
    if (!freqs) return {{}, freqs.problem};
    const double first = freqs->first, second = freqs->second;

    Hop hop;
    if (s.hop_freq == first) {
        hop.hop_freq = second;
        hop.out_div2 = divide_at_stop;
    } else {
        hop.hop_freq = first;
    }
    const bool at_start = hop.hop_freq == first;
    if (at_start) hop.out_div2 = divide_at_start;

    auto counters = hop_counters(s, hop.hop_freq, at_start);
    if (!counters) return {{}, counters.problem};
    hop.counters = *counters;
    return {hop, {}};
}

void apply_hop(EvalState& s, const Hop& hop) {
    s.hop_freq = hop.hop_freq;
    if (hop.out_div2) s.out_div2_bits = *hop.out_div2 ? kOutDiv2Bit : 0;
    s.n_value = hop.counters.n;
    s.b_counter = hop.counters.b;
    s.a_counter = hop.counters.a;
    settle_frequencies(s);
    s.asked_vco_freq = hop.hop_freq;
}

Outcome<HopStart> hop_start(const EvalState& s, const HopEntries& e, bool with_delay) {
    HopStart start;
    auto interval = read_interval(e.interval, e.decimal_point, "Text3", "Frequency of jumps");
    if (!interval) return {{}, interval.problem};
    start.interval_ms = *interval;
    if (with_delay) {
        auto delay = read_interval(e.delay, e.decimal_point, "Text4", "Delay Between CP Gain Control Latch Update");
        if (!delay) return {{}, delay.problem};
        start.delay_ms = *delay;
    }
    auto freqs = read_hop_frequencies(e);
    if (!freqs) return {{}, freqs.problem};
    if (auto at_first = hop_counters(s, freqs->first, true); !at_first) return {{}, at_first.problem};
    if (auto at_second = hop_counters(s, freqs->second, false); !at_second) return {{}, at_second.problem};
    return {start, {}};
}

// ---- Frequency sweep ----

Outcome<SweepSetup> read_sweep(const EvalState& s, const SweepEntries& e) {
    auto rate = read_interval(e.rate, e.decimal_point, "Text4", "rate of sweep");
    if (!rate) return {{}, rate.problem};

    auto number = [&](std::string_view text, double scale) -> std::optional<double> {
        auto value = numfmt::parse_entry(text, e.decimal_point);
        if (!value || !std::isfinite(*value * scale)) return std::nullopt;
        return *value * scale;
    };
    SweepSetup setup;
    setup.rate_ms = *rate;
    auto start = number(e.start, 1'000'000);
    if (!start) return {{}, bad_entry("Text1", "Invalid entry in Start: enter the start frequency in MHz.")};
    auto stop = number(e.stop, 1'000'000);
    if (!stop) return {{}, bad_entry("Text3", "Invalid entry in Stop: enter the stop frequency in MHz.")};
    auto step = number(e.step, 1000);
    if (!step || !(*step > 0))
        return {{}, bad_entry("Text2", "Invalid entry in Channel Step: enter a step above 0 kHz.")};
    setup.start_hz = *start;
    setup.stop_hz = *stop;
    setup.step_hz = *step;
    setup.first_freq_hz = *start - *step;

    if (auto problem = pfd_problem(s)) return {{}, problem};
    // Whole as the decimal numbers define it: 400 kHz over 200 kHz is 2, not 1.9999999999999998.
    const double channels = numfmt::round_trip(*step / (s.pfd_freq * 1000));
    if (channels < 1 || channels != std::floor(channels))
        return {{}, Problem{"Text2", "The channel step of " + numfmt::general(*step / 1000) +
                                         " kHz is not a whole multiple of the PFD frequency of " +
                                         numfmt::general(s.pfd_freq) +
                                         " kHz; the synthesizer steps only in whole PFD steps."}};

    EvalState trial = s;
    apply_sweep_setup(trial, setup);
    auto first = sweep_step(trial);
    if (!first) {
        Problem p = *first.problem;
        if (s.prescaler > 0) p.entry = "Text1";
        return {{}, p};
    }
    // Below P x (P - 1) a dual-modulus prescaler cannot make every N: the steps down there are
    // checked now, so a sweep that starts is never stopped halfway by one of them.
    const double low_hz = double(s.prescaler) * (s.prescaler - 1) * s.pfd_freq * 1000;
    for (auto step = first; step && !step->last && step->sweep_freq < low_hz;) {
        apply_sweep_step(trial, *step);
        step = sweep_step(trial);
        if (!step) {
            Problem p = *step.problem;
            p.entry = "Text1";
            return {{}, p};
        }
    }
    return {setup, {}};
}

void apply_sweep_setup(EvalState& s, const SweepSetup& setup) {
    s.sweep_start = setup.start_hz;
    s.sweep_stop = setup.stop_hz;
    s.sweep_step = setup.step_hz;
    s.sweep_freq = setup.first_freq_hz;
}

Outcome<SweepStep> sweep_step(const EvalState& s) {
    if (!(s.sweep_step > 0) || !std::isfinite(s.sweep_step))
        return {{}, Problem{"Text2", "The channel step is " + numfmt::general(s.sweep_step / 1000) +
                                         " kHz; it must be above 0 kHz."}};
    if (auto problem = pfd_problem(s)) return {{}, problem};
    SweepStep step;
    step.sweep_freq = s.sweep_freq + s.sweep_step;
    const double pfd_hz = s.pfd_freq * 1000;
    auto counters = counters_for(step.sweep_freq / pfd_hz, s.prescaler);
    if (!counters) {
        Problem p = *counters.problem;
        if (s.prescaler > 0) p.message = "At " + mhz(step.sweep_freq / 1'000'000) + ": " + p.message;
        return {{}, p};
    }
    step.counters = *counters;
    step.vco_freq = vco_made_mhz(counters->n, s.pfd_freq);
    step.last = s.sweep_stop <= step.sweep_freq;
    return {step, {}};
}

void apply_sweep_step(EvalState& s, const SweepStep& step) {
    s.sweep_freq = step.sweep_freq;
    s.n_value = step.counters.n;
    s.b_counter = step.counters.b;
    s.a_counter = step.counters.a;
    settle_frequencies(s);
    s.asked_vco_freq = step.sweep_freq / 1'000'000;
}

SweepTexts sweep_texts(const EvalState& s) {
    return {numfmt::general(s.vco_freq), numfmt::general(s.sweep_start / 1'000'000),
            numfmt::general(s.sweep_stop / 1'000'000), numfmt::general(s.sweep_step / 1000)};
}

}  // namespace exerciser
