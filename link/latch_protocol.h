#pragma once
// The three-wire serial protocol that loads one 24-bit latch word into the synthesizer.
//
// Data register bits: 0 CLK, 1 DATA, 2 LE; bits 3 and 4 are held high throughout (bit 3 is the
// readback converter's clock, idle high, so latch traffic never clocks the converter).
#include <cstdint>

#include "link/port.h"

namespace boardlink {

inline constexpr uint8_t kIdle = 24;            // bits 3 and 4
inline constexpr uint8_t kClockHigh = 25;       // CLK with DATA 0
inline constexpr uint8_t kData = 26;            // DATA 1
inline constexpr uint8_t kDataClockHigh = 27;   // DATA 1 with CLK
inline constexpr uint8_t kLatchEnable = 28;     // LE
inline constexpr uint8_t kLeBit = 4;            // LE's bit alone: a latch loads as it rises

// Writes the idle value, then the `bits` lowest bits of `word`, most significant first: for each
// bit DATA is set up with CLK low, CLK rises and falls with DATA held (24,25,24 or 26,27,26).
// A word of 24 bits costs 73 writes. With bits = 0 only the idle write is made.
void shift_word(Port& port, uint16_t data_port, uint32_t word, int bits);

// One latch-enable pulse, 24, 28, 24: loads the shifted word into the latch its control bits name.
void pulse_le(Port& port, uint16_t data_port);

}  // namespace boardlink
