#pragma once
// Stand-ins for the adapters' libraries: a USB bit-bang adapter and a GPIO chip that record
// every call made of them, with the simulated board wired to their pins through a pin map, so a
// test sees both what would go to the device and what the board behind it latched.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/adapter_pins.h"
#include "link/ftdi_port.h"
#include "link/gpio_port.h"
#include "link/sim_board.h"
#include "tests/support/board_on_pins.h"

namespace testing_support {

// A pin map as typed on the command line: over the USB adapter's defaults, or from nothing for a
// GPIO chip.
inline boardlink::PinMap pin_map(boardlink::AdapterKind kind, const std::string& text) {
    boardlink::PinMap map = kind == boardlink::AdapterKind::UsbBitbang ? boardlink::default_usb_pins() : boardlink::PinMap{};
    EXPECT_EQ(boardlink::apply_pins(kind, text, map), "") << text;
    return map;
}

// A pin map the tests share: every GPIO line wired.
inline const char* const kGpioFull = "CLK=17,DATA=27,LE=22,RBCLK=23,D4=24,STATUS=25";

struct FtdiLog {
    // What the tool asked of the device (the rate and serial number: the device tests').
    std::optional<uint8_t> outputs;
    std::vector<std::vector<uint8_t>> transfers;  // every exchange, failed ones included
    bool closed = false;

    // How the device answers.
    boardlink::DeviceResult open_result, start_result;
    std::optional<size_t> failing_transfer;  // this exchange (from 0) and all after it fail
    boardlink::DeviceResult failure{boardlink::DeviceFault::Gone, "LIBUSB_ERROR_NO_DEVICE"};
    BoardOnPins* wired = nullptr;  // the board on the pins
};

class RecordingFtdi : public boardlink::FtdiDevice {
public:
    explicit RecordingFtdi(std::shared_ptr<FtdiLog> log) : log_(std::move(log)) {}

    boardlink::DeviceResult open(const std::string&) override { return log_->open_result; }
    boardlink::DeviceResult start_bitbang(uint8_t outputs, uint32_t) override {
        log_->outputs = outputs;
        return log_->start_result;
    }
    boardlink::DeviceResult exchange(std::span<const uint8_t> bytes, std::span<uint8_t> samples) override {
        const size_t n = log_->transfers.size();
        log_->transfers.emplace_back(bytes.begin(), bytes.end());
        if (log_->failing_transfer && n >= *log_->failing_transfer) return log_->failure;
        for (size_t i = 0; i < bytes.size(); ++i) {
            samples[i] = pins_now();  // sampled as the byte before it left the pins
            pins_ = bytes[i];
            log_->wired->drive(pins_);
        }
        return {};
    }
    void close() override { log_->closed = true; }
    std::string description() const override { return "FT232R USB UART, serial T3ST0001"; }

private:
    // The eight pins as sampled: the driven ones as driven, the others as the board holds them.
    uint8_t pins_now() {
        const uint8_t outputs = log_->outputs.value_or(0);
        return uint8_t((pins_ & outputs) | (log_->wired->sense() & ~outputs));
    }

    std::shared_ptr<FtdiLog> log_;
    uint8_t pins_ = 0;
};

struct GpioLog {
    std::optional<boardlink::GpioChipName> opened;
    std::vector<unsigned> outputs;
    std::vector<int> initial_levels;
    std::optional<unsigned> input;
    std::optional<unsigned> edges_line;
    std::vector<std::vector<int>> sets;  // every set of the outputs, failed ones included
    size_t gets = 0;
    bool closed = false;

    boardlink::DeviceResult open_result, request_result;
    unsigned line_count = 54;
    std::optional<size_t> failing_set;  // this set (from 0) and all after it fail
    boardlink::DeviceResult failure{boardlink::DeviceFault::Gone, "No such device"};
    BoardOnPins* wired = nullptr;  // the board on the lines
    std::vector<boardlink::LockEdge> edges;  // stamped, for the next read of them
};

class RecordingGpio : public boardlink::GpioChip {
public:
    explicit RecordingGpio(std::shared_ptr<GpioLog> log) : log_(std::move(log)) {}

