#include "model/loop_transient.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// The stored states stay below this many (40 MB); a PFD fast enough to exceed it over the
// horizon (above 10 MHz) stores every second, third, ... edge, and still steps every one.
constexpr std::size_t kMaxStoredStates = std::size_t(1) << 20;
// Long after any loop has settled; a later (or infinite) time is answered as this one.
constexpr double kLatestQueryS = 1e6;

SmallVector unit(std::size_t n, int i) {
    SmallVector e;
    e.n = n;
    if (i >= 0) e.v[std::size_t(i)] = 1;
    return e;
}

SmallVector combine(double a, const SmallVector& x, double b, const SmallVector& y) {
    SmallVector r;
    r.n = x.n;
    for (std::size_t i = 0; i < x.n; ++i) r.v[i] = a * x.v[i] + b * y.v[i];
    return r;
}

// Where each quantity sits in the state vector; -1 when the filter has no such capacitor. With
// C1 = 0 the pump node's voltage is no state but follows from the others at once.
struct Layout {
    int v1 = -1, c2 = -1, v3 = -1, phase = -1;
    std::size_t n = 0;
    explicit Layout(const LoopParts& p) {
        int i = 0;
        if (p.c1 > 0) v1 = i++;
        c2 = i++;
        if (p.order() == 3) v3 = i++;
        phase = i++;
        n = std::size_t(i);
    }
};

}  // namespace

std::string hop_problem(const FrequencyHop& hop) {
    if (auto problem = parts_problem(hop.parts); !problem.empty()) return problem;
    for (double v : {hop.kvco_hz_per_v, hop.from_hz, hop.to_hz, hop.tolerance_hz})
        if (!(v > 0) || !std::isfinite(v)) return "the VCO gain, both frequencies and the tolerance must be above 0";
    // Every PFD period of the horizon is a step: above 1 GHz there would be more than 1e8.
    if (!(hop.pfd_hz > 0) || !(hop.pfd_hz <= 1e9)) return "the PFD frequency must be above 0 and at most 1 GHz";
    if (hop.pump.empty()) return "the charge-pump current is missing";
    for (const auto& step : hop.pump)
        if (!(step.icp_a >= 0) || !std::isfinite(step.icp_a) || !std::isfinite(step.t_s))
            return "the charge-pump current must be 0 or more, at finite times";
    return {};
}

HopTransient::HopTransient(const FrequencyHop& hop) : hop_(hop) {
    period_ = hop.pfd_hz > 0 ? 1 / hop.pfd_hz : 0;
    if (!hop_problem(hop).empty()) return;
    std::stable_sort(hop_.pump.begin(), hop_.pump.end(),
                     [](const PumpCurrentStep& a, const PumpCurrentStep& b) { return a.t_s < b.t_s; });
    hop_.pump.front().t_s = 0;

    const LoopParts& p = hop_.parts;
    const Layout at(p);
    const double n_ratio = hop_.to_hz / hop_.pfd_hz;
    const SmallVector e_c2 = unit(at.n, at.c2), e_v3 = unit(at.n, at.v3), e_phase = unit(at.n, at.phase);
    for (const PumpCurrentStep& step : hop_.pump) {
        const double g = step.icp_a / kTwoPi;  // A per radian of phase error
        SmallVector v1 = unit(at.n, at.v1);
        if (at.v1 < 0) {  // no C1: the pump current divides between the R2 and R3 branches at once
            if (at.v3 < 0) {
                v1 = combine(1, e_c2, p.r2 * g, e_phase);
            } else {
                const double y = 1 / p.r2 + 1 / p.r3;
                v1 = combine(1 / (p.r2 * y), e_c2, 1 / (p.r3 * y), e_v3);
                v1.v[std::size_t(at.phase)] += g / y;
            }
        }
        const SmallVector tuning = at.v3 >= 0 ? e_v3 : v1;
        const SmallVector i_r2 = combine(1 / p.r2, v1, -1 / p.r2, e_c2);
        const SmallVector i_r3 = at.v3 >= 0 ? combine(1 / p.r3, v1, -1 / p.r3, e_v3) : SmallVector{{}, at.n};

        Segment s{step.t_s, {}, {}, tuning, e_phase};
        s.a.n = at.n;
        auto set_row = [&](int row, const SmallVector& r) {
            if (row >= 0)
                for (std::size_t j = 0; j < at.n; ++j) s.a.m[std::size_t(row)][j] = r.v[j];
        };
        set_row(at.c2, i_r2.scaled_copy(1 / p.c2));
        if (at.v3 >= 0) set_row(at.v3, i_r3.scaled_copy(1 / p.c3));
        if (at.v1 >= 0) set_row(at.v1, combine(g / p.c1, e_phase, -1 / p.c1, combine(1, i_r2, 1, i_r3)));
        set_row(at.phase, tuning.scaled_copy(-kTwoPi * hop_.kvco_hz_per_v / n_ratio));
        s.step = expm(s.a, period_);
        segments_.push_back(s);
    }

    // A bound on everything still to come once the last current holds: for every τ ≥ 0,
    // |row·x(t+τ)| ≤ max over τ of |row·exp(A·τ)| · |x(t)|. The row is stepped as the state is.
    const Segment& last = segments_.back();
    const std::size_t horizon_steps = std::size_t(std::ceil(kHorizonS / period_));
    auto bound_of = [&](SmallVector w) {
        double peak = w.norm();
        for (std::size_t k = 0; k < horizon_steps; ++k) {
            w = last.step.apply_left(w);
            const double size = w.norm();
            peak = std::max(peak, size);
            if (size < 1e-9 * peak) return peak;
        }
        return std::numeric_limits<double>::infinity();  // unstable, or slower than the horizon
    };
    const double frequency_bound = bound_of(last.tuning_row.scaled_copy(hop_.kvco_hz_per_v));
    const double phase_bound = bound_of(last.phase_row);
    const double phase_window = 0.5 * kLockDetectWindowS * kTwoPi * hop_.pfd_hz;

    SmallVector x = unit(at.n, -1);
    const double start_deviation = (hop_.from_hz - hop_.to_hz) / hop_.kvco_hz_per_v;
    for (int i : {at.v1, at.c2, at.v3})
        if (i >= 0) x.v[std::size_t(i)] = start_deviation;

    stride_ = std::max<std::size_t>(1, (horizon_steps + kMaxStoredStates - 1) / kMaxStoredStates);
    std::optional<std::size_t> last_outside;
    bool frequency_settled = false;
    for (std::size_t k = 0;; ++k) {
        const double t = double(k) * period_;
        if (k % stride_ == 0) states_.push_back(x);
        if (std::abs(deviation_hz(x, t)) > hop_.tolerance_hz) last_outside = k;
        peak_phase_error_rad_ = std::max(peak_phase_error_rad_, std::abs(x.v[std::size_t(at.phase)]));
        const bool steady = t >= last.start_s;
        if (steady && !frequency_settled && frequency_bound * x.norm() <= hop_.tolerance_hz) {
            frequency_settled = true;
            lock_time_ = last_outside ? crossing_after(*last_outside) : 0.0;
        }
        if ((frequency_settled && phase_bound * x.norm() <= phase_window) || k >= horizon_steps) break;
        if (!(x.norm() < 1e100)) break;  // an unstable loop: stop before the numbers overflow
        x = advance(x, t, t + period_);
    }
}

