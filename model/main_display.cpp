#include "model/main_display.h"

#include <array>

#include "model/number_format.h"
#include "model/variants.h"

namespace {

constexpr std::array<double, 8> kCurrentFactor = {0.31, 0.62, 0.93, 1.25, 1.56, 1.87, 2.18, 2.5};

std::optional<bool> on_off(double field, double on_value) {
    if (field == on_value) return true;
    if (field == 0) return false;
    return std::nullopt;
}

std::optional<std::string> current_text(const EvalState& s, int32_t bits, int32_t unit) {
    if (bits % unit != 0 || bits / unit < 0 || bits / unit > 7) return std::nullopt;
    auto ma = current_setting_ma(bits / unit, s.rset_ohms, s.rset);
    if (!ma) return std::nullopt;
    return numfmt::pattern(*ma, "0.0000");
}

}  // namespace

std::optional<std::string> abp_width_caption(int32_t bits) {
    switch (bits) {
    case 0: return "3.0ns ABP width";
    case 65536: return "1.3ns ABP width";
    case 131072: return "6.0ns ABP width";
    case 196608: return "3.0ns ABP width";
    default: return std::nullopt;
    }
}

std::optional<std::string> band_select_ratio(int32_t bits) {
    switch (bits) {
    case 0: return "1";
    case 1048576: return "2";
    case 2097152: return "4";
    case 3145728: return "8";
    default: return std::nullopt;
    }
}

std::optional<std::string> output_power_text(int level) {
    static const char* const kTexts[] = {"-12 dBm", "-9 dBm", "-6 dBm", "-3 dBm"};
    if (level < 0 || level > 3) return std::nullopt;
    return kTexts[level];
}

std::optional<std::string> core_power_text(std::string_view device, int level) {
    static const char* const kEight[] = {"5 mA", "10 mA", "15 mA", "20 mA"};
    static const char* const kSingle[] = {"2.5 mA", "5 mA", "7.5 mA", "10 mA"};
    if (level < 0 || level > 3) return std::nullopt;
    if (variants::has_dual_modulus(device)) return kEight[level];
    if (variants::is_single_modulus(device)) return kSingle[level];
    return std::nullopt;
}

std::optional<std::string> muxout_text(std::string_view device, int32_t bits) {
    static const char* const kTexts[] = {"Three-State Output", "Digital Lock Detect", "N Divider Output",
                                         "DVdd", "R Divider Output", "Open Drain Lock Detect",
                                         "Serial Data Output", "DGnd"};
    if (!variants::is_family_variant(device) || bits % 32 != 0 || bits < 0 || bits > 224) return std::nullopt;
    int code = bits / 32;
    if (variants::is_single_modulus(device) && (code == 5 || code == 6)) return "Not Used";
    return kTexts[code];
}

uint32_t power_level_colour(int level) {
    static const uint32_t kColours[] = {0xFFFFFF, 0xFFFF80, 0xFFC080, 0xFF8080};
    return level >= 0 && level <= 3 ? kColours[level] : 0xFFFFFF;
}

std::optional<double> current_setting_ma(int code, double rset_ohms_shown, double rset) {
    if (code < 0 || code > 7 || !(rset > 0)) return std::nullopt;
    return kCurrentFactor[code] * rset_ohms_shown / rset;
}

MainDisplay main_display(const EvalState& s) {
    MainDisplay d;
    const bool eight = variants::has_dual_modulus(s.device);
    const bool nine = variants::is_family_variant(s.device);

    d.vcofreq = numfmt::pattern(s.vco_freq, "#0.00000") + "MHz";
    d.ref_freq = numfmt::pattern(s.pfd_freq, "#0.00000") + "kHz";
    d.crystal = numfmt::pattern(s.ref_freq / 1'000'000, "#0.00000") + "MHz";
    d.band_select_ratio = band_select_ratio(s.bscd_bits);
    d.lock_detect_precision_5 = s.ldp_bits == 262144;
    d.abpw2 = abp_width_caption(s.abp_width_bits);
    if (eight) {
        d.internal_divide = on_off(s.div_sel_bits, 8388608);
        d.output_divide = on_off(s.out_div2_bits, 4194304);
        switch (s.prescaler_bits) {
        case 0: d.pres = "8/9"; break;
        case 4194304: d.pres = "16/17"; break;
        case 8388608:
        case 12582912: d.pres = "32/33"; break;
        }
    }
    if (nine) {
        switch (s.powerdown_bits) {
        case 0:
        case 2097152: d.powerdown = "Normal Operation"; break;
        case 1048576: d.powerdown = "Asynchronous Powerdown"; break;
        case 3145728: d.powerdown = "Synchronous Powerdown"; break;
        }
    }
    d.currentsetting1 = current_text(s, s.cs1_bits, 16384);
    d.currentsetting2 = current_text(s, s.cs2_bits, 131072);
    if (auto text = output_power_text(s.output_power)) d.output_power = LevelText{*text, s.output_power};
    d.mute_till_ld = on_off(s.mute_till_ld_bits, 2048);
    d.cp_three_state = on_off(s.cp_threestate_bits, 512);
    d.pd_polarity_positive = on_off(s.pd_polarity_bits, 256);
    d.muxout = muxout_text(s.device, s.muxout_bits);
    d.counter_reset = on_off(s.counter_reset_bits, 16);
    if (auto text = core_power_text(s.device, s.core_power)) d.core_power = LevelText{*text, s.core_power};
    return d;
}

MainConfiguration main_configuration(std::string_view device) {
    MainConfiguration c;
    if (variants::has_dual_modulus(device)) {
        c.show_variant_controls = true;
        c.current2_tip = "Click here to change Current Setting 2";
        c.current1_tip = "Click here to change Current Setting 1";
        c.prescaler_tip = "Click here to change RF Prescaler Value";
        c.divide_toggles_shown = true;
    } else if (variants::is_single_modulus(device)) {
        c.show_variant_controls = true;
        c.pres_caption = "Not Used";
        c.divide_toggles_shown = false;
        c.current2_tip = "Click here to change Current Setting 2";
        c.current1_tip = "Click here to change Current Setting 1";
    }
    return c;
}
