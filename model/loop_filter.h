#pragma once
// The passive loop filter and the open loop it makes with the charge pump, the VCO and the divider.
//
// The filter: C1 from the charge-pump node to ground, in parallel with R2 in series with C2; at
// order 3 also R3 from that node to the VCO's tuning input, with C3 from there to ground. Its
// transimpedance from the pump current to the tuning voltage is
//     Z(s) = (1 + s·T2) / (s·(A2·s² + A1·s + A0)),  T2 = R2·C2,
// with A0 = C1 + C2 + C3, A1 = C2·R2·(C1 + C3) + C3·R3·(C1 + C2), A2 = C1·C2·C3·R2·R3.
// The open loop divided by N is G(s)/N = Icp·Kvco·Z(s)/(s·N) with Icp in A and Kvco in Hz/V: the
// pump's 1/2π per radian and the VCO's 2π per cycle cancel, so every frequency inside is in rad/s.
#include <complex>
#include <string>

struct LoopParts {
    double c1 = 0, c2 = 0, c3 = 0;  // F
    double r2 = 0, r3 = 0;          // ohm
    // Order 3 when the R3-C3 section is there; order 2 when either is zero.
    int order() const { return c3 > 0 && r3 > 0 ? 3 : 2; }
    bool operator==(const LoopParts&) const = default;
};

// What the filter works with: the pump current, the VCO gain, the divide ratio and the PFD.
struct LoopPlant {
    double icp_a = 0;
    double kvco_hz_per_v = 0;
    double n = 0;
    double pfd_hz = 0;
};

struct FilterPolynomial {
    double a0 = 0, a1 = 0, a2 = 0, t2 = 0;
};
FilterPolynomial filter_polynomial(const LoopParts& parts);

// Why these parts make no loop (empty when they do): C2 and R2 must be above zero, every part
// finite and none below zero.
std::string parts_problem(const LoopParts& parts);
// Why this plant makes no loop (empty when it does).
std::string plant_problem(const LoopPlant& plant);

// Z(jω) in ohm and G(jω)/N, at a frequency in Hz above zero.
std::complex<double> filter_impedance(const LoopParts& parts, double f_hz);
std::complex<double> open_loop_gain(const LoopParts& parts, const LoopPlant& plant, double f_hz);
