#pragma once
// What the main window's three supply readouts show for the converter's codes (full scale 5 V
// at 65536), and when the charge-pump supply is too low.
#include <cstdint>
#include <string>

struct SupplyTexts {
    std::string vp;   // charge-pump supply, volts
    std::string vdd;  // supply, volts
    std::string idd;  // device current, mA, from the drop across the 20 ohm sense resistor
    bool vp_below_vdd = false;  // shows "Warning. Vp must be greater than or equal to Vdd"
};

// code1: Vp input, code2: Vdd input, code3: current-sense input.
SupplyTexts supply_texts(uint16_t code1, uint16_t code2, uint16_t code3);
