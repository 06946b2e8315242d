#pragma once
// The frequency plans of the setting dialogs: from the reference, PFD and VCO frequencies to the
// R, B and A counters. Each plan reads the state, computes every new field value and either
// returns them all or a failure with its message; it never changes the state itself, so a plan
// that fails leaves nothing half updated. store() then writes a successful plan into the state.
//
// The R counter is rounded (half to even) by the frequency and prescaler dialogs and truncated
// toward zero by the reference dialog. Every plan rejects counters that do not fit their latch
// fields (model/counters.h), since the latch writer does not mask them.
//
// Every plan stores as PFD and VCO frequency what its counters make (reference / R and N x PFD,
// model/frequency_made.h), and the frequency dialog's loads and steps are sent where the board
// does not hold their words (model/board_words.h), so the window never shows a frequency the
// board does not make. The frequency dialog sets the frequencies asked for; the reference and
// prescaler dialogs plan anew from them.
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
// R from the reference and the PFD typed, N for the VCO frequency asked for at the PFD the board
// will run at. R and N are sent, R before N, where the board does not hold the words the plan
// describes: never sent, or different. A PFD the reference does not divide is refused. An entry
// that still shows the present frequency asks for nothing new (the frequency asked for before
// stands), so pre-filled entries loaded as they stand keep the plan's aim.
struct SynthLoad {
    Counters counters;
    double pfd_freq = 0;  // kHz, reference / R
    double vco_freq = 0;  // MHz, the frequency the counters make
    double asked_vco_freq = 0, asked_pfd_freq = 0;
    bool send_r = false, send_n = false;
    int32_t loaded_pfd_khz = 0, loaded_vco_mhz = 0;  // the dialog's record of the whole frequencies loaded
};
Plan<SynthLoad> plan_synth_load(const EvalState& state, std::optional<double> vco_mhz,
                                std::optional<double> pfd_khz);
void store(const SynthLoad& plan, EvalState& state);

// Frequency dialog, one channel up (+1) or down (-1) from the VCO entry, which becomes the VCO
// frequency asked for. Sends the N latch, and before it the R latch where the board does not
// hold the plan's R word (the PFD entry was edited, or R was never sent); the loaded frequencies
// stay as they were.
struct ChannelStep {
    Counters counters;
    double pfd_freq = 0;
    double vco_freq = 0;
    double asked_vco_freq = 0, asked_pfd_freq = 0;
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

// Reference dialog: the new REF IN in MHz; R truncated from the PFD frequency asked for (the
// quotient taken as the decimal numbers typed define it, so 8.2 MHz at 200 kHz gives 41 and not
// the 40 that the binary rounding of 8.2 would truncate to), N for the VCO frequency asked for at
// the PFD the new reference and R make (19.68 MHz, R = 98: 200.816... kHz, N = 11951 for
// 2400 MHz, which makes 2399.9559 MHz), split by the prescaler (B = N, A = 0 for the
// single-modulus variant, whose prescaler field is left as it is).
struct CrystalPlan {
    double ref_freq = 0;  // Hz
    Counters counters;
    std::string entry_text;  // the entry rewritten with six decimals ("19.200000")
};
Plan<CrystalPlan> plan_crystal(const EvalState& state, std::optional<double> ref_mhz);
void store(const CrystalPlan& plan, EvalState& state);

// Prescaler dialog: the knob position 0..3 (8/9, 16/17, 32/33, 32/33 with both bits) and the
// counters split anew; R rounded from the PFD frequency asked for, N for the VCO frequency asked
// for at the PFD R makes. A position outside 0..3 keeps the stored prescaler.
struct PrescalerPlan {
    int32_t prescaler_bits = 0;
    Counters counters;
};
Plan<PrescalerPlan> plan_prescaler(const EvalState& state, int knob_position);
void store(const PrescalerPlan& plan, EvalState& state);
// Whether the frequency dialog takes the PFD that R makes from the reference, typed as the tool
// shows it (15 digits), back as the board's: its entry rounds a PFD to whole hertz, and R must come
// back from that (10 MHz / 16383 = 610.4 Hz is typed as 610 Hz, which gives R = 16393: not taken).
bool dialog_takes_board_pfd(double ref_hz, int32_t r);

// The PFD frequency (kHz) the frequency dialog plans at when loaded with its PFD entry as it opens
// (the entry rounds to whole hertz, and R comes back from that).
double dialog_pfd_khz(const EvalState& state);

// The smallest and the largest N whose counters the variant's prescaler makes and whose fields
// hold them: P x (P - 1) (below it some N cannot be made) to 8191 x P + P - 1, or 1 to 8191 on
// the variant that divides by B alone.
struct RatioLimits {
    int64_t min, max;
};
RatioLimits makeable_ratios(const EvalState& state);

// The PFD frequencies (kHz) the frequency dialog loads with the VCO frequency it shows now: the
// smallest and the largest that the reference divides and whose N the counters make. Empty when
// there is none.
struct PfdLimits {
    double min_khz, max_khz;
};
std::optional<PfdLimits> pfd_limits(const EvalState& state);

// The references (MHz) the reference dialog takes now, aiming at the PFD and VCO frequency asked
// for: the smallest and the largest whose R fits and whose N the counters make. Empty when there
// is none.
struct ReferenceLimits {
    double min_mhz, max_mhz;
};
std::optional<ReferenceLimits> reference_limits(const EvalState& state);

// The knob position that shows prescaler_bits, or empty for a value of no position.
std::optional<int> prescaler_position(int32_t prescaler_bits);
