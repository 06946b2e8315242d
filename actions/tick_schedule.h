#pragma once
// When the ticks of an exerciser are due: on absolute deadlines of the monotonic clock, the k-th
// one period k after the start, never one period after the tick before ran, so the mean period
// is exact however long a tick takes and however late it woke. A tick that runs more than 1 ms
// after its deadline is late. When the machine stalled past further deadlines, those are
// skipped, not made up in a burst: the next deadline is the first one still ahead.
#include <cstdint>

namespace actions {

class TickSchedule {
public:
    static constexpr int64_t kLateNs = 1'000'000;

    // The first tick is due one period after `start_ns`. The period is at least 1 ns.
    TickSchedule(int64_t start_ns, int64_t period_ns);

    int64_t due_ns() const { return start_ns_ + int64_t(k_) * period_ns_; }

    struct Ran {
        bool late = false;      // ran more than kLateNs after its deadline
        uint64_t skipped = 0;   // deadlines after it that had passed too, and were dropped
    };
    // The tick due now ran at `now_ns`; the schedule moves on to the next deadline after it.
    Ran ran(int64_t now_ns);

private:
    int64_t start_ns_, period_ns_;
    uint64_t k_ = 1;
};

}  // namespace actions
