#pragma once
// The board driven through a USB bit-bang adapter (FT232R or FT232H class) in synchronous
// bit-bang mode. The data register's bits 0..4 go to the adapter pins of the pin map; the
// readback data comes back on its STATUS pin.
//
// Writes are queued and sent as one USB transfer at flush(), so one action (a latch write, a
// full write sequence, a hop) is one transfer. A status read sends what is queued and reads the
// pins as they stand once those bytes are out: the adapter samples its pins at every byte it
// puts out, so the read adds one byte that holds the pins where they are and takes its sample.
// A transfer that fails breaks the link for good: failure() says why, later writes are dropped
// and reads give 0xFF.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/adapter_pins.h"
#include "link/ftdi_device.h"
#include "link/port.h"

namespace boardlink {

struct FtdiSettings {
    // A rate both chip classes make exactly. In bit-bang mode libftdi1 asks the chip for four times
    // the rate as its baud rate, and an FT232R makes 3 MBaud at most: 1 MHz, the default once, was
    // refused by every FT232R (750 kHz is its highest).
    static constexpr uint32_t kDefaultRateHz = 500'000;
    std::string serial;  // empty: the first adapter found
    PinMap pins = default_usb_pins();
    uint32_t rate_hz = kDefaultRateHz;
};

class FtdiPort : public Port {
public:
    // Writes queued without a flush are sent once this many wait, so a caller that never
    // flushes cannot make the queue grow without end.
    static constexpr size_t kMaxQueued = 1 << 16;

    // Opens the adapter, starts synchronous bit-bang with the five data lines as outputs and
    // puts them at the idle levels. On failure returns nullptr and sets `error` to a message
    // naming the adapter, the step and the cause with its remedy.
    static std::unique_ptr<FtdiPort> open(std::unique_ptr<FtdiDevice> device, const FtdiSettings& settings,
                                          std::string& error);
    ~FtdiPort() override;  // lets the adapter go; what was never flushed is not sent

    void out(uint16_t address, uint8_t value) override;
    uint8_t in(uint16_t address) override;
    // The LD pin, when wired: one USB round trip (the writes queued before it go out with it), so
    // the lock measurement reads it about once a millisecond on a full-speed adapter.
    std::optional<bool> lock_detect() override;
    void flush() override;
    bool sends_at_flush() const override { return true; }
    std::optional<uint32_t> access_rate_hz() const override { return settings_.rate_hz; }
    std::string name() const override;
    std::string failure() const override { return failure_; }

    // USB transfers made and bytes sent since opening (the idle levels at opening included).
    uint64_t transfers() const { return transfers_; }
    uint64_t bytes_sent() const { return bytes_sent_; }

private:
    FtdiPort(std::unique_ptr<FtdiDevice> device, const FtdiSettings& settings);
    // Sends the queue as one transfer (nothing when it is empty); with `hold`, one more byte that
    // keeps the pins as they are, whose sample goes to `sample`. False when the link has failed.
    bool send(bool hold, uint8_t* sample = nullptr);

    std::unique_ptr<FtdiDevice> device_;
    FtdiSettings settings_;
    std::array<uint8_t, 32> to_pins_{};  // data-register bits 0..4 -> the adapter byte
    uint8_t outputs_ = 0;                // the pins driven
    std::vector<uint8_t> queue_;
    std::vector<uint8_t> samples_;
    uint8_t last_ = 0;  // the adapter byte last put out
    std::string who_;
    std::string failure_;
    uint64_t transfers_ = 0;
    uint64_t bytes_sent_ = 0;
};

}  // namespace boardlink
