#pragma once
// Dense square matrices of at most four rows, for the loop's state space (filter voltages and the
// phase error), and the matrix exponential that discretises it exactly.
#include <array>
#include <cstddef>

struct SmallVector {
    std::array<double, 4> v{};
    std::size_t n = 0;
    double norm() const;  // Euclidean
    double dot(const SmallVector& other) const;
    SmallVector scaled_copy(double k) const;
};

struct SmallMatrix {
    std::array<std::array<double, 4>, 4> m{};
    std::size_t n = 0;

    static SmallMatrix identity(std::size_t n);
    SmallMatrix operator*(const SmallMatrix& b) const;
    SmallMatrix scaled(double k) const;
    SmallVector apply(const SmallVector& x) const;        // M·x
    SmallVector apply_left(const SmallVector& w) const;   // w·M (w a row)
    double norm_inf() const;
};

// exp(A·t) by scaling and squaring with a Taylor series: accurate to rounding for any t, so a
// step of any length is exact for a linear system with constant coefficients, however stiff.
SmallMatrix expm(const SmallMatrix& a, double t);
