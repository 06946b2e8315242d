#include "model/variants.h"

#include <algorithm>
#include <cctype>

#include "model/loop_defaults.h"

namespace variants {
namespace {

struct Defaults {
    std::string_view device;
    double vco_freq;
    int32_t b_counter, a_counter, n_value, prescaler, prescaler_bits;
    std::optional<uint16_t> output_power, core_power;  // empty: not set for that variant
    int32_t bscd_bits;
    double pfd_freq;
    int32_t r_counter;
};

constexpr int32_t k32 = 8388608;  // prescaler bits for 32/33
constexpr int32_t kDiv8 = 3145728;  // band-select clock divider 8

const std::array<Defaults, 9> kDefaults = {{
    {"ksy7100-0", 2500, 390, 20, 12500, 32, k32, 3, 2, 0, 200, 50},
    {"ksy7100-1", 2400, 375, 0, 12000, 32, k32, 3, 2, 0, 200, 50},
    {"ksy7100-2", 2100, 328, 4, 10500, 32, k32, 3, 2, 0, 200, 50},
    {"ksy7100-3", 1900, 296, 28, 9500, 32, k32, 3, 2, 0, 200, 50},
    {"ksy7100-4", 1600, 250, 0, 8000, 32, k32, 3, 2, 0, 200, 50},
    {"ksy7100-5", 1400, 218, 24, 7000, 32, k32, std::nullopt, std::nullopt, 0, 200, 50},
    {"ksy7100-6", 1200, 187, 16, 6000, 32, k32, 3, 1, 0, 200, 50},
    // N = 4500 split by P = 8, so the counters make the 900 MHz shown.
    {"ksy7100-7", 900, 562, 4, 4500, 8, 0, 3, 0, kDiv8, 200, 50},
    {"ksy7100-8", 120, 120, 0, 120, 1, 0, 3, 0, kDiv8, 1000, 10},
}};

void set_currents_and_polarity(EvalState& s) {
    s.pd_polarity_bits = 256;
    s.cs2_bits = 917504;  // level 7
    s.cs1_bits = 114688;  // level 7
}

}  // namespace

bool is_family_variant(std::string_view device) {
    return std::find(kNames.begin(), kNames.end(), device) != kNames.end();
}

bool has_dual_modulus(std::string_view device) {
    return is_family_variant(device) && device != kSingleModulus;
}

bool is_single_modulus(std::string_view device) { return device == kSingleModulus; }

std::string display_name(std::string_view device) {
    std::string upper(device);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

std::string board_name(std::string_view device) { return display_name(device) + "EB1"; }

void apply_port_defaults(EvalState& s) {
    s.readback_port = 888;
    s.data_port = 888;
    s.abp_width_bits = 0;
    s.prescaler_bits = k32;
    set_currents_and_polarity(s);
}

void apply_variant_choice(EvalState& s, std::optional<std::string_view> device) {
    s.vco_freq = 900;
    s.pfd_freq = 200;
    s.ref_freq = 10'000'000;
    s.r_counter = 50;
    s.bscd_bits = 0;

    auto row = std::find_if(kDefaults.begin(), kDefaults.end(),
                            [&](const Defaults& d) { return device && d.device == *device; });
    if (row != kDefaults.end()) {
        s.device = std::string(row->device);
        s.preset_index = 0;
        s.vco_freq = row->vco_freq;
        s.b_counter = row->b_counter;
        s.a_counter = row->a_counter;
        s.n_value = row->n_value;
        s.prescaler = row->prescaler;
        s.prescaler_bits = row->prescaler_bits;
        if (row->output_power) s.output_power = *row->output_power;
        if (row->core_power) s.core_power = *row->core_power;
        s.bscd_bits = row->bscd_bits;
        s.pfd_freq = row->pfd_freq;
        s.r_counter = row->r_counter;
    }
    s.rset = 4700;
    s.rset_ohms = 4700;
    set_currents_and_polarity(s);
    s.asked_vco_freq = s.vco_freq;
    s.asked_pfd_freq = s.pfd_freq;
    // The loop designer starts from the variant's values and a design on this plan.
    s.loop = start_loop_settings(s);
}

EvalState start_state(std::optional<std::string_view> device) {
    EvalState s;
    apply_port_defaults(s);
    apply_variant_choice(s, device);
    return s;
}

}  // namespace variants
