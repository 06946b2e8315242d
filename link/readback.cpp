#include "link/readback.h"

#include <cmath>

#include "link/latch_protocol.h"

namespace boardlink {
namespace {

constexpr uint8_t kStatusData = 16;  // status bit 4 carries the converter's data

// Clocks the 8 bits of `value` out: data with the clock low (2 or 0), then the clock high (10 or 8).
void clock_out_byte(Port& port, uint16_t rb_port, uint8_t value) {
    for (int k = 7; k >= 0; --k) {
        bool one = (value >> k) & 1;
        port.out(rb_port, one ? 2 : 0);
        port.out(rb_port, one ? 10 : 8);
    }
}

}  // namespace

void readback_write(Port& port, uint16_t data_port, uint16_t rb_port, uint8_t value) {
    port.out(rb_port, 10);
    clock_out_byte(port, rb_port, value);
    port.out(rb_port, 26);
    port.out(data_port, kIdle);
}

uint32_t readback_read(Port& port, uint16_t data_port, uint16_t rb_port, int count) {
    port.out(rb_port, 8);
    uint32_t result = 0;
    for (int i = 0; i < count; ++i) {
        port.out(rb_port, 0);
        uint8_t status = port.in(static_cast<uint16_t>(rb_port + 1));
        port.out(rb_port, 8);
        if (status & kStatusData) result |= uint32_t{1} << (count - 1 - i);
    }
    port.out(data_port, kIdle);
    return result;
}

double adc_read(Port& port, uint16_t data_port, uint16_t rb_port, uint8_t command, int count) {
    port.out(rb_port, 8);
    clock_out_byte(port, rb_port, command);
    port.out(rb_port, 10);
    port.out(data_port, kIdle);
    double result = 0;
    for (int i = 0; i < count; ++i) {
        port.out(rb_port, 2);
        uint8_t status = port.in(static_cast<uint16_t>(rb_port + 1));
        port.out(rb_port, 10);
        if (status & kStatusData) result += std::ldexp(1.0, count - 1 - i);
    }
    port.out(data_port, kIdle);
    return result;
}

SetupResult readback_setup(Port& port, uint16_t data_port, uint16_t rb_port, int max_polls) {
    auto write = [&](uint8_t v) { readback_write(port, data_port, rb_port, v); };
    auto read = [&] { return readback_read(port, data_port, rb_port, 8); };

    write(0);
    write(8);
    if (read() == 255) return SetupResult::Absent;

    // Each operation starts on one input and ends when bit 7 (busy) of the status byte clears.
    struct Operation { uint8_t input, poll; };
    for (Operation op : {Operation{16, 8}, Operation{17, 9}, Operation{19, 11}}) {
        write(op.input);
        write(68);
        write(op.poll);
        int polls = 0;
        while (read() >= 128) {
            if (++polls > max_polls) return SetupResult::TimedOut;
            write(op.poll);
        }
    }
    return SetupResult::Ready;
}

void select_supply_input(Port& port, uint16_t data_port, uint16_t rb_port, SupplyInput input) {
    uint8_t code = input == SupplyInput::Vp ? 16 : input == SupplyInput::Vdd ? 17 : 19;
    for (uint8_t v : {code, uint8_t{5}, code, uint8_t{4}}) readback_write(port, data_port, rb_port, v);
    if (input == SupplyInput::IddSense) port.out(data_port, kIdle);
}

uint16_t read_supply_code(Port& port, uint16_t data_port, uint16_t rb_port, SupplyInput input) {
    uint8_t command = input == SupplyInput::Vp ? 56 : input == SupplyInput::Vdd ? 57 : 59;
    return static_cast<uint16_t>(std::lround(adc_read(port, data_port, rb_port, command, 16)));
}

}  // namespace boardlink
