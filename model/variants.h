#pragma once
// The nine variants of the family and their start-up defaults.
//
// Every variant-dependent decision compares the whole device name, case-sensitively. Board
// presets store family names ("ksy7100" .. "ksy7104") that are none of the nine variants.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "model/eval_state.h"

namespace variants {

// In the order the variant dialog lists them.
inline constexpr std::array<std::string_view, 9> kNames = {
    "ksy7100-1", "ksy7100-2", "ksy7100-3", "ksy7100-4", "ksy7100-5",
    "ksy7100-6", "ksy7100-7", "ksy7100-8", "ksy7100-0"};

// The variant without dual-modulus prescaler: N = B, A = 0, P = 1.
inline constexpr std::string_view kSingleModulus = "ksy7100-8";

// One of the nine variants.
bool is_family_variant(std::string_view device);
// One of the eight variants with a dual-modulus prescaler.
bool has_dual_modulus(std::string_view device);
bool is_single_modulus(std::string_view device);

// "ksy7100-1" -> "KSY7100-1"; and the evaluation board's name "KSY7100-1EB1".
std::string display_name(std::string_view device);
std::string board_name(std::string_view device);

// The settings the variant dialog sets when it opens: port addresses and current defaults.
void apply_port_defaults(EvalState& state);

// The settings the variant dialog's OK loads for the chosen variant (or the common values only,
// when no variant was marked): frequency plan, counters, power levels, prescaler, RSet.
void apply_variant_choice(EvalState& state, std::optional<std::string_view> device);

// The state of a run right after the variant dialog's OK chose `device`: every field as at the
// start, the port defaults, then the variant's defaults.
EvalState start_state(std::optional<std::string_view> device);

}  // namespace variants
