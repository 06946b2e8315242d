#include "model/settings_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <vector>

#include "model/counters.h"
#include "model/frequency_made.h"
#include "model/number_format.h"
#include "model/variants.h"

namespace {

// What a number line may hold: the bits of a pre-shifted field, a plain range, one of a few
// listed values, or (the PFD frequency) what the frequency dialog's entry takes.
struct FieldRule {
    const char* name;
    char kind;  // 'L' 32-bit integer, 'I' 16-bit integer, 'D' double
    uint32_t mask = 0;
    int64_t min = 0, max = 0;
    std::array<int32_t, 4> listed{};
    bool is_listed = false;
};

constexpr FieldRule bits_of(const char* name, char kind, uint32_t mask) { return {name, kind, mask, 0, 0, {}, false}; }
constexpr FieldRule range_of(const char* name, char kind, int64_t min, int64_t max) {
    return {name, kind, 0, min, max, {}, false};
}
constexpr FieldRule one_of(const char* name, char kind, std::array<int32_t, 4> values) {
    return {name, kind, 0, 0, 0, values, true};
}
constexpr FieldRule frequency(const char* name) { return {name, 'D', 0, 0, 0, {}, false}; }

// The PFD frequencies the frequency dialog takes: whole hertz from 1 to the 32-bit limit.
bool dialog_takes_pfd(double khz) {
    const auto hz = numfmt::round_i32(khz * 1000);
    return hz && *hz >= 1;
}

// The modulus the prescaler bits select: 8/9, 16/17, 32/33 (either way of writing it).
int32_t modulus_of(int32_t prescaler_bits) {
    static constexpr int32_t kModulus[] = {8, 16, 32, 32};
    return kModulus[(prescaler_bits >> 22) & 3];
}

// Lines 2 to 27, in file order.
constexpr std::array<FieldRule, 26> kRules = {{
    bits_of("prescaler_bits", 'L', 0xC00000),
    bits_of("powerdown_bits", 'L', 0x300000),
    bits_of("cs2_bits", 'L', 0x0E0000),
    bits_of("cs1_bits", 'L', 0x01C000),
    range_of("output_power", 'I', 0, 3),
    bits_of("mute_till_ld_bits", 'L', 0x000800),
    bits_of("ctrl_cp_gain_bits", 'L', 0x000400),
    bits_of("cp_threestate_bits", 'I', 0x000200),
    bits_of("pd_polarity_bits", 'I', 0x000100),
    bits_of("muxout_bits", 'I', 0x0000E0),
    bits_of("counter_reset_bits", 'I', 0x000010),
    range_of("core_power", 'I', 0, 3),
    bits_of("test_enable_bits", 'L', 0x080000),
    // Added to the R word as stored: any bit outside 23 and 22 (which the chip ignores in the R
    // latch) would change the counter or, through a carry or a negative value, the control bits
    // and with them the latch the word lands in. Files this tool writes always hold 0.
    bits_of("r_aux_bits", 'L', 0xC00000),
    bits_of("ldp_bits", 'L', 0x040000),
    bits_of("abp_width_bits", 'L', 0x030000),
    range_of("r_counter", 'L', 1, kMaxRCounter),
    bits_of("div_sel_bits", 'D', 0x800000),
    bits_of("out_div2_bits", 'D', 0x400000),
    bits_of("cp_gain_bits", 'L', 0x200000),
    range_of("b_counter", 'L', 0, kMaxBCounter),
    range_of("a_counter", 'L', 0, kMaxACounter),
    frequency("pfd_freq"),
    // The moduli of the dual-modulus prescaler and the single modulus of the variant without it.
    one_of("prescaler", 'L', {1, 8, 16, 32}),
    range_of("preset_index", 'I', 0, INT16_MAX),
    bits_of("bscd_bits", 'L', 0x300000),
}};
constexpr int kFirstNumberLine = 2;

// " 8388608 ", "-3 ", " .5 ": a blank for the sign, plain decimals, one trailing blank.
std::string number_text(double value) {
    const double v = numfmt::round_trip(std::fabs(value));
    char buf[400];  // the longest fixed text of a double (a denormal) has some 330 characters
    auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr;
    std::string digits(buf, end);
    if (digits.size() > 1 && digits[0] == '0' && digits[1] == '.') digits.erase(0, 1);
    return (value < 0 && v != 0 ? "-" : " ") + digits + " ";
}

// A value in a message: short even for 1e300.
std::string value_text(double v) { return numfmt::general(v); }

// A line in a message: its first characters only, so a huge or garbled line cannot flood it.
std::string quoted(std::string_view line) {
    constexpr size_t kShown = 20;
    std::string shown(line.substr(0, kShown));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) >= 0x80) c = '?';  // never half a UTF-8 sequence
    return "\"" + shown + (line.size() > kShown ? "...\"" : "\"");
}

