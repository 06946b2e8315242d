#include "actions/device_gates.h"

#include "model/variants.h"

namespace actions {
namespace {

const char* const kNothingDone = " Nothing was changed or sent.";

// How a message names a device that is none of the nine.
std::string not_a_variant(const EvalState& s) {
    if (s.device.empty()) return "no variant is chosen";
    constexpr size_t kShown = 20;
    const std::string name = s.device.size() > kShown ? s.device.substr(0, kShown) + "..." : s.device;
    return "the device is \"" + name + "\", a board preset, whose latch writes carry no data";
}

}  // namespace

std::optional<Outcome> needs_variant(const EvalState& s, const std::string& what) {
    if (variants::is_family_variant(s.device)) return std::nullopt;
    return conflict(what + " is set only for the variants KSY7100-0 to KSY7100-8, and " + not_a_variant(s) + "." +
                    kNothingDone);
}

std::optional<Outcome> needs_prescaler(const EvalState& s) {
    if (variants::has_dual_modulus(s.device)) return std::nullopt;
    if (variants::is_single_modulus(s.device))
        return conflict(std::string("The KSY7100-8 has no dual-modulus prescaler: it divides by its N counter alone.") +
                        kNothingDone);
    return conflict("The prescaler is set only for the variants KSY7100-0 to KSY7100-7, and " + not_a_variant(s) + "." +
                    kNothingDone);
}

std::optional<Outcome> needs_divide_options(const EvalState& s) {
    if (!variants::is_single_modulus(s.device)) return std::nullopt;
    return conflict(std::string("The KSY7100-8 has no divide-by-2 options (the main window hides their switches).") +
                    kNothingDone);
}

}  // namespace actions
