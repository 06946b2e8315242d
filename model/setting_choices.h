#pragma once
// The choices of the option dialogs and the latch field values they stand for: the current
// settings (and their currents at the set resistor), the power-down modes, the muxout
// functions, the band-select clock divide ratios and the anti-backlash pulse widths. Each lookup gives the field value of a
// choice, and the choice that shows a stored value (empty when no choice matches it).
#include <array>
#include <cstdint>
#include <optional>
#include <string>

// Current settings 1 and 2: a 3-bit code p at control latch bits 16..14 or 19..17.
enum class CurrentSetting { One, Two };
inline constexpr int kCurrentPositions = 8;
std::optional<int32_t> current_setting_bits(CurrentSetting setting, int position);
std::optional<int> current_setting_position(CurrentSetting setting, int32_t bits);
// The charge-pump gain bit (N latch bit 21) that goes with a setting: clear for 1, set for 2.
int32_t current_setting_gain_bits(CurrentSetting setting);
// The current of each code in mA at the set resistor, (p + 1) x 0.3125 mA x 4700 / RSet,
// with two decimals ("2.50", "0.63"). RSet must be above 0.
std::array<std::string, kCurrentPositions> current_setting_labels(double rset_ohms);
// An RSet entry as parsed: a resistance above 0 ohms, or the message that rejects it.
struct RsetEntry {
    std::optional<double> ohms;
    std::string problem;
};
RsetEntry check_rset_entry(std::optional<double> parsed);

// Power-down modes, options 1..3: normal operation, synchronous, asynchronous power-down.
std::optional<int32_t> powerdown_bits_for(int option);
// Normal operation shows for both 0 and PD2 alone (2^21).
std::optional<int> powerdown_option_for(int32_t powerdown_bits);

// Muxout functions, options 1..8: the 3-bit code (option - 1) at control latch bits 7..5.
inline constexpr int kMuxoutOptions = 8;
std::optional<int16_t> muxout_bits_for(int option);
std::optional<int> muxout_option_for(int32_t muxout_bits);

// Band-select clock divide ratios 1, 2, 4, 8 at knob positions 0..3 (R latch bits 21..20).
inline constexpr int kBandSelectPositions = 4;
std::optional<int32_t> band_select_bits_for(int position);
std::optional<int> band_select_position(int32_t bscd_bits);

// Anti-backlash pulse widths, options 1..4: the 2-bit code (option - 1) at R latch bits 17..16.
// Codes 00 and 11 both give 3.0 ns; a stored value shows on the option of its own code.
inline constexpr int kAbpWidthOptions = 4;
std::optional<int32_t> abp_width_bits_for(int option);
std::optional<int> abp_width_option_for(int32_t abp_width_bits);
