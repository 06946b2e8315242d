#pragma once
// The board driven through a GPIO chip's lines (a single-board computer's header, or any chip
// the kernel's GPIO character device serves). The data register's bits 0..4 go to the output
// lines of the pin map, set together at each write; STATUS is read from its input line. Every
// access reaches the lines at once. Lock detect (LD), where wired, is taken as edge events the
// kernel stamps, and each rising edge of LE is stamped on the same clock. A line that fails to follow breaks the link for good:
// failure() says why, later writes are dropped and reads give 0xFF.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/adapter_pins.h"
#include "link/gpio_chip.h"
#include "link/port.h"

namespace boardlink {

struct GpioSettings {
    std::string chip;  // as given after gpio:
    PinMap pins;       // CLK, DATA and LE at least
};

class GpioPort : public Port {
public:
    // The name the lines are taken under, shown to other programs (gpioinfo).
    static constexpr const char* kConsumer = "ksy7100-eval";

    // Opens the chip and takes the lines: the wired data lines as outputs at their idle levels,
    // STATUS (if wired) as an input. On failure returns nullptr and sets `error` to a message
    // naming the chip, the step and the cause with its remedy.
    static std::unique_ptr<GpioPort> open(std::unique_ptr<GpioChip> chip, const GpioSettings& settings,
                                          std::string& error);
    ~GpioPort() override;  // releases the lines and closes the chip

    void out(uint16_t address, uint8_t value) override;
    uint8_t in(uint16_t address) override;
    std::string name() const override;
    std::string failure() const override { return failure_; }
    std::optional<bool> lock_detect() override;
    bool lock_edges(std::vector<LockEdge>& edges, int64_t& resolution_ns) override;
    std::optional<int64_t> latched_at_ns() const override { return latched_at_ns_; }

private:
    GpioPort(std::unique_ptr<GpioChip> chip, const GpioSettings& settings);
    void levels_of(uint8_t value, std::vector<int>& levels) const;
    void fail(const char* step, const DeviceResult& result);

    std::unique_ptr<GpioChip> chip_;
    GpioSettings settings_;
    std::vector<int> data_bits_;  // the data-register bit of each output line, in request order
    std::vector<int> levels_, last_levels_;
    uint8_t last_value_ = 0;
    std::optional<int64_t> latched_at_ns_;
    std::string who_;
    std::string failure_;
};

}  // namespace boardlink
