#pragma once
// Numeric parameters as instruments take them: a decimal number with an optional unit suffix
// ("2400.2 MHZ", "2.4GHz", "200 kHz", "10e6 Hz", "500 ms"), a number in another base ("#H017706",
// "#B101", "#Q17"), or MIN, MAX and DEF for the limits the window would accept and the default.
// Each parameter names its unit; a value comes back in that unit.
#include <optional>
#include <string>
#include <string_view>

namespace commands {

// The unit a parameter is given in when no suffix follows. None: a plain number (a code, a
// count, a latch word), which takes no suffix.
enum class Unit { None, MHz, kHz, Hz, Ms, Ohm, Farad };

struct Range {
    double min = 0, max = 0, def = 0;
};

struct Numeric {
    std::optional<double> value;  // in the parameter's unit
    // A refusal of the form (code and text): -131 a suffix this parameter cannot take, -138 a
    // suffix on a parameter that takes none. Empty with no value: the text is no number at all,
    // which the action refuses with its window's message.
    int code = 0;
    std::string message;
};

// `range` answers MIN, MAX and DEF; without it they are no numbers.
Numeric numeric(std::string_view text, Unit unit, const std::optional<Range>& range = std::nullopt);

// A whole number within low..high (a code, a level), or nothing; MIN, MAX and DEF as `range`.
std::optional<int> whole_number(std::string_view text, int low, int high, std::optional<int> def = std::nullopt);

}  // namespace commands
