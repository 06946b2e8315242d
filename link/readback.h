#pragma once
// The board's supply-monitor converter, reached through the same data register as the latch
// interface: data bit 3 is its serial clock (idle high), data bit 1 the data to it, and status
// bit 4 the data from it. After every routine the latch interface's idle value is restored.
#include <cstdint>

#include "link/port.h"

namespace boardlink {

// One byte to the converter, most significant bit first, data presented with the clock low.
void readback_write(Port& port, uint16_t data_port, uint16_t rb_port, uint8_t value);
// `count` bits from the converter, most significant first, sampled with the clock low.
uint32_t readback_read(Port& port, uint16_t data_port, uint16_t rb_port, int count);
// An 8-bit command, then `count` bits of its answer.
double adc_read(Port& port, uint16_t data_port, uint16_t rb_port, uint8_t command, int count);

enum class SetupResult {
    Ready,     // the converter answered and finished its three set-up operations
    Absent,    // the status line floats high: no converter on the board
    TimedOut,  // the converter never cleared its busy flag within the poll bound
};

// Polls of the busy flag allowed per set-up operation. On real hardware a poll costs about
// 40 port accesses, so the bound is some 40 ms of waiting for a converter that never finishes.
inline constexpr int kDefaultSetupPolls = 1000;

// The set-up sequence run when the variant is chosen.
SetupResult readback_setup(Port& port, uint16_t data_port, uint16_t rb_port,
                           int max_polls = kDefaultSetupPolls);

// The converter's three inputs, in the order a measurement reads them.
enum class SupplyInput { Vp, Vdd, IddSense };

// Selects an input and starts its conversion; the converter then needs time to settle before
// read_supply_code gives a valid result.
void select_supply_input(Port& port, uint16_t data_port, uint16_t rb_port, SupplyInput input);
// Reads the 16-bit code of the input selected before.
uint16_t read_supply_code(Port& port, uint16_t data_port, uint16_t rb_port, SupplyInput input);

}  // namespace boardlink