std::string bit_span(uint32_t mask) {
    const int low = std::countr_zero(mask), high = 31 - std::countl_zero(mask);
    return low == high ? "bit " + std::to_string(low) : "bits " + std::to_string(high) + " to " + std::to_string(low);
}

std::string listing(const std::array<int32_t, 4>& values) {
    std::string text;
    for (size_t i = 0; i < values.size(); ++i)
        text += (i == 0 ? "" : i + 1 == values.size() ? " or " : ", ") + std::to_string(values[i]);
    return text;
}

// The value a field receives from its number, or why it cannot.
std::variant<double, std::string> checked_value(const FieldRule& rule, double read) {
    const std::string name = rule.name;
    if (rule.kind == 'D') {
        // The writer keeps 15 significant digits; reading through the same rounding makes a
        // loaded file save back identically (200.00000000000003 reads as 200).
        read = numfmt::round_trip(read) + 0.0;  // + 0.0: no negative zero
        if (rule.mask != 0 && read != 0 && read != rule.mask)
            return name + " = " + value_text(read) + " is neither 0 nor " + std::to_string(rule.mask) + " (" +
                   bit_span(rule.mask) + ")";
        if (rule.mask == 0 && !dialog_takes_pfd(read))
            return name + " = " + value_text(read) + " kHz is not a PFD frequency the frequency dialog takes "
                   "(1 Hz to 2147483.647 kHz)";
        return read;
    }
    auto rounded = numfmt::round_i32(read);
    if (!rounded || (rule.kind == 'I' && !numfmt::round_i16(read)))
        return name + " = " + value_text(read) + " is too large for a " + (rule.kind == 'I' ? "16" : "32") +
               "-bit integer";
    const int64_t v = *rounded;
    if (rule.mask != 0) {
        if (v < 0 || (uint32_t(v) & ~rule.mask) != 0)
            return name + " = " + std::to_string(v) + " does not fit its field (" + bit_span(rule.mask) + ")";
    } else if (rule.is_listed) {
        if (std::find(rule.listed.begin(), rule.listed.end(), v) == rule.listed.end())
            return name + " = " + std::to_string(v) + " is none of " + listing(rule.listed);
    } else if (v < rule.min || v > rule.max) {
        return name + " = " + std::to_string(v) + " is outside " + std::to_string(rule.min) + " to " +
               std::to_string(rule.max);
    }
    return double(v);
}

bool binary_byte(unsigned char c) { return (c < 0x20 && c != '\r' && c != '\n' && c != '\t') || c == 0x7F; }

}  // namespace

