#pragma once
// The simulated board on the far side of an adapter's eight pins, wired through a pin map as a
// user wires the cable: the driven pins become the data-register bits the board decodes, and
// STATUS comes back on its pin. Pins that carry no board line read high, as pulled-up inputs do.
#include <cstdint>

#include "link/adapter_pins.h"
#include "link/sim_board.h"
#include "tests/support/ft232_model.h"

namespace testing_support {

struct BoardOnPins {
    boardlink::PinMap pins = boardlink::default_usb_pins();
    boardlink::SimBoard board;

    AdapterPins wiring() {
        return {[this](uint8_t levels, uint8_t) { board.out(boardlink::kDataRegister, data_of(levels)); },
                [this] { return sense(); }};
    }

    uint8_t data_of(uint8_t levels) const {
        uint8_t value = 0;
        for (int line = 0; line < boardlink::kDataLines; ++line)
            if (int pin = pins.pin[size_t(line)]; pin != boardlink::PinMap::kNone && (levels >> pin) & 1u)
                value |= uint8_t(1u << line);
        return value;
    }

    uint8_t sense() {
        uint8_t levels = 0xFF;
        if (int pin = pins[boardlink::BoardLine::Status]; pin != boardlink::PinMap::kNone &&
                                                          !(board.in(boardlink::kStatusRegister) & 0x10))
            levels = uint8_t(levels & ~(1u << pin));
        return levels;
    }
};

}  // namespace testing_support
