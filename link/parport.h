#pragma once
// The PC's parallel port through the Linux ppdev driver (/dev/parportN). The user needs read
// and write access to the device node, normally by membership of group lp.
#include <chrono>
#include <memory>
#include <string>

#include "link/port.h"

namespace boardlink {

class ParallelPort : public Port {
public:
    // How long opening waits for another driver (a printer driver) to let go of the port.
    static constexpr std::chrono::milliseconds kClaimTimeout{3000};

    // Opens and claims the device. On failure returns nullptr and sets `error` to a message
    // that names the device and the cause.
    static std::unique_ptr<ParallelPort> open(const std::string& device, std::string& error,
                                              std::chrono::milliseconds claim_timeout = kClaimTimeout);
    ~ParallelPort() override;  // releases the port and closes the device

    void out(uint16_t address, uint8_t value) override;
    uint8_t in(uint16_t address) override;
    // The lock-detect line: the board's MUXOUT wired to status pin 12 (Paper End, status bit 5),
    // read as it stands (not inverted). A pin left unwired floats high: wire it before measuring.
    std::optional<bool> lock_detect() override;
    std::optional<int64_t> latched_at_ns() const override { return latched_at_ns_; }
    std::string name() const override { return "parallel port " + device_; }
    std::string failure() const override { return failure_; }

private:
    ParallelPort(std::string device, int fd) : device_(std::move(device)), fd_(fd) {}
    void fail(const char* what, int err);

    std::string device_;
    int fd_;
    std::string failure_;
    uint8_t data_ = 0;
    std::optional<int64_t> latched_at_ns_;
};

// The message for a failure to open or claim `device` with the given errno; exposed so that the
// wording for each cause can be checked without hardware.
std::string parport_error(const std::string& device, const char* step, int err);

}  // namespace boardlink
