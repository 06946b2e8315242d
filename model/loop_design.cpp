#include "model/loop_design.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <cstdio>

namespace {

constexpr double kDegree = std::numbers::pi / 180;
// Beyond six decades between the largest and the smallest capacitor a design cannot be built:
// the small one drowns in the board's strays while the large one is an electrolytic. Margins
// near 90° ask for exactly that (the zero decades below fc, the poles decades above).
constexpr double kMaxCapacitorSpread = 1e6;

// ωc·T1 from the phase-margin equation. The phase falls monotonically from 90° (x → 0) to
// −90° or −180° (x → ∞), so bisection on a log scale always finds the one root.
double solve_wc_t1(double phi, double gamma, double t31) {
    auto phase = [&](double x) { return std::atan(gamma / (x * (1 + t31))) - std::atan(x) - std::atan(x * t31); };
    double lo = 1e-15, hi = 1e15;
    for (int i = 0; i < 200; ++i) {
        const double mid = std::sqrt(lo * hi);
        (phase(mid) > phi ? lo : hi) = mid;
    }
    return std::sqrt(lo * hi);
}

std::string goal_problem(const DesignGoal& g) {
    if (g.order != 2 && g.order != 3) return "the filter order must be 2 or 3";
    if (!(g.fc_hz > 0) || !std::isfinite(g.fc_hz)) return "the loop bandwidth must be above 0 Hz";
    if (!(g.phase_margin_deg > 0)) return "the phase margin must be above 0 degrees";
    if (!(g.phase_margin_deg < 90)) return "a passive type-2 loop's phase margin stays below 90 degrees";
    if (!(g.gamma > 0) || !std::isfinite(g.gamma)) return "gamma must be above 0";
    if (g.order == 3 && (!(g.t31 > 0) || !std::isfinite(g.t31))) return "T31 must be above 0 at order 3";
    return {};
}

bool usable(double v) { return std::isfinite(v) && v > 0; }

std::string three_digits(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", v);
    return text;
}

}  // namespace

Designed design_loop(const DesignGoal& goal, const LoopPlant& plant) {
    if (auto problem = goal_problem(goal); !problem.empty()) return {{}, problem};
    if (auto problem = plant_problem(plant); !problem.empty()) return {{}, problem};

    const double t31 = goal.order == 3 ? goal.t31 : 0;
    const double wc = 2 * std::numbers::pi * goal.fc_hz;
    const double t1 = solve_wc_t1(goal.phase_margin_deg * kDegree, goal.gamma, t31) / wc;
    const double t3 = t31 * t1;
    const double t2 = goal.gamma / (wc * wc * (t1 + t3));
    const double a0 = plant.icp_a * plant.kvco_hz_per_v / (wc * wc * plant.n) *
                      std::sqrt((1 + wc * wc * t2 * t2) / ((1 + wc * wc * t1 * t1) * (1 + wc * wc * t3 * t3)));
    const double a1 = a0 * (t1 + t3);
    const double a2 = a0 * t1 * t3;

    LoopParts p;
    if (goal.order == 2) {
        p.c1 = a0 * t1 / t2;
        p.c2 = a0 - p.c1;
        p.r2 = t2 / p.c2;
    } else {
        // Four equations, five parts: this root for C1 is the one that leaves C3 and R3 real.
        p.c1 = a2 / (t2 * t2) * (1 + std::sqrt(1 + t2 / a2 * (t2 * a0 - a1)));
        p.c3 = (-t2 * t2 * p.c1 * p.c1 + t2 * a1 * p.c1 - a2 * a0) / (t2 * t2 * p.c1 - a2);
        p.c2 = a0 - p.c1 - p.c3;
        p.r2 = t2 / p.c2;
        p.r3 = a2 / (p.c1 * p.c3 * t2);
    }
    const bool order3 = goal.order == 3;
    if (!usable(p.c1) || !usable(p.c2) || !usable(p.r2) || (order3 && (!usable(p.c3) || !usable(p.r3))))
        return {{}, "the equations give parts of zero, below zero or not finite for this goal"};

    const double largest = std::max({p.c1, p.c2, p.c3});
    const double smallest = order3 ? std::min({p.c1, p.c2, p.c3}) : std::min(p.c1, p.c2);
    if (largest / smallest > kMaxCapacitorSpread)
        return {{}, "a phase margin of " + three_digits(goal.phase_margin_deg) + " degrees at order " +
                        std::to_string(goal.order) + " needs capacitors spread over more than six decades (" +
                        three_digits(largest) + " F to " + three_digits(smallest) + " F): ask for less"};
    return {p, {}};
}
