#pragma once
// What one tick of an exerciser did: its outcome, and for a sweep step the frequency reached.
#include <optional>

#include "actions/outcome.h"
#include "model/exerciser_plan.h"

namespace actions {

struct TickResult : Outcome {
    std::optional<exerciser::SweepTexts> texts;  // a sweep step: the frequency reached, the entries as read
    unsigned long progress = 0;                  // hops or steps made so far
};

}  // namespace actions
