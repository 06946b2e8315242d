#include "actions/command_numbers.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "actions/command_parser.h"

namespace commands {
namespace {

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

enum class Dimension { None, Frequency, Time, Resistance, Capacitance };

Dimension dimension_of(Unit unit) {
    switch (unit) {
    case Unit::MHz:
    case Unit::kHz:
    case Unit::Hz: return Dimension::Frequency;
    case Unit::Ms: return Dimension::Time;
    case Unit::Ohm: return Dimension::Resistance;
    case Unit::Farad: return Dimension::Capacitance;
    case Unit::None: break;
    }
    return Dimension::None;
}

// The unit's size in its dimension's base unit (Hz, s, ohm, F).
double size_of(Unit unit) {
    switch (unit) {
    case Unit::MHz: return 1e6;
    case Unit::kHz: return 1e3;
    case Unit::Ms: return 1e-3;
    default: return 1;
    }
}

struct Suffix {
    const char* text;
    Dimension dimension;
    double size;  // in the base unit
};
// As the instrument convention spells them, in any case. For hertz and ohms M is mega (MHZ,
// MOHM), as instruments read it; for seconds it is milli. Capacitors take F, UF, NF and PF.
constexpr Suffix kSuffixes[] = {
    {"HZ", Dimension::Frequency, 1},    {"KHZ", Dimension::Frequency, 1e3}, {"MHZ", Dimension::Frequency, 1e6},
    {"GHZ", Dimension::Frequency, 1e9}, {"S", Dimension::Time, 1},          {"MS", Dimension::Time, 1e-3},
    {"US", Dimension::Time, 1e-6},      {"OHM", Dimension::Resistance, 1}, {"KOHM", Dimension::Resistance, 1e3},
    {"MOHM", Dimension::Resistance, 1e6}, {"F", Dimension::Capacitance, 1},     {"UF", Dimension::Capacitance, 1e-6},
    {"NF", Dimension::Capacitance, 1e-9},   {"PF", Dimension::Capacitance, 1e-12},
};

const char* dimension_name(Dimension d) {
    switch (d) {
    case Dimension::Frequency: return "a frequency";
    case Dimension::Time: return "a time";
    case Dimension::Resistance: return "a resistance";
    case Dimension::Capacitance: return "a capacitance";
    case Dimension::None: break;
    }
    return "this parameter";
}

// "#H17706", "#B101", "#Q17": a whole number in base 16, 2 or 8.
std::optional<double> based(std::string_view text) {
    if (text.size() < 3 || text[0] != '#') return std::nullopt;
    const char base_letter = char(std::toupper(static_cast<unsigned char>(text[1])));
    const int base = base_letter == 'H' ? 16 : base_letter == 'B' ? 2 : base_letter == 'Q' ? 8 : 0;
    if (!base) return std::nullopt;
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data() + 2, text.data() + text.size(), value, base);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return double(value);
}

}  // namespace

Numeric numeric(std::string_view text, Unit unit, const std::optional<Range>& range) {
    text = trim(text);
    if (range) {
        if (mnemonic_matches("MINimum", text)) return {range->min, 0, {}};
        if (mnemonic_matches("MAXimum", text)) return {range->max, 0, {}};
        if (mnemonic_matches("DEFault", text)) return {range->def, 0, {}};
    }
    if (!text.empty() && text.front() == '#') return {based(text), 0, {}};

    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    double value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc{} || !std::isfinite(value)) return {};
    const std::string suffix = upper(trim(std::string_view(end, size_t(digits.data() + digits.size() - end))));
    if (suffix.empty()) return {value, 0, {}};
    for (char c : suffix)
        if (!std::isalpha(static_cast<unsigned char>(c))) return {};  // "3.5.5": no number, no suffix

    const Dimension wanted = dimension_of(unit);
    if (wanted == Dimension::None) return {{}, -138, "this parameter is a plain number, not '" + suffix.substr(0, 8) + "'"};
    for (const Suffix& s : kSuffixes)
        if (suffix == s.text && s.dimension == wanted) return {value * s.size / size_of(unit), 0, {}};
    return {{}, -131, "'" + suffix.substr(0, 8) + "' is no unit of " + dimension_name(wanted)};
}

std::optional<int> whole_number(std::string_view text, int low, int high, std::optional<int> def) {
    const Numeric n = numeric(text, Unit::None, Range{double(low), double(high), double(def.value_or(low))});
    if (!n.value || (!def && mnemonic_matches("DEFault", trim(text)))) return std::nullopt;
    // In range before it becomes an integer: 1e300 has no int.
    if (!(*n.value >= low && *n.value <= high) || *n.value != std::floor(*n.value)) return std::nullopt;
    return int(*n.value);
}

}  // namespace commands
