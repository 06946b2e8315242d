#pragma once
// Refusals the two exercisers share: a problem of their entries or settings, and a start asked
// for on a link that has failed.
#include <string>

#include "actions/outcome.h"
#include "link/port.h"
#include "model/exerciser_plan.h"

namespace actions {

inline Refusal exerciser_refusal(const exerciser::Problem& p) { return refusal(p.message, p.entry, p.bad_text, true); }

// "The board link has failed, so the sweep cannot run.", with the cause as detail.
inline Outcome failed_link_refusal(const boardlink::Port& port, const std::string& what) {
    Outcome out;
    out.refusal = refusal("The board link has failed, so " + what + " cannot run.", {}, false, true);
    out.refusal->detail = port.failure();
    return out;
}

}  // namespace actions
