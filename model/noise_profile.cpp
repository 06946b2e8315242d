#include "model/noise_profile.h"

#include <algorithm>
#include <cmath>

std::string profile_problem(const NoiseProfile& points) {
    for (const NoisePoint& p : points) {
        if (!(p.offset_hz > 0) || !std::isfinite(p.offset_hz)) return "each offset must be above 0 Hz";
        if (!std::isfinite(p.dbc_hz)) return "each level must be a finite dBc/Hz";
    }
    const NoiseProfile sorted = sorted_profile(points);
    for (std::size_t i = 1; i < sorted.size(); ++i)
        if (sorted[i].offset_hz == sorted[i - 1].offset_hz) return "each offset may appear once";
    return {};
}

NoiseProfile sorted_profile(NoiseProfile points) {
    std::sort(points.begin(), points.end(),
              [](const NoisePoint& a, const NoisePoint& b) { return a.offset_hz < b.offset_hz; });
    return points;
}

std::optional<double> profile_level(const NoiseProfile& p, double f_hz) {
    if (p.empty()) return std::nullopt;
    if (p.size() == 1) return p.front().dbc_hz;
    // The segment that holds f, or the end segment whose slope carries on beyond the points.
    auto upper =
        std::upper_bound(p.begin(), p.end(), f_hz, [](double f, const NoisePoint& q) { return f < q.offset_hz; });
    const std::size_t i = std::clamp<std::size_t>(std::size_t(upper - p.begin()), 1, p.size() - 1);
    const NoisePoint& a = p[i - 1];
    const NoisePoint& b = p[i];
    const double slope = (b.dbc_hz - a.dbc_hz) / std::log10(b.offset_hz / a.offset_hz);
    return a.dbc_hz + slope * std::log10(f_hz / a.offset_hz);
}

double integrated_phase_variance(const std::function<double(double)>& level_dbc, double f1_hz, double f2_hz) {
    if (!(f1_hz > 0) || !(f2_hz > f1_hz)) return 0;
    const double x1 = std::log(f1_hz), x2 = std::log(f2_hz);
    int intervals = std::max(2, int(std::ceil((x2 - x1) / std::log(10.0) * 200)));
    intervals += intervals % 2;
    const double h = (x2 - x1) / intervals;
    // ∫ 2·L(f) df = ∫ 2·L(e^x)·e^x dx
    auto integrand = [&](double x) {
        const double f = std::exp(x);
        return 2 * std::pow(10.0, level_dbc(f) / 10) * f;
    };
    double sum = integrand(x1) + integrand(x2);
    for (int i = 1; i < intervals; ++i) sum += (i % 2 ? 4 : 2) * integrand(x1 + i * h);
    return sum * h / 3;
}

double rms_jitter_from_phase_s(double rms_phase_deg, double carrier_hz) {
    return rms_phase_deg / 360 / carrier_hz;
}
