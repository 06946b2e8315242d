#pragma once
// The settings file: 28 lines, one value per line, CR LF line ends, the marker
// "valid vco settings" first and the device name last. Numbers are written and read with a
// point, whatever the user's locale.
//
// Reading checks the whole text before anything is stored: every line present, every number a
// number, every value fitting its field (pre-shifted fields on their own bits, counters within
// their widths, the prescaler one of its moduli and, for a variant with a dual-modulus
// prescaler, the one its prescaler bits select, the PFD frequency one the frequency dialog
// takes), so a file either loads whole or changes nothing. Doubles are read through the writer's 15-digit rounding and
// the device name is bounded, so whatever loads saves back into a file that loads identically.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "model/eval_state.h"

inline constexpr std::string_view kSettingsMarker = "valid vco settings";
inline constexpr int kSettingsLines = 28;
// No settings file comes near this size; larger files are refused before being read.
inline constexpr std::size_t kMaxSettingsFileBytes = 64 * 1024;
// Longer device names are refused, so that any file that loads saves into one that loads.
inline constexpr std::size_t kMaxDeviceNameLength = 64;
// The board label a load sets for preset numbers 0 to 6, and the N latch's charge-pump gain bit.
inline constexpr std::string_view kLoadedBoardCaption = "KSY7100EB1";
inline constexpr int32_t kCpGainOne = 2097152;

// The 28 lines of the file for the state.
std::string format_settings(const EvalState& state);

// The values a file holds, already rounded and checked for their fields.
struct SettingsRecord {
    int32_t prescaler_bits, powerdown_bits, cs2_bits, cs1_bits;
    uint16_t output_power;
    int32_t mute_till_ld_bits, ctrl_cp_gain_bits;
    int16_t cp_threestate_bits, pd_polarity_bits, muxout_bits, counter_reset_bits;
    uint16_t core_power;
    int32_t test_enable_bits, r_aux_bits, ldp_bits, abp_width_bits, r_counter;
    double div_sel_bits, out_div2_bits;
    int32_t cp_gain_bits, b_counter, a_counter;
    double pfd_freq;
    int32_t prescaler;
    uint16_t preset_index;
    int32_t bscd_bits;
    std::string device;
    bool operator==(const SettingsRecord&) const = default;
};

// Why a file was refused. `wrong_marker` is the one case with the system's fixed message;
// otherwise `line` (1..28, 0 for the file as a whole) and `problem` say what is wrong.
struct SettingsProblem {
    bool wrong_marker = false;
    int line = 0;
    std::string problem;
};

std::variant<SettingsRecord, SettingsProblem> parse_settings(std::string_view text);

// Stores a record: the fields, the prescaler of the single-modulus variant, the reference
// frequency R x PFD, and the PFD and VCO frequencies the counters make from it.
void apply_settings(EvalState& state, const SettingsRecord& record);

// After a load: the caption of the main window's board label (empty: it keeps its caption),
// and the position of the charge-pump gain switch (empty: it stays as it is).
std::optional<std::string> eval_caption_after_load(uint16_t preset_index);
std::optional<bool> cp_gain_toggle_after_load(int32_t cp_gain_bits);

// The message for a refused file (other than the wrong marker), naming the file and the line.
std::string describe(const SettingsProblem& problem, std::string_view file_name);
