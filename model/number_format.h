#pragma once
// Number conversions and display patterns shared by every window and the settings file.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace numfmt {

// Round half to even into a checked integer: an out-of-range or non-finite value gives nullopt,
// never a wrapped number.
std::optional<int16_t> round_i16(double value);
std::optional<int32_t> round_i32(double value);
// Largest whole number not above the value, checked into 32 bits.
std::optional<int32_t> floor_i32(double value);

// The general decimal text: shortest form with at most 15 significant digits ("2400.2", "0.5").
std::string general(double value);
// The value passed through its general decimal text and back (rounds to 15 significant digits).
double round_trip(double value);

// A 24-bit latch word as every window of the tool and its files show it: "0x" and six upper-case
// hexadecimal digits ("0x0000C9"). (The register map keeps the bare digits its design shows.)
std::string word_hex(uint32_t word);

// A fixed display pattern such as "#0.00000", "0.0000", ".000000", "#.###" or "##.00".
// '0' is a digit always shown, '#' a digit shown only when significant. The value is first taken
// to 15 significant decimal digits, then a half rounds away from zero (0.625 with "#0.00" gives
// "0.63", where printf would give "0.62").
std::string pattern(double value, std::string_view pattern);

// Parse what a user typed into an entry: blanks around it ignored, an optional sign, digits with
// one decimal separator (the locale's, or a point, which is always accepted) and an optional
// exponent. No group separators. Empty, non-numeric or non-finite text gives nullopt.
std::optional<double> parse_entry(std::string_view text, char locale_decimal_point = '.');

}  // namespace numfmt
