#pragma once
// A USB bit-bang adapter of the FT232R or FT232H class as its USB side shows it: the descriptors
// it enumerates with, the vendor control requests libftdi1 sends it, and its two bulk endpoints.
// In synchronous bit-bang mode every byte that arrives on the OUT endpoint is put on the eight
// pins in order and the pins are sampled once per byte; the samples come back on the IN endpoint
// in packets of the endpoint's size, each led by the two modem-status bytes. The pins drive
// whatever `Pins` is wired to (the simulated board in the tests). Plain C++: the ioctl glue that
// puts it behind a device node lives with the device tests.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace testing_support {

enum class FtdiChip { Ft232R, Ft232H };

// What is on the far side of the pins: `drive` gets the levels of the driven pins (the others 0)
// whenever the adapter puts a byte out, `sense` the levels the far side holds on the pins.
struct AdapterPins {
    std::function<void(uint8_t levels, uint8_t driven)> drive;
    std::function<uint8_t()> sense;
};

struct UsbSetup {
    uint8_t request_type = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    uint16_t length = 0;
};

class Ft232Model {
public:
    static constexpr uint16_t kVendor = 0x0403;
    static constexpr uint8_t kInEndpoint = 0x81, kOutEndpoint = 0x02;
    static constexpr uint8_t kSyncBitbang = 0x04;  // the bit mode libftdi1 calls BITMODE_SYNCBB

    struct Identity {
        FtdiChip chip = FtdiChip::Ft232R;
        std::string maker = "Test Maker";
        std::string product = "FT232R USB UART";
        std::string serial = "T3ST0001";
    };

    Ft232Model(Identity identity, AdapterPins pins);

    const Identity& identity() const { return identity_; }
    uint16_t product_id() const;
    uint16_t max_packet() const { return identity_.chip == FtdiChip::Ft232H ? 512 : 64; }
    // The device descriptor followed by the configuration descriptor with its interface and two
    // endpoints: the contents of the sysfs file `descriptors`.
    std::vector<uint8_t> descriptors() const;

    // A control transfer on endpoint 0. Returns the data stage of an IN request (empty for an OUT
    // request), or nothing when the device stalls it (a request it does not know, which is logged).
    std::optional<std::vector<uint8_t>> control(const UsbSetup& setup, std::span<const uint8_t> out_data);
    // Bytes that arrive on the OUT endpoint.
    void bulk_out(std::span<const uint8_t> bytes);
    // Whether the IN endpoint has samples to send.
    bool has_samples() const { return !samples_.empty(); }
    // Fills `buffer` with whole packets (the last one may be short) of status bytes and samples;
    // returns the bytes used. Only called when samples wait.
    size_t bulk_in(std::span<uint8_t> buffer);

    // What the tool set up.
    uint8_t bit_mode() const { return bit_mode_; }
    uint8_t output_mask() const { return output_mask_; }
    uint8_t latency_ms() const { return latency_ms_; }
    // The rate divisor as the two setup words of the last baud-rate request carried it.
    uint16_t divisor_value() const { return divisor_value_; }
    uint16_t divisor_index() const { return divisor_index_; }
    // The baud rate that divisor makes on this chip.
    double baud_rate() const;
    uint64_t bytes_out() const { return bytes_out_; }
    // Control requests the model does not know, as "type/request value index".
    const std::vector<std::string>& unknown_requests() const { return unknown_; }

private:
    std::optional<std::vector<uint8_t>> standard(const UsbSetup& setup);
    std::optional<std::vector<uint8_t>> vendor(const UsbSetup& setup);
    std::vector<uint8_t> string_descriptor(uint8_t index) const;
    uint8_t sample() const;

    Identity identity_;
    AdapterPins pins_;
    uint8_t bit_mode_ = 0;
    uint8_t output_mask_ = 0;
    uint8_t levels_ = 0xFF;  // what the adapter drives on its outputs
    uint8_t latency_ms_ = 16;
    uint16_t divisor_value_ = 0, divisor_index_ = 0;
    std::deque<uint8_t> samples_;
    uint64_t bytes_out_ = 0;
    std::vector<std::string> unknown_;
};

}  // namespace testing_support
