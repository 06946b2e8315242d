#pragma once
// A noise spectrum given as points (offset Hz, dBc/Hz): the level between two points is linear in
// log-frequency, and beyond the first or last point it continues with the slope of the two
// nearest (a single point is flat). An empty profile means no such contribution.
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct NoisePoint {
    double offset_hz = 0;
    double dbc_hz = 0;
    bool operator==(const NoisePoint&) const = default;
};
using NoiseProfile = std::vector<NoisePoint>;

// Why the points make no profile (empty when they do): offsets above 0 and all different,
// levels finite.
std::string profile_problem(const NoiseProfile& points);
// The points in order of offset.
NoiseProfile sorted_profile(NoiseProfile points);
// The level at f Hz; empty for an empty profile. The points must be sorted and usable.
std::optional<double> profile_level(const NoiseProfile& sorted_points, double f_hz);

// The integral of 2·L(f) over [f1, f2] (L in linear power per Hz, from dBc/Hz), in rad²:
// Simpson's rule in log-frequency, 200 intervals a decade, which follows slopes of any steepness
// the loop makes to far better than the 0.01 dB a level is quoted to.
// Zero when the band is empty or reversed.
double integrated_phase_variance(const std::function<double(double)>& level_dbc, double f1_hz, double f2_hz);
// An RMS phase error (degrees) on a carrier as RMS jitter, s: the phase over 2π·carrier.
double rms_jitter_from_phase_s(double rms_phase_deg, double carrier_hz);
