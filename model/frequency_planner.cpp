#include "model/frequency_planner.h"

#include <algorithm>
#include <cmath>

#include "model/counters.h"
#include "model/frequency_made.h"
#include "model/frequency_plan.h"
#include "model/number_format.h"
#include "model/variants.h"

namespace {

// Within a millihertz the 15-digit figures cannot tell a plan from exact.
constexpr double kExactHz = 1e-3;

struct Candidate {
    FrequencyPlan plan;
    int changes;  // latches whose word the plan changes: R, and the control latch for another P
};

bool better(const Candidate& x, const Candidate& y) {
    // Errors are told apart to the millihertz the figures carry, not by their rounding noise.
    const double ex = std::abs(x.plan.error_hz), ey = std::abs(y.plan.error_hz);
    if (ex != ey) return ex < ey;
    if (x.plan.pfd_khz != y.plan.pfd_khz) return x.plan.pfd_khz > y.plan.pfd_khz;
    if (x.changes != y.changes) return x.changes < y.changes;
    if (x.plan.n != y.plan.n) return x.plan.n < y.plan.n;
    return x.plan.p > y.plan.p;
}

}  // namespace

std::vector<FrequencyPlan> plan_frequency(const EvalState& s, double wanted_mhz, std::optional<double> step_khz,
                                          size_t count) {
    if (!variants::is_family_variant(s.device) || !(wanted_mhz > 0) || !std::isfinite(wanted_mhz) ||
        !(s.ref_freq > 0) || !std::isfinite(s.ref_freq) || (step_khz && !(*step_khz > 0 && std::isfinite(*step_khz))))
        return {};
    const bool single = variants::is_single_modulus(s.device);
    const std::vector<int32_t> moduli = single ? std::vector<int32_t>{1} : std::vector<int32_t>{32, 16, 8};
    const double wanted_hz = wanted_mhz * 1e6;

    std::vector<Candidate> found;
    for (int32_t r = 1; r <= kMaxRCounter; ++r) {
        if (s.ref_freq / r > kMaxPlanPfdKhz * 1000) continue;
        // A channel raster of whole PFD steps, the quotient taken as its decimal figures define it.
        if (step_khz) {
            const double steps = numfmt::round_trip(*step_khz * 1000 / (s.ref_freq / r));
            if (steps < 1 || steps != std::floor(steps)) continue;
        }
        if (!dialog_takes_board_pfd(s.ref_freq, r)) continue;
        const double pfd_khz = pfd_made_khz(s.ref_freq, r);
        const double ratio = wanted_hz / (pfd_khz * 1000);
        if (!(ratio < 2e9)) continue;
        const double below = std::floor(ratio), above = std::ceil(ratio);
        for (double whole : {below, above}) {
            if (whole < 1) continue;
            const auto n = int64_t(whole);
            for (int32_t p : moduli) {
                const int64_t b = single ? n : n / p, a = single ? 0 : n % p;
                if (b > kMaxBCounter || a > kMaxACounter || (!single && b < a)) continue;
                FrequencyPlan plan{r, pfd_khz, p, int32_t(b), int32_t(a), n, vco_made_mhz(n, pfd_khz), 0};
                const double error = plan.vco_mhz * 1e6 - wanted_hz;
                plan.error_hz = std::abs(error) < kExactHz ? 0 : std::round(error * 1000) / 1000;  // to the millihertz
                found.push_back({plan, int(r != s.r_counter) + int(!single && p != s.prescaler)});
            }
            if (above == below) break;
        }
    }
    const size_t kept = std::min(count, found.size());
    std::partial_sort(found.begin(), found.begin() + long(kept), found.end(), better);
    std::vector<FrequencyPlan> plans;
    for (size_t i = 0; i < kept; ++i) plans.push_back(found[i].plan);
    return plans;
}

std::string plan_text(const FrequencyPlan& p) {
    return std::to_string(p.r) + "," + numfmt::general(p.pfd_khz) + "," + std::to_string(p.p) + "," +
           std::to_string(p.b) + "," + std::to_string(p.a) + "," + numfmt::general(p.vco_mhz) + "," +
           numfmt::general(p.error_hz);
}
