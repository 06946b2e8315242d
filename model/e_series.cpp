#include "model/e_series.h"

#include <array>
#include <cmath>
#include <span>

namespace {

constexpr std::array<double, 12> kE12 = {1.0, 1.2, 1.5, 1.8, 2.2, 2.7, 3.3, 3.9, 4.7, 5.6, 6.8, 8.2};
constexpr std::array<double, 24> kE24 = {1.0, 1.1, 1.2, 1.3, 1.5, 1.6, 1.8, 2.0, 2.2, 2.4, 2.7, 3.0,
                                         3.3, 3.6, 3.9, 4.3, 4.7, 5.1, 5.6, 6.2, 6.8, 7.5, 8.2, 9.1};
constexpr std::array<double, 96> kE96 = {
    1.00, 1.02, 1.05, 1.07, 1.10, 1.13, 1.15, 1.18, 1.21, 1.24, 1.27, 1.30, 1.33, 1.37, 1.40, 1.43,
    1.47, 1.50, 1.54, 1.58, 1.62, 1.65, 1.69, 1.74, 1.78, 1.82, 1.87, 1.91, 1.96, 2.00, 2.05, 2.10,
    2.15, 2.21, 2.26, 2.32, 2.37, 2.43, 2.49, 2.55, 2.61, 2.67, 2.74, 2.80, 2.87, 2.94, 3.01, 3.09,
    3.16, 3.24, 3.32, 3.40, 3.48, 3.57, 3.65, 3.74, 3.83, 3.92, 4.02, 4.12, 4.22, 4.32, 4.42, 4.53,
    4.64, 4.75, 4.87, 4.99, 5.11, 5.23, 5.36, 5.49, 5.62, 5.76, 5.90, 6.04, 6.19, 6.34, 6.49, 6.65,
    6.81, 6.98, 7.15, 7.32, 7.50, 7.68, 7.87, 8.06, 8.25, 8.45, 8.66, 8.87, 9.09, 9.31, 9.53, 9.76};

std::span<const double> values_of(ESeries series) {
    switch (series) {
    case ESeries::E12: return kE12;
    case ESeries::E24: return kE24;
    case ESeries::E96: return kE96;
    case ESeries::None: break;
    }
    return {};
}

}  // namespace

double snap_to_series(double value, ESeries series) {
    const auto values = values_of(series);
    if (values.empty() || !(value > 0) || !std::isfinite(value)) return value;
    const double decade = std::pow(10.0, std::floor(std::log10(value)));
    const double mantissa = value / decade;  // 1 ≤ mantissa < 10, give or take the last bit
    // The candidates: every value of this decade and 10 (the next decade's first).
    double best = 10, best_distance = std::abs(std::log(10 / mantissa));
    for (double v : values)
        if (const double d = std::abs(std::log(v / mantissa)); d < best_distance) best = v, best_distance = d;
    return best * decade;
}

LoopParts snap_parts(const LoopParts& p, ESeries series) {
    return {snap_to_series(p.c1, series), snap_to_series(p.c2, series), snap_to_series(p.c3, series),
            snap_to_series(p.r2, series), snap_to_series(p.r3, series)};
}

std::string_view series_name(ESeries series) {
    switch (series) {
    case ESeries::E12: return "E12";
    case ESeries::E24: return "E24";
    case ESeries::E96: return "E96";
    case ESeries::None: break;
    }
    return "NONE";
}

std::optional<ESeries> series_named(std::string_view name) {
    for (ESeries s : {ESeries::None, ESeries::E12, ESeries::E24, ESeries::E96})
        if (series_name(s) == name) return s;
    return std::nullopt;
}
