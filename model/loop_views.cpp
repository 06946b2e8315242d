#include "model/loop_views.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "model/loop_plan.h"
#include "model/loop_transient.h"
#include "model/number_format.h"

namespace {

std::vector<double> log_spaced(double lo, double hi, int points) {
    std::vector<double> f(size_t(std::max(points, 2)));
    const double step = std::log10(hi / lo) / double(f.size() - 1);
    for (size_t i = 0; i < f.size(); ++i) f[i] = lo * std::pow(10.0, step * double(i));
    return f;
}

FrequencyHop hop_of(const EvalState& s, const LoopParts& parts, const LoopQuestions& q) {
    FrequencyHop hop;
    hop.parts = parts;
    hop.kvco_hz_per_v = s.loop.kvco_mhz_per_v * 1e6;
    hop.pfd_hz = s.pfd_freq * 1e3;
    hop.from_hz = q.from_mhz * 1e6;
    hop.to_hz = q.to_mhz * 1e6;
    hop.pump = {{0, loop_plant(s, plan_ratio(s)).icp_a}};
    hop.tolerance_hz = q.tolerance_hz;
    return hop;
}

}  // namespace

std::string engineering(double value, const char* unit) {
    if (!std::isfinite(value)) return "none";
    if (value == 0) return "0";
    static constexpr struct { double scale; const char* prefix; } kPrefixes[] = {
        {1e9, "G"}, {1e6, "M"}, {1e3, "k"}, {1, ""}, {1e-3, "m"}, {1e-6, "u"}, {1e-9, "n"}, {1e-12, "p"}, {1e-15, "f"}};
    const double magnitude = std::abs(value);
    for (const auto& p : kPrefixes) {
        if (magnitude >= p.scale * 0.9995 || p.scale == 1e-15) {
            char text[48];
            std::snprintf(text, sizeof text, "%.3g %s%s", value / p.scale, p.prefix, unit);
            return text;
        }
    }
    return "0 " + std::string(unit);
}

Achieved achieved(const EvalState& s, const LoopParts& parts, const LoopQuestions& q) {
    Achieved a;
    EvalState with = s;
    with.loop.parts = parts;
    with.loop.order = parts.order();
    const double n = plan_ratio(s);
    if (!loop_unready(with, n).empty()) return a;
    a.figures = analyse_loop(parts, loop_plant(with, n));
    const FrequencyHop hop = hop_of(with, parts, q);
    if (hop_problem(hop).empty()) {
        const HopTransient transient(hop);
        a.lock_time_s = transient.lock_time_s();
        a.cycle_slips = transient.cycle_slips();
    }
    if (q.jitter_to_hz > q.jitter_from_hz && q.jitter_from_hz > 0)
        a.jitter_s = rms_jitter_s(noise_inputs(with), q.jitter_from_hz, q.jitter_to_hz);
    return a;
}

OpenLoopCurves open_loop_curves(const LoopParts& parts, const LoopPlant& plant, double crossover_hz, int points) {
    OpenLoopCurves c;
    const double hi = std::min(crossover_hz * 100, plant.pfd_hz / 2);
    c.f_hz = log_spaced(crossover_hz / 100, std::max(hi, crossover_hz * 2), points);
    double unwrap = 0, previous = 0;
    for (size_t i = 0; i < c.f_hz.size(); ++i) {
        const auto g = open_loop_gain(parts, plant, c.f_hz[i]);
        c.gain_db.push_back(20 * std::log10(std::abs(g)));
        // The phase as the loop turns it, not folded into ±180°: it starts near -180° and stays
        // continuous, so the margin reads as its distance from -180°.
        double phase = std::arg(g) * 180 / std::numbers::pi;
        if (i > 0) {
            while (phase + unwrap - previous > 180) unwrap -= 360;
            while (phase + unwrap - previous < -180) unwrap += 360;
        } else if (phase > 0) {
            unwrap = -360;
        }
        previous = phase + unwrap;
        c.phase_deg.push_back(previous);
    }
    return c;
}

NoiseCurves noise_curves(const NoiseInputs& inputs, int points) {
    NoiseCurves c;
    c.offset_hz = log_spaced(100, std::max(inputs.plant.pfd_hz / 2, 1000.0), points);
    c.at = phase_noise_curve(inputs, c.offset_hz);
    return c;
}

