#pragma once
// The loop's response to a frequency step: N changes at t = 0 and the linear loop (the charge
// pump averaged over each PFD period, the loop gain that of the new N) pulls the VCO over.
//
// The state is the filter's capacitor voltages and the phase error at the PFD, all as departures
// from the new lock point; the charge-pump current may change at given times (fast lock: raised
// at the hop, released after a delay). Between changes the system is linear with constant
// coefficients, so each PFD period is stepped with its exact discretisation exp(A·T): no step-size
// error, and no instability from the fast R3·C3 pole however stiff it makes the system.
//
// The board simulation settles by this same object: it answers the frequency and the phase error
// at any time, not only at the PFD edges it stored.
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "model/loop_filter.h"
#include "model/small_matrix.h"

// The charge-pump current from t_s on (the first applies from t = 0 whatever its time).
struct PumpCurrentStep {
    double t_s = 0;
    double icp_a = 0;
};

struct FrequencyHop {
    LoopParts parts;
    double kvco_hz_per_v = 0;
    double pfd_hz = 0;
    double from_hz = 0, to_hz = 0;  // VCO frequency locked before, and aimed at
    std::vector<PumpCurrentStep> pump;
    double tolerance_hz = 1000;     // the band around to_hz that counts as settled
};

// Why the hop cannot be simulated (empty when it can).
std::string hop_problem(const FrequencyHop& hop);

class HopTransient {
public:
    static constexpr double kHorizonS = 0.1;           // what does not settle by then never does
    static constexpr double kLockDetectWindowS = 15e-9;  // the lock detector's phase window

    // Simulates the hop; an unusable hop (see hop_problem) gives a transient that never settles.
    explicit HopTransient(const FrequencyHop& hop);

    // When the VCO frequency last leaves the tolerance band; empty when it has not settled
    // within kHorizonS (or the loop is unstable).
    std::optional<double> lock_time_s() const { return lock_time_; }
    // The phase error at the PFD reached 2π: the detector's linear range is ±2π (the classic
    // charge-pump loop analysis, Gardner 1980), so past it cycles slip and the real loop takes
    // longer than the linear figure says.
    bool cycle_slips() const { return peak_phase_error_rad_ >= 2 * std::numbers::pi; }
    double peak_phase_error_rad() const { return peak_phase_error_rad_; }

    double frequency_hz(double t_s) const;
    // The phase error at the PFD as a time, θe / (2π·fPFD), s.
    double phase_error_s(double t_s) const;
    // The phase error at each PFD edge from t = 0 to the end of the stored simulation, one
    // every series_period_s() (the PFD period; a multiple of it above a 10 MHz PFD).
    std::vector<double> phase_error_series_s() const;
    double series_period_s() const { return period_ * double(stride_); }

    // The first moment after which the phase error stayed inside ±15 ns for `cycles` PFD edges
    // in a row (the lock detector's precision, 3 or 5 cycles); empty when that has not happened
    // within kHorizonS. A hop too small to leave the window is detected after `cycles` edges.
    std::optional<double> lock_detect_time_s(int cycles) const;

private:
    struct Segment {
        double start_s;
        SmallMatrix a, step;            // A and exp(A·T)
        SmallVector tuning_row, phase_row;  // the tuning voltage and the phase error from the state
    };
    const Segment& segment_at(double t_s) const;
    SmallVector advance(SmallVector x, double from_s, double to_s) const;
    SmallVector state_at(double t_s) const;
    double deviation_hz(const SmallVector& x, double t_s) const;
    double crossing_after(std::size_t k) const;  // where |Δf| enters the band after edge k

    FrequencyHop hop_;
    double period_ = 0;
    std::vector<Segment> segments_;
    std::size_t stride_ = 1;
    std::vector<SmallVector> states_;  // at k·stride·T
    std::optional<double> lock_time_;
    double peak_phase_error_rad_ = 0;
};
