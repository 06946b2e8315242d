#pragma once
// A USB bit-bang adapter of the FT232R class (serial number T3ST0001) as its USB side shows it,
// its pins wired to the simulated board. In synchronous bit-bang mode each byte out is put on the
// pins and the pins are sampled once per byte; the samples come back in packets of 64 bytes, each
// led by the two modem-status bytes. Plain C++: the ioctl glue lives with the device tests.
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "tests/support/board_on_pins.h"

namespace testing_support {

struct UsbSetup { uint8_t request_type, request; uint16_t value, index, length; };

class Ft232Model {
public:
    static constexpr uint8_t kInEndpoint = 0x81, kOutEndpoint = 0x02;
    static constexpr uint8_t kSyncBitbang = 0x04;  // the bit mode libftdi1 calls BITMODE_SYNCBB

    explicit Ft232Model(BoardOnPins& far) : far_(far) {}

    // The contents of the sysfs file `descriptors`.
    std::vector<uint8_t> descriptors() const;
    // A control transfer: the data stage of an IN request (empty for OUT), or nothing for a stall.
    std::optional<std::vector<uint8_t>> control(const UsbSetup& setup);
    void bulk_out(std::span<const uint8_t> bytes);
    bool has_samples() const { return !samples_.empty(); }
    // Fills `buffer` with packets of status bytes and samples; returns the bytes used.
    size_t bulk_in(std::span<uint8_t> buffer);

    // What the tool set up (the divisor as the baud-rate request's wValue), and the bytes sent.
    uint8_t bit_mode = 0, output_mask = 0;
    uint16_t divisor_value = 0;
    uint64_t bytes_out = 0;

private:
    BoardOnPins& far_;
    uint8_t levels_ = 0xFF;  // what the adapter drives on its outputs
    std::deque<uint8_t> samples_;
};

}  // namespace testing_support
