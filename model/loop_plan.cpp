#include "model/loop_plan.h"

#include "model/loop_defaults.h"

double plan_ratio(const EvalState& s) { return s.pfd_freq > 0 ? s.vco_freq * 1e3 / s.pfd_freq : 0; }

LoopPlant loop_plant(const EvalState& s, double n) {
    return {charge_pump_current_a(s), s.loop.kvco_mhz_per_v * 1e6, n, s.pfd_freq * 1e3};
}

NoiseInputs noise_inputs(const EvalState& s) {
    const double pfd_hz = s.pfd_freq * 1e3;
    NoiseInputs in;
    in.parts = s.loop.parts;
    in.plant = loop_plant(s, plan_ratio(s));
    in.r_divider = pfd_hz > 0 ? s.ref_freq / pfd_hz : 1;
    in.fom_dbc_hz = s.loop.fom_dbc_hz;
    in.flicker_dbc_hz = s.loop.flicker_dbc_hz;
    in.reference = s.loop.reference_points;
    in.vco = s.loop.vco_points;
    return in;
}

std::string loop_unready(const EvalState& s, double n) {
    if (s.loop.order == 3 && s.loop.parts.order() != 3)
        return "order 3 needs its R3 and C3: design the loop or give its parts";
    if (auto problem = parts_problem(s.loop.parts); !problem.empty())
        return "the loop has no usable parts (" + problem + "): design the loop or give its parts first";
    return plant_problem(loop_plant(s, n));
}