double HopTransient::crossing_after(std::size_t k) const {
    double lo = double(k) * period_, hi = lo + period_;
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (lo + hi);
        (std::abs(frequency_hz(mid) - hop_.to_hz) > hop_.tolerance_hz ? lo : hi) = mid;
    }
    return hi;
}

const HopTransient::Segment& HopTransient::segment_at(double t_s) const {
    auto after = std::upper_bound(segments_.begin(), segments_.end(), t_s,
                                  [](double t, const Segment& s) { return t < s.start_s; });
    return after == segments_.begin() ? segments_.front() : *(after - 1);
}

SmallVector HopTransient::advance(SmallVector x, double from_s, double to_s) const {
    while (from_s < to_s) {
        const Segment& s = segment_at(from_s);
        double end = to_s;
        for (const Segment& later : segments_)
            if (later.start_s > from_s) {
                end = std::min(end, later.start_s);
                break;
            }
        x = std::abs(end - from_s - period_) <= 1e-12 * period_ ? s.step.apply(x) : expm(s.a, end - from_s).apply(x);
        from_s = end;
    }
    return x;
}

SmallVector HopTransient::state_at(double t_s) const {
    t_s = std::min(t_s, kLatestQueryS);
    const double last = double(states_.size() - 1);
    const auto stored = std::size_t(std::clamp(t_s / (period_ * double(stride_)), 0.0, last));
    const double stored_t = double(stored * stride_) * period_;
    return t_s <= stored_t ? states_[stored] : advance(states_[stored], stored_t, t_s);
}

double HopTransient::deviation_hz(const SmallVector& x, double t_s) const {
    return hop_.kvco_hz_per_v * segment_at(t_s).tuning_row.dot(x);
}

double HopTransient::frequency_hz(double t_s) const {
    if (states_.empty() || !(t_s > 0)) return hop_.from_hz;
    return hop_.to_hz + deviation_hz(state_at(t_s), t_s);
}

double HopTransient::phase_error_s(double t_s) const {
    if (states_.empty() || !(t_s > 0)) return 0;
    return segment_at(t_s).phase_row.dot(state_at(t_s)) / (kTwoPi * hop_.pfd_hz);
}

std::vector<double> HopTransient::phase_error_series_s() const {
    std::vector<double> series;
    series.reserve(states_.size());
    for (const SmallVector& x : states_) series.push_back(segments_.front().phase_row.dot(x) / (kTwoPi * hop_.pfd_hz));
    return series;
}

std::optional<double> HopTransient::lock_detect_time_s(int cycles) const {
    if (states_.empty() || cycles < 1) return std::nullopt;
    const double window = kLockDetectWindowS * kTwoPi * hop_.pfd_hz;
    const std::size_t horizon_steps = std::size_t(std::ceil(kHorizonS / period_));
    SmallVector x = states_.front();
    int inside = 0;
    for (std::size_t k = 1; k <= horizon_steps; ++k) {
        const double t = double(k) * period_;
        x = advance(x, t - period_, t);
        inside = std::abs(segments_.front().phase_row.dot(x)) < window ? inside + 1 : 0;
        if (inside == cycles) return t;
    }
    return std::nullopt;
}
