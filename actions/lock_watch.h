#pragma once
// The lock time of one hop, measured on the lock-detect line (MUXOUT set to digital lock detect):
// from the latch-enable edge of the hop's first N word to the last rising edge of lock detect
// before the next hop, provided lock detect is high then. The line is read from the timing thread
// at a bounded rate, sleeping between reads; the watch ends once lock detect has stayed high for
// kHoldNs, and a hop without lock by kLongestNs is not locked (as the loop model's horizon).
// Where the link gives the line's edges stamped by the kernel (a GPIO chip), the edges are taken
// at their stamps, and the reads only fill in an edge not yet stamped.
#include <cstdint>
#include <optional>
#include <vector>

#include "actions/run_clock.h"
#include "link/port.h"

namespace actions {

struct HopLock {
    std::optional<double> lock_s;  // empty: not locked
    // The time between the read that saw the line low and the one that saw it high: the rising
    // edge lies in between (for a hop not locked, the longest gap between reads); for a stamped
    // edge, the stamps' resolution.
    double resolution_s = 0;
    bool operator==(const HopLock&) const = default;
};

class LockWatch {
public:
    static constexpr int64_t kPollNs = 5'000;           // at most 200 000 reads a second
    static constexpr int64_t kHoldNs = 1'000'000;       // high this long: locked for good
    static constexpr int64_t kLongestNs = 100'000'000;  // the longest a hop is watched

    // A hop's first N word was latched at `le_ns`; a hop still being watched is dropped.
    void begin(int64_t le_ns);
    // Reads the line until the hop is decided, or until the next read would come after
    // `until_ns`; the hop's figure once decided.
    std::optional<HopLock> watch(boardlink::Port& port, RunClock& clock, int64_t until_ns);
    // The figure of a hop still being watched, as the line stood at the last read (the next hop
    // came before it was decided); empty when none is watched.
    std::optional<HopLock> conclude();
    bool watching() const { return start_.has_value(); }

private:
    // The line seen at `at_ns`, `gap_ns` after what was seen of it before.
    void read(bool high, int64_t at_ns, int64_t gap_ns);

    std::optional<int64_t> start_;
    int64_t last_read_ns_ = 0, rise_ns_ = 0, rise_gap_ns_ = 0, longest_gap_ns_ = 0;
    int64_t floor_ns_ = kPollNs;  // the finest resolution a figure can have
    bool high_ = false;
    std::vector<boardlink::LockEdge> edges_;
};

}  // namespace actions
