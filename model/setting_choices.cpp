#include "model/setting_choices.h"

#include "model/number_format.h"

namespace {

int shift_of(CurrentSetting setting) { return setting == CurrentSetting::One ? 14 : 17; }

// The choice whose value is `bits`, by trying every choice.
template <class Lookup>
std::optional<int> choice_of(int32_t bits, int first, int last, Lookup value_of) {
    for (int choice = first; choice <= last; ++choice)
        if (auto value = value_of(choice); value && *value == bits) return choice;
    return std::nullopt;
}

}  // namespace

std::optional<int32_t> current_setting_bits(CurrentSetting setting, int position) {
    if (position < 0 || position >= kCurrentPositions) return std::nullopt;
    return int32_t(position) << shift_of(setting);
}

std::optional<int> current_setting_position(CurrentSetting setting, int32_t bits) {
    return choice_of(bits, 0, kCurrentPositions - 1,
                     [setting](int p) { return current_setting_bits(setting, p); });
}

int32_t current_setting_gain_bits(CurrentSetting setting) {
    return setting == CurrentSetting::One ? 0 : 2097152;
}

std::array<std::string, kCurrentPositions> current_setting_labels(double rset) {
    std::array<std::string, kCurrentPositions> labels;
    for (int p = 0; p < kCurrentPositions; ++p)
        labels[p] = numfmt::pattern((5.0 * (p + 1)) / (rset * 16) * 4700, "#0.00");
    return labels;
}

RsetEntry check_rset_entry(std::optional<double> parsed) {
    if (!parsed) return {std::nullopt, "Invalid entry in R Set: enter the resistance in ohms, such as 4700."};
    if (!(*parsed > 0)) return {std::nullopt, "Invalid entry in R Set: the resistance must be above 0 ohms."};
    return {parsed, {}};
}

std::optional<int32_t> powerdown_bits_for(int option) {
    switch (option) {
    case 1: return 0;
    case 2: return 3145728;  // PD2 and PD1
    case 3: return 1048576;  // PD1
    default: return std::nullopt;
    }
}

std::optional<int> powerdown_option_for(int32_t bits) {
    if (bits == 2097152) return 1;
    return choice_of(bits, 1, 3, powerdown_bits_for);
}

std::optional<int16_t> muxout_bits_for(int option) {
    if (option < 1 || option > kMuxoutOptions) return std::nullopt;
    return int16_t((option - 1) << 5);
}

std::optional<int> muxout_option_for(int32_t bits) {
    return choice_of(bits, 1, kMuxoutOptions, [](int o) { return muxout_bits_for(o); });
}

std::optional<int32_t> band_select_bits_for(int position) {
    if (position < 0 || position >= kBandSelectPositions) return std::nullopt;
    return int32_t(position) << 20;
}

std::optional<int> band_select_position(int32_t bits) {
    return choice_of(bits, 0, kBandSelectPositions - 1, band_select_bits_for);
}

std::optional<int32_t> abp_width_bits_for(int option) {
    if (option < 1 || option > kAbpWidthOptions) return std::nullopt;
    return int32_t(option - 1) << 16;
}

std::optional<int> abp_width_option_for(int32_t bits) {
    return choice_of(bits, 1, kAbpWidthOptions, abp_width_bits_for);
}
