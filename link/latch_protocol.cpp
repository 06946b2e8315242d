#include "link/latch_protocol.h"

namespace boardlink {

void shift_word(Port& port, uint16_t data_port, uint32_t word, int bits) {
    port.out(data_port, kIdle);
    for (int k = bits - 1; k >= 0; --k) {
        if (word & (uint32_t{1} << k)) {
            port.out(data_port, kData);
            port.out(data_port, kDataClockHigh);
            port.out(data_port, kData);
        } else {
            port.out(data_port, kIdle);
            port.out(data_port, kClockHigh);
            port.out(data_port, kIdle);
        }
    }
}

void pulse_le(Port& port, uint16_t data_port) {
    port.out(data_port, kIdle);
    port.out(data_port, kLatchEnable);
    port.out(data_port, kIdle);
}

}  // namespace boardlink
