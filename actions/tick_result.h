#pragma once
// What one tick of an exerciser did: its outcome, and for a sweep step the frequency reached.
#include <optional>
#include <vector>

#include "actions/lock_watch.h"
#include "actions/outcome.h"
#include "model/exerciser_plan.h"

namespace actions {

struct TickResult : Outcome {
    std::optional<exerciser::SweepTexts> texts;  // a sweep step: the frequency reached, the entries as read
    unsigned long progress = 0;                  // hops or steps made so far
    std::vector<HopLock> locks;                  // the lock times of the hops decided in this tick
};

}  // namespace actions
