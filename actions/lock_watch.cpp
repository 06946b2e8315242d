#include "actions/lock_watch.h"

#include <algorithm>

namespace actions {

void LockWatch::begin(int64_t le_ns) {
    start_ = le_ns;
    last_read_ns_ = le_ns;
    rise_ns_ = rise_gap_ns_ = longest_gap_ns_ = 0;
    high_ = false;  // the counters restart with the new word: the detector starts over
}

void LockWatch::read(bool high, int64_t at_ns) {
    const int64_t gap = at_ns - last_read_ns_;
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
        const int64_t now = clock.now_ns();
        const auto line = port.lock_detect();
        if (!line) return conclude();  // the line went (a link that failed)
        read(*line, now);
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
    else figure.resolution_s = double(std::max(longest_gap_ns_, kPollNs)) * 1e-9;
    start_.reset();
    return figure;
}

}  // namespace actions
