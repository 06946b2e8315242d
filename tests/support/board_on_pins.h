#pragma once
// The simulated board on the far side of an adapter's pins (a USB adapter's D0..D7 or a GPIO
// chip's lines), wired through a pin map as a user wires the cable: the driven pins become the
// data-register bits the board decodes, and STATUS and LD come back on their pins.
#include <cstdint>

#include "link/adapter_pins.h"
#include "link/sim_board.h"

namespace testing_support {

struct BoardOnPins {
    boardlink::PinMap pins = boardlink::default_usb_pins();
    boardlink::SimBoard board;

    // The data-register value the board sees for the pins' `levels` (bit n: pin n).
    uint8_t data_of(uint64_t levels) const {
        uint8_t value = 0;
        for (int line = 0; line < boardlink::kDataLines; ++line)
            if (int pin = pins.pin[size_t(line)]; pin != boardlink::PinMap::kNone && (levels >> pin) & 1u)
                value |= uint8_t(1u << line);
        return value;
    }
    void drive(uint64_t levels) { board.out(boardlink::kDataRegister, data_of(levels)); }
    int status() { return (board.in(boardlink::kStatusRegister) >> 4) & 1; }
    int lock_detect() { return int(*board.lock_detect()); }
    // The eight pins as the board holds them: STATUS and LD on theirs, the rest high (pulled up).
    uint8_t sense() {
        uint8_t levels = 0xFF;
        for (auto [line, level] : {std::pair{boardlink::BoardLine::Status, status()}, {boardlink::BoardLine::Ld, lock_detect()}})
            if (int pin = pins[line]; pin != boardlink::PinMap::kNone && !level) levels = uint8_t(levels & ~(1u << pin));
        return levels;
    }
};

}  // namespace testing_support