std::string format_settings(const EvalState& s) {
    const double values[] = {
        double(s.prescaler_bits), double(s.powerdown_bits), double(s.cs2_bits), double(s.cs1_bits),
        double(s.output_power), double(s.mute_till_ld_bits), double(s.ctrl_cp_gain_bits),
        double(s.cp_threestate_bits), double(s.pd_polarity_bits), double(s.muxout_bits),
        double(s.counter_reset_bits), double(s.core_power), double(s.test_enable_bits), double(s.r_aux_bits),
        double(s.ldp_bits), double(s.abp_width_bits), double(s.r_counter), s.div_sel_bits, s.out_div2_bits,
        double(s.cp_gain_bits), double(s.b_counter), double(s.a_counter), s.pfd_freq, double(s.prescaler),
        double(s.preset_index), double(s.bscd_bits),
    };
    std::string text(kSettingsMarker);
    text += "\r\n";
    for (double v : values) text += number_text(v) + "\r\n";
    text += s.device + "\r\n";
    return text;
}

std::variant<SettingsRecord, SettingsProblem> parse_settings(std::string_view text) {
    auto refuse = [](int line, std::string problem) { return SettingsProblem{false, line, std::move(problem)}; };
    if (text.size() > kMaxSettingsFileBytes) return refuse(0, "the file is larger than a settings file can be");
    for (unsigned char c : text)
        if (binary_byte(c)) return refuse(0, "the file holds binary content, not text");

    std::vector<std::string_view> lines;
    for (size_t start = 0; start < text.size() && lines.size() < size_t(kSettingsLines);) {
        size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    if (lines.empty()) return refuse(0, "the file is empty");
    if (lines[0] != kSettingsMarker) return SettingsProblem{true, 1, {}};

    std::array<double, kRules.size()> values{};
    for (size_t i = 0; i < kRules.size(); ++i) {
        const int line = int(i) + kFirstNumberLine;
        if (size_t(line) > lines.size())
            return refuse(line, std::string("the file ends before this line (") + kRules[i].name + ")");
        std::string_view number = lines[line - 1];
        number = number.substr(0, number.find(','));  // a comma ends a value
        auto read = numfmt::parse_entry(number, '.');
        if (!read) return refuse(line, std::string(kRules[i].name) + ": " + quoted(number) + " is not a number");
        auto value = checked_value(kRules[i], *read);
        if (auto* problem = std::get_if<std::string>(&value)) return refuse(line, *problem);
        values[i] = std::get<double>(value);
    }
    if (lines.size() < size_t(kSettingsLines)) return refuse(kSettingsLines, "the file ends before this line (device)");
    const std::string_view device = lines[kSettingsLines - 1];
    if (device.size() > kMaxDeviceNameLength)
        return refuse(kSettingsLines, "device: the name " + quoted(device) + " is longer than " +
                                          std::to_string(kMaxDeviceNameLength) + " characters");

    SettingsRecord r;
    auto l = [&](int line) { return int32_t(values[line - kFirstNumberLine]); };
    auto d = [&](int line) { return values[line - kFirstNumberLine]; };
    r.prescaler_bits = l(2);
    r.powerdown_bits = l(3);
    r.cs2_bits = l(4);
    r.cs1_bits = l(5);
    r.output_power = uint16_t(l(6));
    r.mute_till_ld_bits = l(7);
    r.ctrl_cp_gain_bits = l(8);
    r.cp_threestate_bits = int16_t(l(9));
    r.pd_polarity_bits = int16_t(l(10));
    r.muxout_bits = int16_t(l(11));
    r.counter_reset_bits = int16_t(l(12));
    r.core_power = uint16_t(l(13));
    r.test_enable_bits = l(14);
    r.r_aux_bits = l(15);
    r.ldp_bits = l(16);
    r.abp_width_bits = l(17);
    r.r_counter = l(18);
    r.div_sel_bits = d(19);
    r.out_div2_bits = d(20);
    r.cp_gain_bits = l(21);
    r.b_counter = l(22);
    r.a_counter = l(23);
    r.pfd_freq = d(24);
    r.prescaler = l(25);
    r.preset_index = uint16_t(l(26));
    r.bscd_bits = l(27);
    r.device = std::string(device);

    // The chip divides by the modulus its prescaler bits select; a modulus on line 25 that says
    // otherwise would split every later N for another modulus than the board's.
    if (variants::has_dual_modulus(r.device) && r.prescaler != modulus_of(r.prescaler_bits))
        return refuse(25, "prescaler = " + std::to_string(r.prescaler) + " contradicts the prescaler bits of line 2 (" +
                              std::to_string(r.prescaler_bits) + " selects " +
                              std::to_string(modulus_of(r.prescaler_bits)) + "/" +
                              std::to_string(modulus_of(r.prescaler_bits) + 1) + ")");
    // The counters must be ones the prescaler can divide by: the board would make no frequency
    // the file's counters name.
    if (variants::has_dual_modulus(r.device))
        if (auto problem = prescaler_problem(int64_t{r.prescaler} * r.b_counter + r.a_counter, r.b_counter,
                                             r.a_counter, r.prescaler))
            return refuse(23, "a_counter = " + std::to_string(r.a_counter) + ": " + *problem);
    return r;
}

void apply_settings(EvalState& s, const SettingsRecord& r) {
    s.prescaler_bits = r.prescaler_bits;
    s.powerdown_bits = r.powerdown_bits;
    s.cs2_bits = r.cs2_bits;
    s.cs1_bits = r.cs1_bits;
    s.output_power = r.output_power;
    s.mute_till_ld_bits = r.mute_till_ld_bits;
    s.ctrl_cp_gain_bits = r.ctrl_cp_gain_bits;
    s.cp_threestate_bits = r.cp_threestate_bits;
    s.pd_polarity_bits = r.pd_polarity_bits;
    s.muxout_bits = r.muxout_bits;
    s.counter_reset_bits = r.counter_reset_bits;
    s.core_power = r.core_power;
    s.test_enable_bits = r.test_enable_bits;
    s.r_aux_bits = r.r_aux_bits;
    s.ldp_bits = r.ldp_bits;
    s.abp_width_bits = r.abp_width_bits;
    s.r_counter = r.r_counter;
    s.div_sel_bits = r.div_sel_bits;
    s.out_div2_bits = r.out_div2_bits;
    s.cp_gain_bits = r.cp_gain_bits;
    s.b_counter = r.b_counter;
    s.a_counter = r.a_counter;
    s.pfd_freq = r.pfd_freq;
    s.prescaler = r.prescaler;
    s.preset_index = r.preset_index;
    s.bscd_bits = r.bscd_bits;
    s.device = r.device;
    // The single-modulus variant always divides by B alone.
    if (variants::is_single_modulus(s.device)) s.prescaler = 1;
    s.n_value = int32_t(programmed_ratio(s));  // at most 32 x 8191 + 31
    // The reference is the one R divides into the file's PFD, so that PFD is the board's; the VCO
    // frequency is the one the counters make at it. Both are what plans aim at from now on.
    s.ref_freq = s.r_counter * s.pfd_freq * 1000;
    s.vco_freq = vco_made_mhz(s.n_value, s.pfd_freq);
    s.asked_vco_freq = s.vco_freq;
    s.asked_pfd_freq = s.pfd_freq;
}

std::optional<std::string> eval_caption_after_load(uint16_t preset_index) {
    // Whatever board the file names, the board label shows the first board for 0 to 6.
    if (preset_index <= 6) return std::string(kLoadedBoardCaption);
    return std::nullopt;
}

std::optional<bool> cp_gain_toggle_after_load(int32_t cp_gain_bits) {
    if (cp_gain_bits == kCpGainOne) return true;
    if (cp_gain_bits == 0) return false;
    return std::nullopt;
}

std::string describe(const SettingsProblem& p, std::string_view file_name) {
    const std::string file(file_name);
    const std::string where = p.line > 0 ? "Line " + std::to_string(p.line) + " of " + file + ": " : file + ": ";
    return where + p.problem + ". Nothing was loaded.";
}
