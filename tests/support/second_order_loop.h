#pragma once
// The true second-order loop (C1 = 0, order 2) in closed form, the independent reference for the
// lock-time figures: Δf'' + 2ζωn·Δf' + ωn²·Δf = 0, Δf(0) = Δf0, Δf'(0) = −2ζωn·Δf0 (no phase error
// at the start), and θ(t) = −2π/N ∫Δf at the PFD. Underdamped (ζ < 1) only. With ωn² = K/C2 and
// 2ζωn = K·R2 (K = Icp·Kvco/N), C2 = K/ωn², R2 = 2ζωn/K.
#include <cmath>
#include <numbers>

namespace testing_support {

struct SecondOrderLoop {
    double zeta, wn, n, delta_f0;

    double sigma() const { return zeta * wn; }
    double wd() const { return wn * std::sqrt(1 - zeta * zeta); }
    double deviation(double t) const {
        return delta_f0 * std::exp(-sigma() * t) * (std::cos(wd() * t) - sigma() / wd() * std::sin(wd() * t));
    }
    double phase(double t) const {
        return -2 * std::numbers::pi * delta_f0 / (n * wd()) * std::exp(-sigma() * t) * std::sin(wd() * t);
    }
    // The last time |Δf| > tol: back from where the envelope is inside the band, then bisected.
    double lock_time(double tol) const {
        double t = std::log(std::abs(delta_f0) * wn / wd() / tol) / sigma();
        const double dt = 1e-3 / wn;
        while (t > 0 && std::abs(deviation(t)) <= tol) t -= dt;
        double lo = t, hi = t + dt;
        for (int i = 0; i < 80; ++i) (std::abs(deviation(0.5 * (lo + hi))) > tol ? lo : hi) = 0.5 * (lo + hi);
        return hi;
    }
    // C2 and R2 for a loop gain K = Icp·Kvco/N (A·Hz/V).
    double c2(double k) const { return k / (wn * wn); }
    double r2(double k) const { return 2 * zeta * wn / k; }
};

}  // namespace testing_support