TransientCurve transient_curve(const EvalState& s, const LoopQuestions& q, int points) {
    TransientCurve c;
    const FrequencyHop hop = hop_of(s, s.loop.parts, q);
    if (!hop_problem(hop).empty() || !loop_unready(s, plan_ratio(s)).empty()) return c;
    const HopTransient transient(hop);
    c.lock_time_s = transient.lock_time_s();
    c.cycle_slips = transient.cycle_slips();
    const double end = c.lock_time_s ? std::min(HopTransient::kHorizonS, *c.lock_time_s * 1.5) : HopTransient::kHorizonS;
    for (int i = 0; i < points; ++i) {
        const double t = end * double(i) / double(points - 1);
        c.t_s.push_back(t);
        c.error_hz.push_back(transient.frequency_hz(t) - hop.to_hz);
    }
    return c;
}

std::string describe_open_loop(const std::optional<LoopFigures>& f) {
    if (!f) return "Open loop: the parts in use make no loop on the present plan.";
    char text[200];
    std::snprintf(text, sizeof text, "Open loop: gain crosses 0 dB at %s with a phase margin of %.1f degrees; "
                  "closed-loop bandwidth %s.", engineering(f->crossover_hz, "Hz").c_str(), f->phase_margin_deg,
                  engineering(f->closed_loop_bandwidth_hz, "Hz").c_str());
    return text;
}

std::string describe_noise(const NoiseCurves& c, const Achieved& a, const LoopQuestions& q) {
    if (c.at.empty()) return "Phase noise: no curve on the present plan.";
    std::string text = "Phase noise at the VCO frequency, total:";
    for (double offset : {1e3, 1e4, 1e5, 1e6}) {
        if (offset < c.offset_hz.front() || offset > c.offset_hz.back()) continue;
        const size_t i = size_t(std::lower_bound(c.offset_hz.begin(), c.offset_hz.end(), offset) - c.offset_hz.begin());
        char part[80];
        std::snprintf(part, sizeof part, " %.1f dBc/Hz at %s;", c.at[std::min(i, c.at.size() - 1)].total,
                      engineering(offset, "Hz").c_str());
        text += part;
    }
    if (a.jitter_s)
        text += " RMS jitter " + engineering(*a.jitter_s, "s") + " from " + engineering(q.jitter_from_hz, "Hz") + " to " +
                engineering(q.jitter_to_hz, "Hz") + ".";
    return text;
}

std::string describe_transient(const TransientCurve& c, const LoopQuestions& q) {
    if (c.t_s.empty()) return "Lock transient: the step cannot be simulated with the parts in use.";
    std::string text = "Lock transient from " + engineering(q.from_mhz * 1e6, "Hz") + " to " +
                       engineering(q.to_mhz * 1e6, "Hz") + ": ";
    text += c.lock_time_s ? "within " + engineering(q.tolerance_hz, "Hz") + " after " + engineering(*c.lock_time_s, "s")
                          : "not settled within " + engineering(q.tolerance_hz, "Hz") + " in 100 ms";
    if (c.cycle_slips) text += "; cycles slip, so the real loop takes longer than this linear figure";
    return text + ".";
}

std::optional<NoiseProfile> parse_noise_points(std::string_view text) {
    NoiseProfile points;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view pair = text.substr(start, end - start);
        start = end + 1;
        if (pair.find_first_not_of(" \t") == std::string_view::npos) {
            if (end == text.size()) break;
            continue;
        }
        const size_t comma = pair.find(',');
        if (comma == std::string_view::npos) return std::nullopt;
        const auto offset = numfmt::parse_entry(pair.substr(0, comma), '.');
        const auto level = numfmt::parse_entry(pair.substr(comma + 1), '.');
        if (!offset || !level) return std::nullopt;
        points.push_back({*offset, *level});
    }
    return points;
}

std::string noise_points_text(const NoiseProfile& points) {
    std::string text;
    for (const NoisePoint& p : points)
        text += (text.empty() ? "" : "; ") + numfmt::general(p.offset_hz) + ", " +
                numfmt::general(std::round(p.dbc_hz * 100) / 100);  // as levels are quoted, to 0.01 dB
    return text;
}

std::optional<double> parse_part_value(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == 'F' || text.back() == 'f' ||
                             text.ends_with("ohm") || text.ends_with("Ohm"))) {
        if (text.ends_with("ohm") || text.ends_with("Ohm")) text.remove_suffix(3);
        else text.remove_suffix(1);
    }
    double scale = 1;
    if (!text.empty()) {
        switch (text.back()) {
        case 'p': scale = 1e-12; break;
        case 'n': scale = 1e-9; break;
        case 'u': scale = 1e-6; break;
        case 'm': scale = 1e-3; break;
        case 'k': scale = 1e3; break;
        case 'M': scale = 1e6; break;
        default: break;
        }
        if (scale != 1) text.remove_suffix(1);
    }
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    const auto v = numfmt::parse_entry(text, '.');
    if (!v || !std::isfinite(*v * scale)) return std::nullopt;
    return *v * scale;
}
