#include "model/supply.h"

#include "model/number_format.h"

namespace {

constexpr double volts(int code) { return code * 5.0 / 65536.0; }

// Codes below 100 (under 8 mV) mean the input is not connected.
std::string voltage_text(int code) { return code >= 100 ? numfmt::pattern(volts(code), "#.###") : "0"; }

}  // namespace

SupplyTexts supply_texts(uint16_t code1, uint16_t code2, uint16_t code3) {
    SupplyTexts t;
    t.vp = voltage_text(code1);
    t.vdd = voltage_text(code2);
    int drop = int{code3} - int{code2};
    t.idd = drop >= 400 ? numfmt::pattern(volts(drop) / 20 * 1000, "##.00") : "0";
    t.vp_below_vdd = int{code3} - int{code1} > 400;
    return t;
}
