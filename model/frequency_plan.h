#pragma once
// The frequency plans of the setting dialogs: from the reference, PFD and VCO frequencies to the
// R, B and A counters. Each plan reads the state, computes every new field value and either
// returns them all or a failure with its message; it never changes the state itself, so a plan
// that fails leaves nothing half updated. store() then writes a successful plan into the state.
//
// The R counter is rounded (half to even) by the frequency and prescaler dialogs and truncated
// toward zero by the reference dialog. Every plan rejects counters that do not fit their latch
// fields (model/counters.h), since the latch writer does not mask them.
#include <cstdint>
#include <optional>
#include <string>

#include "model/eval_state.h"

struct PlanFailure {
    std::string message;
    // The entry the failure belongs to; the dialog empties and focuses it. In the frequency
    // dialog it is the step counter: 1 while the VCO entry is converted (for the channel
    // buttons, both entries), 2 from then on. The reference dialog uses 1 for its one entry.
    // 0: a counter outside its field; the entries are kept as typed.
    int step = 0;
};

template <class Result>
struct Plan {
    std::optional<Result> result;
    PlanFailure failure;  // when there is no result

    Plan(Result r) : result(std::move(r)) {}
    Plan(PlanFailure f) : failure(std::move(f)) {}
    explicit operator bool() const { return result.has_value(); }
    const Result& operator*() const { return *result; }
    const Result* operator->() const { return &*result; }
};

// The counters a plan stores.
struct Counters {
    int32_t r_counter = 0;
    int32_t n_value = 0;
    int32_t prescaler = 0;
    int32_t b_counter = 0;
    int32_t a_counter = 0;
    bool operator==(const Counters&) const = default;
};

// The frequency dialog's messages.
inline constexpr const char* kInvalidVcoEntry = "Invalid entry in VCO Frequency.";
inline constexpr const char* kInvalidPfdEntry = "Invalid entry in reference frequency.";
// The reference dialog's message.
inline constexpr const char* kInvalidCrystalEntry = "Invalid entry in crystal Frequency.";

// Frequency dialog, Load Now: the entries as parsed (empty when the text is not a number).
// Only what changed is sent, R before N: the R latch when the PFD frequency differs from the one
// last loaded, the N latch when the VCO frequency does. The comparisons are with the whole
// numbers kept in loaded_pfd_khz and loaded_vco_mhz, so a fractional frequency is sent every
// time. A latch whose word the load changes is sent in any case: a new PFD with the same VCO
// frequency needs a new N, and a return to the whole number last loaded (2400.2, then 2400)
// needs the N that the comparison alone would skip; otherwise the board would run on another
// frequency than the window shows.
struct SynthLoad {
    Counters counters;
    double pfd_freq = 0;  // kHz
    double vco_freq = 0;  // MHz, the frequency actually reached
    bool send_r = false, send_n = false;
    int32_t loaded_pfd_khz = 0, loaded_vco_mhz = 0;
};
Plan<SynthLoad> plan_synth_load(const EvalState& state, std::optional<double> vco_mhz,
                                std::optional<double> pfd_khz);
void store(const SynthLoad& plan, EvalState& state);

// Frequency dialog, one channel up (+1) or down (-1) from the VCO entry. Sends the N latch, and
// before it the R latch when the step changes the R word (the PFD entry was edited); the loaded
// frequencies stay as they were.
struct ChannelStep {
    Counters counters;
    double pfd_freq = 0;
    double vco_freq = 0;
    std::string vco_text;  // the new VCO entry, five decimals, so repeated steps go on from it
    bool send_r = false;
};
Plan<ChannelStep> plan_channel_step(const EvalState& state, std::optional<double> vco_mhz,
                                    std::optional<double> pfd_khz, int direction);
void store(const ChannelStep& plan, EvalState& state);

// The frequency dialog's entries as it opens: six decimals ("2400.000000"), and the whole
// frequencies it takes as last loaded.
struct SynthEntries {
    std::string vco_text, pfd_text;
    int32_t loaded_vco_mhz = 0, loaded_pfd_khz = 0;
};
SynthEntries synth_entries(const EvalState& state);

// Reference dialog: the new REF IN in MHz; R truncated from the present PFD frequency (the
// quotient taken as the decimal numbers typed define it, so 8.2 MHz at 200 kHz gives 41 and not
// the 40 that the binary rounding of 8.2 would truncate to), N from
// the present VCO frequency, split by the prescaler (B = N, A = 0 for the single-modulus
// variant, whose prescaler field is left as it is).
struct CrystalPlan {
    double ref_freq = 0;  // Hz
    Counters counters;
    std::string entry_text;  // the entry rewritten with six decimals ("19.200000")
};
Plan<CrystalPlan> plan_crystal(const EvalState& state, std::optional<double> ref_mhz);
void store(const CrystalPlan& plan, EvalState& state);

// Prescaler dialog: the knob position 0..3 (8/9, 16/17, 32/33, 32/33 with both bits) and the
// counters split anew; R rounded. A position outside 0..3 keeps the stored prescaler.
struct PrescalerPlan {
    int32_t prescaler_bits = 0;
    Counters counters;
};
Plan<PrescalerPlan> plan_prescaler(const EvalState& state, int knob_position);
void store(const PrescalerPlan& plan, EvalState& state);
// The knob position that shows prescaler_bits, or empty for a value of no position.
std::optional<int> prescaler_position(int32_t prescaler_bits);
