#pragma once
// The clock an exerciser run keeps time by, for a tick that waits inside itself (the lock
// measurement reads the lock-detect line between hops): on the timing thread the monotonic clock,
// on a run its caller steps (tests) the run's own clock, which a sleep moves on at once.
#include <cstdint>

namespace actions {

class RunClock {
public:
    virtual ~RunClock() = default;
    virtual int64_t now_ns() const = 0;
    // Sleeps (never spins) until `t_ns`.
    virtual void sleep_until(int64_t t_ns) = 0;
    // The deadline of the tick in progress.
    virtual int64_t deadline_ns() const = 0;
};

}  // namespace actions
