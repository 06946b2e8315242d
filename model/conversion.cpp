#include "model/conversion.h"

#include <cmath>

#include "model/number_format.h"

namespace {

double log10_of(double v) { return std::log(v) / std::log(10.0); }

}  // namespace

std::optional<std::string> convert(Conversion conversion, double x) {
    double result = 0;
    switch (conversion) {
    case Conversion::DbmToVolt: result = std::sqrt(std::pow(10.0, x / 10) * 50 / 1000); break;
    case Conversion::VoltToDbm:
        if (x <= 0) return "undefined";
        result = 10 * log10_of(x * 1000 * x / 50);
        break;
    case Conversion::DbToVolt: result = std::pow(10.0, x / 20); break;
    case Conversion::VoltToDb:
        if (x <= 0) return "undefined";
        result = 20 * log10_of(x);
        break;
    }
    if (!std::isfinite(result)) return std::nullopt;
    return numfmt::pattern(numfmt::round_trip(result), "#0.00000");
}
