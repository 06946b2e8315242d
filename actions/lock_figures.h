#pragma once
// The lock times of a hop run, as the lock-time window and HOP:LOCK? show them, and whether a hop
// run measures them at all.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "actions/lock_watch.h"
#include "actions/outcome.h"
#include "model/eval_state.h"

namespace actions {

struct LockSummary {
    std::size_t count = 0;  // every hop measured
    std::size_t not_locked = 0;
    // Over the hops that locked; empty when none did.
    std::optional<double> min_s, median_s, max_s, last_s;
    double resolution_s = 0;  // the coarsest of the figures
};

class LockFigures {
public:
    void clear() { hops_.clear(); }
    void add(const HopLock& hop) { hops_.push_back(hop); }
    const std::vector<HopLock>& hops() const { return hops_; }
    LockSummary summary() const;
    // "<count>,<min s>,<median s>,<max s>,<not locked>,<resolution s>", 9.91E37 for a figure no
    // hop gave.
    std::string summary_text() const;
    // Every hop's lock time, 9.91E37 for a hop not locked, as one comma list (empty: none yet).
    std::string all_text() const;
    // The locked hops counted in `bins` equal bins from 0 to `top_s`: each bin's centre and count
    // (a lock time at or past the top counts in the last bin).
    struct Bin {
        double centre_s;
        int count;
    };
    std::vector<Bin> histogram(int bins, double top_s) const;

private:
    std::vector<HopLock> hops_;
};

// Whether a hop run measures lock: as asked (empty: the default, on only where the link has a
// lock-detect line and MUXOUT is digital lock detect, so a plain run is never refused for it). On
// when it cannot be is a conflict with the reason.
struct LockDecision {
    bool measure = false;
    std::optional<Refusal> refusal;
};
LockDecision lock_measurement(std::optional<bool> asked, bool has_line, int32_t muxout_bits);

// The loop model's lock-detect time for a hop between two frequencies (MHz) with the state's parts,
// current and lock-detect precision: what LOOP:LDT? answers. Empty when the loop cannot be
// analysed or does not lock within the model's horizon.
std::optional<double> predicted_lock_detect_s(const EvalState& state, double from_mhz, double to_mhz);

}  // namespace actions
