#pragma once
// Loop-filter design by the published time-constant method: from the loop bandwidth (the open
// loop's unity-gain crossover fc) and the phase margin, with the factor γ (where the zero sits
// against the poles; 1 puts the phase maximum at fc) and, at order 3, T31 = T3/T1 (the second
// pole against the first). T1 solves the phase-margin equation
//     φ = atan(γ/(ωc·T1·(1+T31))) − atan(ωc·T1) − atan(ωc·T1·T31),
// then T3 = T31·T1, T2 = γ/(ωc²·(T1+T3)), A0 from |G(jωc)/N| = 1, A1 = A0·(T1+T3),
// A2 = A0·T1·T3, and the parts from A0, A1, A2 and T2. Order 2 is the same with T3 = 0.
#include <optional>
#include <string>

#include "model/loop_filter.h"

struct DesignGoal {
    int order = 2;
    double fc_hz = 0;
    double phase_margin_deg = 0;
    double gamma = 1;
    double t31 = 0.6;  // order 3 only
};

// The parts, or why the equations cannot meet the goal.
struct Designed {
    std::optional<LoopParts> parts;
    std::string refusal;
};

Designed design_loop(const DesignGoal& goal, const LoopPlant& plant);
