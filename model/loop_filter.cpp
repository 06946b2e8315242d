#include "model/loop_filter.h"

#include <cmath>
#include <numbers>

FilterPolynomial filter_polynomial(const LoopParts& p) {
    return {p.c1 + p.c2 + p.c3, p.c2 * p.r2 * (p.c1 + p.c3) + p.c3 * p.r3 * (p.c1 + p.c2),
            p.c1 * p.c2 * p.c3 * p.r2 * p.r3, p.r2 * p.c2};
}

std::string parts_problem(const LoopParts& p) {
    for (double v : {p.c1, p.c2, p.c3, p.r2, p.r3})
        if (!std::isfinite(v) || v < 0) return "every part must be a finite value of 0 or more";
    // Without C2 the pump charges nothing that holds the tuning voltage; without R2 the loop has
    // no zero and two integrators: it oscillates.
    if (!(p.c2 > 0)) return "C2 must be above 0";
    if (!(p.r2 > 0)) return "R2 must be above 0";
    return {};
}

std::string plant_problem(const LoopPlant& plant) {
    if (!(plant.icp_a > 0) || !std::isfinite(plant.icp_a)) return "the charge-pump current must be above 0";
    if (!(plant.kvco_hz_per_v > 0) || !std::isfinite(plant.kvco_hz_per_v)) return "the VCO gain must be above 0";
    if (!(plant.n > 0) || !std::isfinite(plant.n)) return "the divide ratio N must be above 0";
    if (!(plant.pfd_hz > 0) || !std::isfinite(plant.pfd_hz)) return "the PFD frequency must be above 0";
    return {};
}

std::complex<double> filter_impedance(const LoopParts& parts, double f_hz) {
    const FilterPolynomial f = filter_polynomial(parts);
    const std::complex<double> s(0, 2 * std::numbers::pi * f_hz);
    return (1.0 + s * f.t2) / (s * ((f.a2 * s + f.a1) * s + f.a0));
}

std::complex<double> open_loop_gain(const LoopParts& parts, const LoopPlant& plant, double f_hz) {
    const std::complex<double> s(0, 2 * std::numbers::pi * f_hz);
    return plant.icp_a * plant.kvco_hz_per_v * filter_impedance(parts, f_hz) / (s * plant.n);
}
