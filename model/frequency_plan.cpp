#include "model/frequency_plan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "model/board_words.h"
#include "model/counters.h"
#include "model/frequency_made.h"
#include "model/latch.h"
#include "model/number_format.h"
#include "model/variants.h"

namespace {

PlanFailure invalid(int step) {
    return {step == 1 ? kInvalidVcoEntry : kInvalidPfdEntry, step};
}

PlanFailure counter_failure(std::string message) { return {std::move(message), 0}; }

// Truncation toward zero into a checked 32-bit integer.
std::optional<int32_t> trunc_i32(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    double whole = std::trunc(value);
    if (whole < std::numeric_limits<int32_t>::min() || whole > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(whole);
}

// The divide ratio the plan's counters program, checked into 32 bits.
std::optional<int64_t> plan_ratio(const EvalState& s, const Counters& c) {
    int64_t total = ::programmed_ratio(c.prescaler, c.b_counter, c.a_counter, variants::is_single_modulus(s.device));
    if (total < std::numeric_limits<int32_t>::min() || total > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return total;
}

// Every counter the plan stores must fit its latch field. Where the plan leaves B and A as they
// were, only R and N are its own results.
std::optional<std::string> counters_problem(const Counters& c, bool split) {
    if (auto problem = r_counter_problem(c.r_counter)) return problem;
    return split ? n_counters_problem(c.n_value, c.b_counter, c.a_counter, c.prescaler)
                 : n_counters_problem(c.n_value, 0, 0, 1);
}

// Whether the board would still need `latch` once `plan` is stored: it does not hold the word the
// plan's state assembles (it was never sent one, or another).
template <class P>
bool board_lacks(const EvalState& s, const P& plan, uint8_t latch) {
    EvalState after = s;
    store(plan, after);
    return !board_holds(after, latch);
}

// An entry that still shows the present frequency (to the hertz the dialog works in) asks for
// nothing new: the frequency asked for before stands. So a PFD of 200.816327 kHz shown after a
// new reference of 19.68 MHz, loaded as it stands, leaves 200 kHz as the PFD asked for, and the
// next reference plans from 200 kHz again.
bool shows_present(double typed_hz, double present_hz) { return std::abs(typed_hz - present_hz) < 1.0; }

// The board's PFD frequency is the reference divided by R. A PFD typed that the reference does not
// divide would leave the board on R's own PFD while the window computed the VCO frequency from the
// one typed: 200.5 kHz from 10 MHz gives R = 50, a PFD of 200 kHz, and a board 6 MHz away from the
// frequency shown. Such a PFD is refused. A PFD with no finite decimal form (10 MHz / 3) is taken
// when it agrees with the board's to within the whole hertz the dialog works in.
bool is_board_pfd(double ref_hz, int32_t r, double pfd_hz) { return r >= 1 && std::abs(ref_hz / r - pfd_hz) < 1.0; }

// The PFD frequency N is planned at: the board's own where the PFD typed is that, so the VCO
// frequency computed from it is the one the board reaches; otherwise the PFD typed, which the plan
// then refuses.
double planned_pfd_hz(double ref_hz, int32_t r, double pfd_hz) {
    return is_board_pfd(ref_hz, r, pfd_hz) ? ref_hz / r : pfd_hz;
}

std::optional<PlanFailure> pfd_off_the_reference(const EvalState& s, int32_t r, double pfd_hz) {
    if (is_board_pfd(s.ref_freq, r, pfd_hz)) return std::nullopt;
    return PlanFailure{"The PFD frequency of " + numfmt::general(pfd_hz / 1000) + " kHz does not divide the reference "
                       "frequency of " + numfmt::general(s.ref_freq / 1e6) + " MHz: with R = " + std::to_string(r) +
                       " the board's PFD would be " + numfmt::general(numfmt::round_trip(s.ref_freq / r / 1000)) +
                       " kHz and its output another frequency than the one shown. The board holds R = " +
                       std::to_string(s.r_counter) + " now, a PFD of " + numfmt::general(s.pfd_freq) +
                       " kHz. Enter a PFD frequency that divides the reference.",
                       0};
}

void store_counters(const Counters& c, EvalState& s) {
    s.r_counter = c.r_counter;
    s.n_value = c.n_value;
    s.prescaler = c.prescaler;
    s.b_counter = c.b_counter;
    s.a_counter = c.a_counter;
}

struct PrescalerChoice {
    int32_t prescaler, bits;
};
constexpr std::array<PrescalerChoice, 4> kPrescalerKnob = {{
    {8, 0},
    {16, 4194304},
    {32, 8388608},
    {32, 12582912},
}};

}  // namespace

Plan<SynthLoad> plan_synth_load(const EvalState& s, std::optional<double> vco_mhz,
                                std::optional<double> pfd_khz) {
    // Step 1: the VCO entry.
    if (!vco_mhz || !std::isfinite(*vco_mhz * 1e6)) return invalid(1);
    const double vco_hz = numfmt::round_trip(*vco_mhz * 1e6);

    // Step 2: the PFD entry and everything computed from both.
    if (!pfd_khz) return invalid(2);
    const auto pfd_hz = numfmt::round_i32(*pfd_khz * 1000);
    if (!pfd_hz || *pfd_hz == 0) return invalid(2);
    const auto r = numfmt::round_i32(s.ref_freq / *pfd_hz);
    if (!r) return invalid(2);
    SynthLoad plan;
    plan.asked_vco_freq = shows_present(vco_hz, s.vco_freq * 1e6) ? s.asked_vco_freq : vco_hz / 1e6;
    plan.asked_pfd_freq = shows_present(*pfd_hz, s.pfd_freq * 1000) ? s.asked_pfd_freq : *pfd_hz / 1000.0;
    const auto n = numfmt::round_i32(plan.asked_vco_freq * 1e6 / planned_pfd_hz(s.ref_freq, *r, *pfd_hz));
    if (!n) return invalid(2);

    Counters& c = plan.counters;
    c = {*r, *n, s.prescaler, s.b_counter, s.a_counter};
    bool split = true;
    if (variants::has_dual_modulus(s.device)) {
        auto counters = split_counters(*n, s.prescaler);
        if (!counters) return invalid(2);
        c.b_counter = counters->b;
        c.a_counter = counters->a;
    } else if (variants::is_single_modulus(s.device)) {
        c.prescaler = 1;
        c.b_counter = *n;
        c.a_counter = 0;
    } else {
        split = false;  // a board-family name: the counters stay as they are
    }

    plan.pfd_freq = numfmt::round_trip(planned_pfd_hz(s.ref_freq, *r, *pfd_hz) / 1000);
    const auto ratio = plan_ratio(s, c);
    if (!ratio) return invalid(2);
    plan.vco_freq = vco_made_mhz(*ratio, plan.pfd_freq);
    const auto loaded_vco = numfmt::round_i32(plan.vco_freq);
    const auto loaded_pfd = numfmt::round_i32(plan.pfd_freq);
    if (!loaded_vco || !loaded_pfd) return invalid(2);

    if (auto problem = counters_problem(c, split)) return counter_failure(*problem);
    if (auto problem = pfd_off_the_reference(s, c.r_counter, *pfd_hz)) return *problem;

    plan.loaded_pfd_khz = *loaded_pfd;
    plan.loaded_vco_mhz = *loaded_vco;
    plan.send_r = board_lacks(s, plan, kRLatch);
    plan.send_n = board_lacks(s, plan, kNLatch);
    return plan;
}

void store(const SynthLoad& plan, EvalState& s) {
    store_counters(plan.counters, s);
    s.pfd_freq = plan.pfd_freq;
    s.vco_freq = plan.vco_freq;
    s.asked_vco_freq = plan.asked_vco_freq;
    s.asked_pfd_freq = plan.asked_pfd_freq;
    s.loaded_pfd_khz = plan.loaded_pfd_khz;
    s.loaded_vco_mhz = plan.loaded_vco_mhz;
}

Plan<ChannelStep> plan_channel_step(const EvalState& s, std::optional<double> vco_mhz,
                                    std::optional<double> pfd_khz, int direction) {
    // Step 1: both entries, and the VCO entry moved by one PFD step.
    if (!vco_mhz || !pfd_khz) return invalid(1);
    const double vco_hz = *vco_mhz * 1e6 + (direction < 0 ? -1 : 1) * (*pfd_khz * 1000);
    if (!std::isfinite(vco_hz)) return invalid(1);

    // Step 2: the counters, split by the stored prescaler for every device name.
    const double pfd_hz = *pfd_khz * 1000;
    if (pfd_hz == 0) return invalid(2);
    const auto r = numfmt::round_i32(s.ref_freq / pfd_hz);
    if (!r) return invalid(2);
    const auto n = numfmt::round_i32(vco_hz / planned_pfd_hz(s.ref_freq, *r, pfd_hz));
    if (!n) return invalid(2);
    const auto counters = split_counters(*n, s.prescaler);
    if (!counters) return invalid(2);

    ChannelStep plan;
    plan.counters = {*r, *n, s.prescaler, counters->b, counters->a};
    plan.pfd_freq = numfmt::round_trip(planned_pfd_hz(s.ref_freq, *r, pfd_hz) / 1000);
    const auto ratio = plan_ratio(s, plan.counters);
    if (!ratio) return invalid(2);
    plan.vco_freq = vco_made_mhz(*ratio, plan.pfd_freq);
    plan.vco_text = numfmt::pattern(vco_hz / 1e6, "#0.00000");
    plan.asked_vco_freq = vco_hz / 1e6;
    plan.asked_pfd_freq = shows_present(pfd_hz, s.pfd_freq * 1000) ? s.asked_pfd_freq : pfd_hz / 1000;

    if (auto problem = counters_problem(plan.counters, true)) return counter_failure(*problem);
    if (auto problem = pfd_off_the_reference(s, plan.counters.r_counter, pfd_hz)) return *problem;
    plan.send_r = board_lacks(s, plan, kRLatch);
    return plan;
}

void store(const ChannelStep& plan, EvalState& s) {
    store_counters(plan.counters, s);
    s.pfd_freq = plan.pfd_freq;
    s.vco_freq = plan.vco_freq;
    s.asked_vco_freq = plan.asked_vco_freq;
    s.asked_pfd_freq = plan.asked_pfd_freq;
}

SynthEntries synth_entries(const EvalState& s) {
    SynthEntries e;
    e.vco_text = numfmt::pattern(s.vco_freq, ".000000");
    e.pfd_text = numfmt::pattern(s.pfd_freq, ".000000");
    // A frequency beyond 32 bits cannot be a whole number loaded before; it is sent anyway,
    // since it differs from any whole number kept.
    e.loaded_vco_mhz = numfmt::round_i32(s.vco_freq).value_or(s.loaded_vco_mhz);
    e.loaded_pfd_khz = numfmt::round_i32(s.pfd_freq).value_or(s.loaded_pfd_khz);
    return e;
}

namespace {

// N for the VCO frequency asked for, at the PFD the reference and R make, split by the prescaler
// (B = N, A = 0 for the single-modulus variant, whose prescaler field is left as it is).
std::optional<Counters> counters_at_r(const EvalState& s, int32_t r, int32_t prescaler) {
    const auto n = numfmt::round_i32(s.asked_vco_freq * 1000 / pfd_made_khz(s.ref_freq, r));
    if (!n) return std::nullopt;
    if (variants::is_single_modulus(s.device)) return Counters{r, *n, prescaler, *n, 0};
    const auto split = split_counters(*n, prescaler);
    if (!split) return std::nullopt;
    return Counters{r, *n, prescaler, split->b, split->a};
}

}  // namespace

Plan<CrystalPlan> plan_crystal(const EvalState& s, std::optional<double> ref_mhz) {
    const PlanFailure failure{kInvalidCrystalEntry, 1};
    if (!ref_mhz || !std::isfinite(*ref_mhz * 1e6)) return failure;

    CrystalPlan plan;
    plan.ref_freq = *ref_mhz * 1e6;
    plan.entry_text = numfmt::pattern(*ref_mhz, "#0.000000");
    if (s.asked_pfd_freq == 0) return failure;
    // The reference dialog truncates R: 10.05 MHz at 200 kHz still gives 50. The quotient goes
    // through its 15-digit text first, so the binary rounding of the entry (8.2 MHz is stored
    // as 8199999.9999999991 Hz) cannot truncate a whole quotient to the number below it.
    const auto r = trunc_i32(numfmt::round_trip((plan.ref_freq / 1000) / s.asked_pfd_freq));
    if (!r) return failure;
    if (auto problem = r_counter_problem(*r)) return counter_failure(*problem);

    EvalState trial = s;
    trial.ref_freq = plan.ref_freq;
    const auto counters = counters_at_r(trial, *r, s.prescaler);
    if (!counters) return failure;
    plan.counters = *counters;
    if (auto problem = counters_problem(plan.counters, true)) return counter_failure(*problem);
    return plan;
}

void store(const CrystalPlan& plan, EvalState& s) {
    s.ref_freq = plan.ref_freq;
    store_counters(plan.counters, s);
    settle_frequencies(s);
}

Plan<PrescalerPlan> plan_prescaler(const EvalState& s, int knob_position) {
    PrescalerPlan plan;
    int32_t prescaler = s.prescaler;
    plan.prescaler_bits = s.prescaler_bits;
    if (knob_position >= 0 && knob_position < int(kPrescalerKnob.size())) {
        prescaler = kPrescalerKnob[knob_position].prescaler;
        plan.prescaler_bits = kPrescalerKnob[knob_position].bits;
    }

    if (s.asked_pfd_freq == 0)
        return counter_failure("The counters cannot be computed with a PFD frequency of 0 kHz.");
    if (prescaler <= 0)
        return counter_failure("The counters cannot be computed with a prescaler of " +
                               std::to_string(prescaler) + ".");
    // The prescaler dialog rounds R, half to even.
    const auto r = numfmt::round_i32((s.ref_freq / 1000) / s.asked_pfd_freq);
    const char* beyond = "The counters cannot be computed: the frequencies give a division ratio beyond the "
                         "32-bit range.";
    if (!r) return counter_failure(beyond);
    if (auto problem = r_counter_problem(*r)) return counter_failure(*problem);
    const auto counters = counters_at_r(s, *r, prescaler);
    if (!counters) return counter_failure(beyond);
    plan.counters = *counters;
    if (auto problem = counters_problem(plan.counters, true)) return counter_failure(*problem);
    return plan;
}

void store(const PrescalerPlan& plan, EvalState& s) {
    s.prescaler_bits = plan.prescaler_bits;
    store_counters(plan.counters, s);
    settle_frequencies(s);
}

bool dialog_takes_board_pfd(double ref_hz, int32_t r) {
    if (r < 1) return false;
    const auto pfd_hz = numfmt::round_i32(pfd_made_khz(ref_hz, r) * 1000);
    if (!pfd_hz || *pfd_hz == 0) return false;
    const auto typed_r = numfmt::round_i32(ref_hz / *pfd_hz);
    return typed_r && *typed_r == r && is_board_pfd(ref_hz, r, *pfd_hz);
}

double dialog_pfd_khz(const EvalState& s) {
    const auto pfd = numfmt::parse_entry(synth_entries(s).pfd_text, '.');
    const auto pfd_hz = pfd ? numfmt::round_i32(*pfd * 1000) : std::nullopt;
    const auto r = pfd_hz && *pfd_hz != 0 ? numfmt::round_i32(s.ref_freq / *pfd_hz) : std::nullopt;
    if (!r || *r < 1) return s.pfd_freq;
    return numfmt::round_trip(planned_pfd_hz(s.ref_freq, *r, *pfd_hz) / 1000);
}

RatioLimits makeable_ratios(const EvalState& s) {
    if (variants::is_single_modulus(s.device) || s.prescaler <= 1) return {1, kMaxBCounter};
    const int64_t p = s.prescaler;
    return {p * (p - 1), kMaxBCounter * p + std::min<int64_t>(p - 1, kMaxACounter)};
}

std::optional<PfdLimits> pfd_limits(const EvalState& s) {
    const auto vco_mhz = numfmt::parse_entry(synth_entries(s).vco_text, '.');
    if (!vco_mhz || !(*vco_mhz > 0) || !(s.ref_freq > 0)) return std::nullopt;
    auto takes = [&](int32_t r) {
        const double khz = pfd_made_khz(s.ref_freq, r);
        return dialog_takes_board_pfd(s.ref_freq, r) && bool(plan_synth_load(s, vco_mhz, khz));
    };
    // From the R at which N would reach each of its limits, towards the other limit: the first R
    // the dialog takes is the limit (a few steps at most, unless none is taken at all).
    const RatioLimits n = makeable_ratios(s);
    const double vco_hz = *vco_mhz * 1e6;
    const auto r_at = [&](int64_t ratio) { return s.ref_freq * double(ratio) / vco_hz; };
    const int32_t low_r = int32_t(std::clamp(std::floor(r_at(n.min)), 1.0, double(kMaxRCounter)));
    const int32_t high_r = int32_t(std::clamp(std::ceil(r_at(n.max)), 1.0, double(kMaxRCounter)));
    std::optional<int32_t> fewest, most;  // the R of the largest and of the smallest PFD
    for (int32_t r = low_r; r <= kMaxRCounter && !fewest; ++r)
        if (takes(r)) fewest = r;
    for (int32_t r = high_r; fewest && r >= *fewest && !most; --r)
        if (takes(r)) most = r;
    if (!fewest || !most) return std::nullopt;
    return PfdLimits{pfd_made_khz(s.ref_freq, *most), pfd_made_khz(s.ref_freq, *fewest)};
}

std::optional<ReferenceLimits> reference_limits(const EvalState& s) {
    const double pfd_hz = s.asked_pfd_freq * 1000, vco_hz = s.asked_vco_freq * 1e6;
    if (!(pfd_hz > 0) || !(vco_hz > 0) || !std::isfinite(vco_hz)) return std::nullopt;
    const RatioLimits n = makeable_ratios(s);
    auto takes = [&](double ref_hz) { return bool(plan_crystal(s, ref_hz / 1e6)); };
    // With R = trunc(reference / PFD asked), the references of one R lie in [R x PFD, (R + 1) x PFD),
    // and N = vco x R / reference must lie in the makeable range: the ends of that interval, in
    // whole hertz, are the candidates, the first R that has any giving the limit.
    auto interval = [&](int32_t r) {
        const double lo = std::max(r * pfd_hz, vco_hz * r / (double(n.max) + 0.5));
        const double hi = std::min((r + 1) * pfd_hz, vco_hz * r / (double(n.min) - 0.5));
        return std::pair(std::ceil(lo), std::floor(hi) == (r + 1) * pfd_hz ? (r + 1) * pfd_hz - 1 : std::floor(hi));
    };
    std::optional<double> lowest, highest;
    for (int32_t r = 1; r <= kMaxRCounter && !lowest; ++r)
        if (auto [lo, hi] = interval(r); lo <= hi && (takes(lo) || takes(++lo))) lowest = lo;
    for (int32_t r = kMaxRCounter; r >= 1 && lowest && !highest; --r)
        if (auto [lo, hi] = interval(r); lo <= hi && (takes(hi) || takes(--hi))) highest = hi;
    if (!lowest || !highest || *highest < *lowest) return std::nullopt;
    return ReferenceLimits{*lowest / 1e6, *highest / 1e6};
}

std::optional<int> prescaler_position(int32_t prescaler_bits) {
    for (size_t i = 0; i < kPrescalerKnob.size(); ++i)
        if (kPrescalerKnob[i].bits == prescaler_bits) return int(i);
    return std::nullopt;
}
