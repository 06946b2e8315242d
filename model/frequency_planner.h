#pragma once
// The frequency planner: every plan the chip can run for a wanted VCO frequency from a reference,
// best first. A plan is R, the PFD it makes, the prescaler modulus P, and B and A; it is offered
// only inside the variant's counter ranges (R 1..16383, B 0..8191, A 0..31 and below P, B >= A so
// the dual-modulus prescaler can count A, the KSY7100-8's B alone), at a PFD of at most
// kMaxPlanPfdKhz, and where the frequency dialog takes its PFD back as the board's (so loading it
// through the dialog gives exactly its R and N).
//
// Ranking: exact plans (the frequency made within a millihertz of the one wanted) first, then the
// smallest error; among equals the highest PFD (the lowest in-band phase noise and the fastest
// lock), then the plan that changes the fewest latches of the present one (R, and P in the control
// latch), then the smallest N.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/eval_state.h"

// The highest PFD the planner offers: the longest anti-backlash pulse the chip can be set to
// (6.0 ns) stays under a tenth of the comparison period up to about 16.7 MHz; above that the
// charge pump's dead-zone pulses take a growing share of every cycle.
inline constexpr double kMaxPlanPfdKhz = 16000;

struct FrequencyPlan {
    int32_t r = 0;
    double pfd_khz = 0;  // reference / R, in the 15-digit form
    int32_t p = 0;       // 1 for the KSY7100-8
    int32_t b = 0, a = 0;
    int64_t n = 0;
    double vco_mhz = 0;  // N x PFD, in the 15-digit form
    double error_hz = 0; // made minus wanted; 0 where exact
    bool operator==(const FrequencyPlan&) const = default;
};

// Up to `count` plans for `wanted_mhz` at the state's reference and variant, best first; with a
// channel step (kHz) only PFDs that divide it. Empty when the state is no variant or nothing fits.
std::vector<FrequencyPlan> plan_frequency(const EvalState& state, double wanted_mhz,
                                          std::optional<double> step_khz = std::nullopt, size_t count = 5);

// "<R>,<PFD kHz>,<P>,<B>,<A>,<MHz made>,<error Hz>", as FREQ:PLAN? answers each plan.
std::string plan_text(const FrequencyPlan& plan);
