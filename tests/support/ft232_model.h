#pragma once
// A USB bit-bang adapter of the FT232R class (serial number T3ST0001) as its USB side shows it:
// the descriptors it enumerates with, the vendor control requests libftdi1 sends it, and its two
// bulk endpoints. In synchronous bit-bang mode every byte that arrives on the OUT endpoint is put
// on the eight pins in order and the pins are sampled once per byte; the samples come back on the
// IN endpoint in packets of 64 bytes, each led by the two modem-status bytes. The pins are wired
// to the simulated board. Plain C++: the ioctl glue lives with the device tests.
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "tests/support/board_on_pins.h"

namespace testing_support {

struct UsbSetup {
    uint8_t request_type, request;
    uint16_t value, index, length;
};

class Ft232Model {
public:
    static constexpr uint8_t kInEndpoint = 0x81, kOutEndpoint = 0x02;
    static constexpr uint8_t kSyncBitbang = 0x04;  // the bit mode libftdi1 calls BITMODE_SYNCBB

    explicit Ft232Model(BoardOnPins& far) : far_(far) {}

    // The device descriptor followed by the configuration descriptor with its interface and two
    // endpoints: the contents of the sysfs file `descriptors`.
    std::vector<uint8_t> descriptors() const;
    // A control transfer on endpoint 0. Returns the data stage of an IN request (empty for an OUT
    // request), or nothing when the device stalls it (a request it does not know, told on stderr).
    std::optional<std::vector<uint8_t>> control(const UsbSetup& setup);
    // Bytes that arrive on the OUT endpoint.
    void bulk_out(std::span<const uint8_t> bytes);
    bool has_samples() const { return !samples_.empty(); }
    // Fills `buffer` with whole packets (the last one may be short) of status bytes and samples;
    // returns the bytes used.
    size_t bulk_in(std::span<uint8_t> buffer);

    // What the tool set up: the mode and outputs, the rate divisor as the baud-rate request's
    // wValue carried it, and the bytes sent.
    uint8_t bit_mode = 0, output_mask = 0;
    uint16_t divisor_value = 0;
    uint64_t bytes_out = 0;

private:
    BoardOnPins& far_;
    uint8_t levels_ = 0xFF;  // what the adapter drives on its outputs
    std::deque<uint8_t> samples_;
};

}  // namespace testing_support
