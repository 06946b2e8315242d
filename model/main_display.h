#pragma once
// What the main window shows for a state, and how it is configured for a variant. Pure
// functions: the window applies them. An empty optional means "leave the control as it is"
// (the value matches no row of the control's table, or the variant group does not show it).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/eval_state.h"

// A power-level label: its text and the level whose colour it takes.
struct LevelText {
    std::string text;
    int level;
    bool operator==(const LevelText&) const = default;
};

struct MainDisplay {
    std::string vcofreq;   // "2400.00000MHz"
    std::string ref_freq;  // PFD frequency, "200.00000kHz"
    std::string crystal;   // "10.00000MHz"
    std::optional<std::string> band_select_ratio;  // Label12
    bool lock_detect_precision_5 = false;          // Toggle10
    std::optional<std::string> abpw2;
    std::optional<bool> internal_divide;  // Toggle4
    std::optional<bool> output_divide;    // Toggle6
    std::optional<std::string> pres;
    std::optional<std::string> powerdown;  // Label10
    std::optional<std::string> currentsetting1, currentsetting2;
    std::optional<LevelText> output_power;  // Label7
    std::optional<bool> mute_till_ld;       // Toggle7
    std::optional<bool> cp_three_state;     // Toggle5
    std::optional<bool> pd_polarity_positive;  // Toggle1
    std::optional<std::string> muxout;      // Label5
    std::optional<bool> counter_reset;      // Toggle2
    std::optional<LevelText> core_power;    // Label9
};

MainDisplay main_display(const EvalState& state);

// The main window's adaptation to a variant.
struct MainConfiguration {
    bool show_variant_controls = false;  // supply readouts, current titles, Registers, anti-backlash
    // Toggle4, Toggle6: shown for the eight with divide-by-2 options, hidden for the KSY7100-8, left
    // as they are otherwise (a settings file may turn one variant into the other).
    std::optional<bool> divide_toggles_shown;
    std::optional<std::string> pres_caption;
    std::optional<std::string> current2_tip, current1_tip, prescaler_tip;
};

MainConfiguration main_configuration(std::string_view device);

// Tables the dialogs and the register map share with the main window.
std::optional<std::string> abp_width_caption(int32_t abp_width_bits);  // "3.0ns ABP width"
std::optional<std::string> band_select_ratio(int32_t bscd_bits);       // "1", "2", "4", "8"
std::optional<std::string> output_power_text(int level);               // "-12 dBm" .. "-3 dBm"
std::optional<std::string> core_power_text(std::string_view device, int level);  // "5 mA" ..
std::optional<std::string> muxout_text(std::string_view device, int32_t muxout_bits);
// Background colour of a power-level label, 0xRRGGBB.
uint32_t power_level_colour(int level);
// The charge-pump current in mA that a 3-bit current-setting code stands for at the set resistor.
std::optional<double> current_setting_ma(int code, double rset_ohms_shown, double rset);