    boardlink::DeviceResult open(const boardlink::GpioChipName& name) override {
        log_->opened = name;
        return log_->open_result;
    }
    unsigned line_count() const override { return log_->line_count; }
    boardlink::DeviceResult request(std::span<const unsigned> outputs, std::span<const int> levels,
                                    std::optional<unsigned> input, std::optional<unsigned> edges,
                                    const std::string&) override {
        log_->outputs.assign(outputs.begin(), outputs.end());
        log_->initial_levels.assign(levels.begin(), levels.end());
        log_->input = input;
        log_->edges_line = edges;
        if (log_->request_result.ok()) drive(levels);
        return log_->request_result;
    }
    boardlink::DeviceResult set(std::span<const int> levels) override {
        const size_t n = log_->sets.size();
        log_->sets.emplace_back(levels.begin(), levels.end());
        if (log_->failing_set && n >= *log_->failing_set) return log_->failure;
        drive(levels);
        return {};
    }
    boardlink::DeviceResult get(int& level) override {
        ++log_->gets;
        level = log_->wired->status();
        return {};
    }
    boardlink::DeviceResult read_edges(std::vector<boardlink::LockEdge>& edges) override {
        edges.insert(edges.end(), log_->edges.begin(), log_->edges.end());
        log_->edges.clear();
        return {};
    }
    boardlink::DeviceResult get_edge_line(int& level) override {
        level = log_->wired->lock_detect();
        return {};
    }
    void close() override { log_->closed = true; }
    std::string description() const override { return "gpiochip0 [test-header]"; }

private:
    void drive(std::span<const int> levels) {
        if (!log_->wired) return;
        uint64_t pins = 0;  // the tests keep their line offsets below 64
        for (size_t i = 0; i < levels.size(); ++i)
            if (levels[i]) pins |= uint64_t{1} << log_->outputs[i];
        log_->wired->drive(pins);
    }

    std::shared_ptr<GpioLog> log_;
};

// An adapter of either kind with the simulated board wired to its pins. Set how it answers in
// its log, then open it. It stays where it is made: the logs point at its board.
struct WiredAdapter {
    WiredAdapter(boardlink::AdapterKind kind, const std::string& pin_text) : kind(kind), wired{pin_map(kind, pin_text), {}} {
        ftdi->wired = &wired;
        gpio->wired = &wired;
    }
    WiredAdapter(const WiredAdapter&) = delete;
    WiredAdapter& operator=(const WiredAdapter&) = delete;

    // `device`: the serial number or the chip; empty: the first adapter, or gpiochip0.
    std::unique_ptr<boardlink::Port> open(const std::string& device = {},
                                          uint32_t rate_hz = boardlink::FtdiSettings::kDefaultRateHz) {
        if (kind == boardlink::AdapterKind::UsbBitbang)
            return boardlink::FtdiPort::open(std::make_unique<RecordingFtdi>(ftdi), {device, wired.pins, rate_hz}, error);
        return boardlink::GpioPort::open(std::make_unique<RecordingGpio>(gpio), {device.empty() ? "gpiochip0" : device, wired.pins},
                                         error);
    }
    // Sends to the device tried so far: USB transfers, or sets of the GPIO lines.
    size_t attempts() const { return kind == boardlink::AdapterKind::UsbBitbang ? ftdi->transfers.size() : gpio->sets.size(); }
    bool closed() const { return kind == boardlink::AdapterKind::UsbBitbang ? ftdi->closed : gpio->closed; }

    boardlink::AdapterKind kind;
    BoardOnPins wired;
    std::shared_ptr<FtdiLog> ftdi = std::make_shared<FtdiLog>();
    std::shared_ptr<GpioLog> gpio = std::make_shared<GpioLog>();
    std::string error;  // why the last open failed
};

}  // namespace testing_support
