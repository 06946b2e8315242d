#include "actions/loop_filter.h"

#include <cmath>

#include "model/loop_plan.h"

namespace actions {

Outcome set_loop_order(EvalState& s, int order) {
    if (order != 2 && order != 3) return refused("The filter order is 2 or 3.");
    s.loop.order = order;
    if (order == 2) s.loop.parts.c3 = s.loop.parts.r3 = 0;
    return {};
}

Outcome design_loop_filter(EvalState& s, const DesignGoal& asked, LoopParts* designed) {
    DesignGoal goal = asked;
    goal.order = s.loop.order;
    const Designed d = design_loop(goal, loop_plant(s, plan_ratio(s)));
    if (!d.parts) return refused(d.refusal);
    if (designed) *designed = *d.parts;
    s.loop.parts = snap_parts(*d.parts, s.loop.snap);
    s.loop.fc_hz = goal.fc_hz;
    s.loop.phase_margin_deg = goal.phase_margin_deg;
    s.loop.gamma = goal.gamma;
    if (goal.order == 3) s.loop.t31 = goal.t31;
    return {};
}

Outcome use_loop_parts(EvalState& s, const LoopParts& parts) {
    if (auto problem = parts_problem(parts); !problem.empty()) return refused(problem);
    if ((parts.c3 > 0) != (parts.r3 > 0)) return refused("C3 and R3 are both 0 (order 2) or both above 0 (order 3)");
    s.loop.parts = parts;
    s.loop.order = parts.order();
    return {};
}

Outcome set_loop_series(EvalState& s, ESeries series) {
    s.loop.snap = series;
    s.loop.parts = snap_parts(s.loop.parts, series);
    return {};
}

Outcome set_vco_gain(EvalState& s, std::optional<double> mhz_per_v) {
    if (!mhz_per_v || !(*mhz_per_v > 0) || !std::isfinite(*mhz_per_v))
        return refused("The VCO gain must be above 0 MHz/V.", "kvco", true, true);
    s.loop.kvco_mhz_per_v = *mhz_per_v;
    return {};
}

Outcome set_pll_noise(EvalState& s, std::optional<double> fom, std::optional<double> flicker) {
    auto level = [](std::optional<double> v) { return v && *v >= -300 && *v <= 0; };
    if (!level(fom)) return refused("The FOM must be a level from -300 to 0 dBc/Hz.", "fom", true, true);
    if (!level(flicker)) return refused("The flicker level must be from -300 to 0 dBc/Hz.", "flicker", true, true);
    s.loop.fom_dbc_hz = *fom;
    s.loop.flicker_dbc_hz = *flicker;
    return {};
}

Outcome set_noise_points(EvalState& s, NoiseSource source, const NoiseProfile& points) {
    if (auto problem = profile_problem(points); !problem.empty())
        return refused(problem, source == NoiseSource::Vco ? "vco_points" : "ref_points", false, true);
    (source == NoiseSource::Vco ? s.loop.vco_points : s.loop.reference_points) = sorted_profile(points);
    return {};
}

}  // namespace actions
