#include "actions/tick_schedule.h"

#include <algorithm>

namespace actions {

TickSchedule::TickSchedule(int64_t start_ns, int64_t period_ns)
    : start_ns_(start_ns), period_ns_(std::max<int64_t>(1, period_ns)) {}

TickSchedule::Ran TickSchedule::ran(int64_t now_ns) {
    Ran r;
    r.late = now_ns - due_ns() > kLateNs;
    ++k_;
    if (due_ns() <= now_ns) {
        const uint64_t next = uint64_t((now_ns - start_ns_) / period_ns_) + 1;
        r.skipped = next - k_;
        k_ = next;
    }
    return r;
}

}  // namespace actions
