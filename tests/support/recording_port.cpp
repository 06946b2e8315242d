#include "tests/support/recording_port.h"

namespace testing_support {

std::vector<uint8_t> RecordingPort::writes() const {
    std::vector<uint8_t> values;
    for (const auto& a : accesses)
        if (a.write) values.push_back(a.value);
    return values;
}

std::function<uint8_t(size_t)> serve_bits(std::vector<int> bits, int then) {
    return [bits = std::move(bits), then](size_t n) -> uint8_t {
        int bit = n < bits.size() ? bits[n] : then;
        return bit ? 0x10 : 0x00;
    };
}

std::vector<int> bits_of(uint32_t value, int count) {
    std::vector<int> bits;
    for (int k = count - 1; k >= 0; --k) bits.push_back((value >> k) & 1);
    return bits;
}

}  // namespace testing_support
