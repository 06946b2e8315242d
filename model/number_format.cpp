#include "model/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace numfmt {

std::string word_hex(uint32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", unsigned(word));
    return text;
}

namespace {

template <class Int>
std::optional<Int> checked(double rounded) {
    if (!std::isfinite(rounded)) return std::nullopt;
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

double half_to_even(double value) {
    // std::nearbyint follows the rounding mode, which nothing in this program changes from
    // round-to-nearest-even; rounding explicitly keeps the rule visible and independent of it.
    double whole = std::floor(value);
    double diff = value - whole;
    if (diff > 0.5) return whole + 1;
    if (diff < 0.5) return whole;
    return std::fmod(whole, 2.0) == 0 ? whole : whole + 1;
}

// The 15 significant decimal digits of |value| and the position of the decimal point relative
// to the first digit (digits before the point).
struct Decimal {
    std::string digits;  // exactly 15 digits, first one non-zero unless the value is 0
    int point = 0;
};

Decimal to_decimal(double magnitude) {
    Decimal d;
    if (magnitude == 0) {
        d.digits = std::string(15, '0');
        d.point = 1;
        return d;
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", magnitude);
    std::string s(buf);
    auto e = s.find('e');
    d.digits = s.substr(0, 1) + s.substr(2, e - 2);
    d.point = std::stoi(s.substr(e + 1)) + 1;
    return d;
}

}  // namespace

std::optional<int16_t> round_i16(double value) { return checked<int16_t>(half_to_even(value)); }
std::optional<int32_t> round_i32(double value) { return checked<int32_t>(half_to_even(value)); }
std::optional<int32_t> floor_i32(double value) { return checked<int32_t>(std::floor(value)); }

std::string general(double value) {
    if (value == 0) return "0";  // also for -0
    // to_chars, unlike printf, ignores the C locale: a German locale must not turn the point
    // of "2400.2" into a comma.
    char buf[40];
    auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15).ptr;
    return std::string(buf, end);
}

double round_trip(double value) {
    return parse_entry(general(value)).value_or(value);
}

std::string pattern(double value, std::string_view pat) {
    if (!std::isfinite(value)) return general(value);
    auto dot = pat.find('.');
    std::string_view int_pat = pat.substr(0, dot);
    std::string_view frac_pat = dot == std::string_view::npos ? std::string_view{} : pat.substr(dot + 1);
    int min_int = 0;
    for (char c : int_pat) min_int += c == '0';
    int frac_min = 0;
    for (char c : frac_pat) frac_min += c == '0';
    int frac_max = static_cast<int>(frac_pat.size());

    Decimal d = to_decimal(std::fabs(value));
    // Keep the digits up to frac_max places after the point, rounding half away from zero.
    int keep = d.point + frac_max;
    std::string digits;  // the kept digits; the point sits frac_max places from the right
    if (keep <= 0) {
        bool round_up = keep == 0 && d.digits[0] >= '5';
        digits = round_up ? "1" : "0";
    } else {
        std::string padded = d.digits;
        if (static_cast<int>(padded.size()) < keep) padded.append(keep - padded.size(), '0');
        digits = padded.substr(0, keep);
        bool round_up = static_cast<int>(padded.size()) > keep && padded[keep] >= '5';
        if (round_up) {
            int i = keep - 1;
            while (i >= 0 && digits[i] == '9') digits[i--] = '0';
            if (i < 0) digits.insert(digits.begin(), '1');
            else ++digits[i];
        }
    }
    if (static_cast<int>(digits.size()) < frac_max)
        digits.insert(0, frac_max - digits.size(), '0');
    std::string int_part = digits.substr(0, digits.size() - frac_max);
    std::string frac_part = digits.substr(digits.size() - frac_max);

    auto first = int_part.find_first_not_of('0');
    int_part = first == std::string::npos ? "" : int_part.substr(first);
    if (static_cast<int>(int_part.size()) < min_int) int_part.insert(0, min_int - int_part.size(), '0');
    while (static_cast<int>(frac_part.size()) > frac_min && frac_part.back() == '0') frac_part.pop_back();

    bool zero = int_part.find_first_not_of('0') == std::string::npos &&
                frac_part.find_first_not_of('0') == std::string::npos;
    std::string out = (value < 0 && !zero) ? "-" : "";
    out += int_part;
    if (dot != std::string_view::npos) out += "." + frac_part;
    return out;
}

std::optional<double> parse_entry(std::string_view text, char locale_decimal_point) {
    auto is_blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);

    std::string normal;
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') normal += '-';
        ++i;
    }
    int mantissa_digits = 0;
    bool seen_point = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            normal += c;
            ++mantissa_digits;
        } else if ((c == '.' || c == locale_decimal_point) && !seen_point) {
            normal += '.';
            seen_point = true;
        } else {
            break;
        }
    }
    if (mantissa_digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) normal += text[i++];
        int exp_digits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++exp_digits) normal += text[i];
        if (exp_digits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;

    double value = 0;
    auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (ec != std::errc{} || end != normal.data() + normal.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace numfmt
