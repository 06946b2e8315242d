#pragma once
// The arithmetic of the two exercisers: the lock-time window's hop between two frequencies,
// the sweep window's step, and the checks of their entries. The windows pass the texts of their
// entries and store what comes back; nothing here is stored until the whole step is known to be
// sound, so a rejected entry or an oversized counter leaves the state as it was.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/eval_state.h"

namespace exerciser {

// Timer intervals the exercisers accept, in milliseconds. 0 would leave the timer silent while
// the window looks started.
inline constexpr int kMinIntervalMs = 1;
inline constexpr int kMaxIntervalMs = 32767;
// Hop frequencies are whole MHz in 16 bits.
inline constexpr int kMinHopMhz = 1;
inline constexpr int kMaxHopMhz = 32767;

inline constexpr int32_t kNCpGainBit = 2097152;     // N latch bit 21
inline constexpr double kOutDiv2Bit = 4194304;      // N latch bit 22

// Why an exerciser cannot start or go on.
struct Problem {
    std::string entry;    // objectName of the entry at fault ("Text1"); empty when a setting is at fault
    std::string message;  // the text for the user, naming the entry or the setting
    bool bad_text = false;  // the entry's text itself is unusable (it is emptied for retyping)
    bool operator==(const Problem&) const = default;
};

// A value, or the problem that prevents it.
template <class T>
struct Outcome {
    std::optional<T> value;
    std::optional<Problem> problem;
    explicit operator bool() const { return value.has_value(); }
    const T& operator*() const { return *value; }
    const T* operator->() const { return &*value; }
};

// The counters of one frequency.
struct Counters {
    int32_t n = 0, b = 0, a = 0;
    bool operator==(const Counters&) const = default;
};

// N = round(ratio) (half to even) split by the prescaler, checked against the counter fields.
// The problem names no entry; callers put the frequency in front of its message.
Outcome<Counters> counters_for(double ratio, int32_t prescaler);

// A timer interval typed into `entry` (its caption `name`): half to even, 1 to 32767 ms.
Outcome<int> read_interval(std::string_view text, char decimal_point, std::string_view entry,
                           std::string_view name);

// ---- Lock-time hopping ----

// The entries of the lock-time window, as typed.
struct HopEntries {
    std::string_view start;     // Text1, MHz
    std::string_view stop;      // Text2, MHz
    std::string_view interval;  // Text3, ms between jumps
    std::string_view delay;     // Text4, ms before the gain is lowered
    char decimal_point = '.';
};

// Where one hop goes and what it programs.
struct Hop {
    double hop_freq = 0;  // whole MHz
    std::optional<bool> out_div2;  // divide-by-2 at this frequency; empty: left as it is
    Counters counters;
    bool operator==(const Hop&) const = default;
};

// The common hop step: from state.hop_freq to the other frequency (to the start frequency
// when it is at neither), with the divide-by-2 of the frequency it reaches (empty: that
// frequency leaves the divide-by-2 as the user set it), and the counters at state.pfd_freq and
// state.prescaler. Only the start and stop entries are read.
Outcome<Hop> hop_step(const EvalState& state, const HopEntries& entries, std::optional<bool> divide_at_start,
                      std::optional<bool> divide_at_stop);
// Stores a hop: hop_freq, out_div2_bits, the counters, the frequency the counters make, and the
// hop frequency as the one asked for.
void apply_hop(EvalState& state, const Hop& hop);

// The timer intervals a start button sets.
struct HopStart {
    int interval_ms = 0;  // between jumps
    int delay_ms = 0;     // before the gain is lowered; 0 when not asked for
};

// Whether hopping can start, and its intervals: the interval (and, for hopping with charge-pump
// gain, the delay), both frequencies, the PFD frequency and prescaler, and the counters at both
// frequencies are checked.
Outcome<HopStart> hop_start(const EvalState& state, const HopEntries& entries, bool with_delay);

// ---- Frequency sweep ----

struct SweepEntries {
    std::string_view start;  // Text1, MHz
    std::string_view stop;   // Text3, MHz
    std::string_view step;   // Text2, kHz
    std::string_view rate;   // Text4, ms per step
    char decimal_point = '.';
};

struct SweepSetup {
    int rate_ms = 0;
    double start_hz = 0, stop_hz = 0, step_hz = 0;
    double first_freq_hz = 0;  // one step below the start, so that the first step lands on it
};

// Reads the entries and checks them: the channel step must be a whole multiple of the PFD
// frequency (the chip steps only in whole PFD steps, so any other step would show frequencies
// the board does not produce), and the first step's counters must fit.
Outcome<SweepSetup> read_sweep(const EvalState& state, const SweepEntries& entries);
// Stores the setup: sweep_start, sweep_stop, sweep_step and sweep_freq.
void apply_sweep_setup(EvalState& state, const SweepSetup& setup);

struct SweepStep {
    double sweep_freq = 0;  // Hz
    double vco_freq = 0;    // MHz, the frequency the counters program: N x PFD
    Counters counters;      // N = sweep_freq / PFD frequency, half to even
    bool last = false;      // the step reaches or passes the stop frequency
};

// The next step from the stored sweep.
Outcome<SweepStep> sweep_step(const EvalState& state);
// Stores a step: sweep_freq, vco_freq and the counters.
void apply_sweep_step(EvalState& state, const SweepStep& step);

// What the sweep window shows after a step, as general decimal text.
struct SweepTexts {
    std::string current;  // Text5, MHz
    std::string start;    // Text1, MHz
    std::string stop;     // Text3, MHz
    std::string step;     // Text2, kHz
};
SweepTexts sweep_texts(const EvalState& state);

}  // namespace exerciser
