#include "actions/lock_watch.h"

#include <algorithm>

namespace actions {

void LockWatch::begin(int64_t le_ns) {
    start_ = le_ns;
    last_read_ns_ = le_ns;
    rise_ns_ = rise_gap_ns_ = longest_gap_ns_ = 0;
    floor_ns_ = kPollNs;
    high_ = false;  // the counters restart with the new word: the detector starts over
}

void LockWatch::read(bool high, int64_t at_ns, int64_t gap) {
    longest_gap_ns_ = std::max(longest_gap_ns_, gap);
    if (high && !high_) {
        rise_ns_ = at_ns;
        rise_gap_ns_ = gap;
    }
    high_ = high;
    last_read_ns_ = at_ns;
}

std::optional<HopLock> LockWatch::watch(boardlink::Port& port, RunClock& clock, int64_t until_ns) {
    while (start_) {
        // Stamped edges first, then the level: an edge between the two shows in the level (and
        // its stamp, which comes next time, is then already accounted for).
        edges_.clear();
        int64_t stamp_ns = 0;
        const bool stamped = port.lock_edges(edges_, stamp_ns);
        const auto line = port.lock_detect();
        const int64_t now = clock.now_ns();
        if (!line) return conclude();  // the line went (a link that failed)
        if (stamped) {
            floor_ns_ = stamp_ns;
            for (const boardlink::LockEdge& edge : edges_)
                if (edge.at_ns >= last_read_ns_) read(edge.high, edge.at_ns, stamp_ns);
        }
        if (!stamped || *line != high_) read(*line, now, now - last_read_ns_);
        if ((high_ && now - rise_ns_ >= kHoldNs) || now - *start_ >= kLongestNs) return conclude();
        const int64_t next = now + kPollNs;
        if (next > until_ns) return std::nullopt;
        clock.sleep_until(next);
    }
    return std::nullopt;
}

std::optional<HopLock> LockWatch::conclude() {
    if (!start_) return std::nullopt;
    HopLock figure;
    if (high_) figure = {double(rise_ns_ - *start_) * 1e-9, double(rise_gap_ns_) * 1e-9};
    else figure.resolution_s = double(std::max(longest_gap_ns_, floor_ns_)) * 1e-9;
    start_.reset();
    return figure;
}

}  // namespace actions
