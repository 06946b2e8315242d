#include "model/small_matrix.h"

#include <algorithm>
#include <cmath>

double SmallVector::norm() const { return std::sqrt(dot(*this)); }

double SmallVector::dot(const SmallVector& o) const {
    double s = 0;
    for (std::size_t i = 0; i < n; ++i) s += v[i] * o.v[i];
    return s;
}

SmallVector SmallVector::scaled_copy(double k) const {
    SmallVector r = *this;
    for (double& e : r.v) e *= k;
    return r;
}

SmallMatrix SmallMatrix::identity(std::size_t n) {
    SmallMatrix r;
    r.n = n;
    for (std::size_t i = 0; i < n; ++i) r.m[i][i] = 1;
    return r;
}

SmallMatrix SmallMatrix::operator*(const SmallMatrix& b) const {
    SmallMatrix r;
    r.n = n;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t k = 0; k < n; ++k)
            for (std::size_t j = 0; j < n; ++j) r.m[i][j] += m[i][k] * b.m[k][j];
    return r;
}

SmallMatrix SmallMatrix::scaled(double k) const {
    SmallMatrix r = *this;
    for (auto& row : r.m)
        for (double& e : row) e *= k;
    return r;
}

SmallVector SmallMatrix::apply(const SmallVector& x) const {
    SmallVector r;
    r.n = n;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) r.v[i] += m[i][j] * x.v[j];
    return r;
}

SmallVector SmallMatrix::apply_left(const SmallVector& w) const {
    SmallVector r;
    r.n = n;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) r.v[j] += w.v[i] * m[i][j];
    return r;
}

double SmallMatrix::norm_inf() const {
    double worst = 0;
    for (std::size_t i = 0; i < n; ++i) {
        double row = 0;
        for (std::size_t j = 0; j < n; ++j) row += std::abs(m[i][j]);
        worst = std::max(worst, row);
    }
    return worst;
}

SmallMatrix expm(const SmallMatrix& a, double t) {
    SmallMatrix b = a.scaled(t);
    // Halve until the norm is below 1/2, where 18 Taylor terms leave an error below 1e-22.
    int squarings = 0;
    const double norm = b.norm_inf();
    if (norm > 0.5) squarings = int(std::ceil(std::log2(norm / 0.5)));
    b = b.scaled(std::ldexp(1.0, -squarings));
    SmallMatrix sum = SmallMatrix::identity(a.n), term = sum;
    for (int k = 1; k <= 18; ++k) {
        term = (term * b).scaled(1.0 / k);
        for (std::size_t i = 0; i < a.n; ++i)
            for (std::size_t j = 0; j < a.n; ++j) sum.m[i][j] += term.m[i][j];
    }
    for (int i = 0; i < squarings; ++i) sum = sum * sum;
    return sum;
}
