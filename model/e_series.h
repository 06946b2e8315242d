#pragma once
// Rounding of part values to a preferred-number series: the nearest value of the series in log
// terms (the series are spaced evenly on a log scale, so that is the value the smallest relative
// change reaches), in any decade.
#include <optional>
#include <string_view>

#include "model/loop_filter.h"

enum class ESeries { None, E12, E24, E96 };

// The value rounded; 0 stays 0, and None leaves every value as it is.
double snap_to_series(double value, ESeries series);
LoopParts snap_parts(const LoopParts& parts, ESeries series);

// "E12", "E24", "E96", "NONE", and back (exactly these names).
std::string_view series_name(ESeries series);
std::optional<ESeries> series_named(std::string_view name);
