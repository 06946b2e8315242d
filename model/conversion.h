#pragma once
// The dB/volt calculator: power in dBm and peak-to-peak volts over 50 ohms, and a ratio in dB
// and a voltage ratio. P in mW = 1000 x V^2 / 50.
#include <optional>
#include <string>

enum class Conversion { DbmToVolt, VoltToDbm, DbToVolt, VoltToDb };

// The answer as the calculator shows it: "#0.00000" of the result taken to 15 significant
// digits, or "undefined" for the logarithm of a voltage of 0 or less. Empty when the result
// cannot be computed: a power of ten beyond the range of a double is an error, not "inf".
std::optional<std::string> convert(Conversion conversion, double value);
