// A GPIO chip through libgpiod 1.6 (the v1 API). Nothing here can run without a chip; the
// backend's logic (pin map, levels, failures) lives in gpio_port.cpp and is tested through a
// recording chip in its place.
#include "link/gpio_chip.h"

#include <gpiod.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace boardlink {

GpioChipName gpio_chip_name(const std::string& chip) {
    if (!chip.empty() && chip.front() == '/') return {chip, false};
    if (!chip.empty() && chip.find_first_not_of("0123456789") == std::string::npos)
        return {"/dev/gpiochip" + chip, false};
    if (chip.rfind("gpiochip", 0) == 0 && chip.find('/') == std::string::npos) return {"/dev/" + chip, false};
    return {chip, true};
}

namespace {

DeviceResult last_error() {
    const int err = errno;
    if (err == ENOTTY || err == EINVAL) return {DeviceFault::Other, "not a GPIO chip"};
    return fault_of_errno(err);
}

class GpiodChip : public GpioChip {
public:
    ~GpiodChip() override { close(); }

    DeviceResult open(const GpioChipName& name) override {
        errno = 0;
        chip_ = name.by_label ? gpiod_chip_open_by_label(name.path_or_label.c_str())
                              : gpiod_chip_open(name.path_or_label.c_str());
        if (!chip_) return errno ? last_error() : DeviceResult{DeviceFault::NoDevice, {}};
        // Kept short: the main window's status line shows it.
        description_ = std::string(gpiod_chip_name(chip_)).substr(0, 32) + " [" +
                       std::string(gpiod_chip_label(chip_)).substr(0, 32) + "]";
        return {};
    }

    unsigned line_count() const override { return chip_ ? gpiod_chip_num_lines(chip_) : 0; }

    DeviceResult request(std::span<const unsigned> outputs, std::span<const int> levels,
                         std::optional<unsigned> input, std::optional<unsigned> edges,
                         const std::string& consumer) override {
        std::vector<unsigned> offsets(outputs.begin(), outputs.end());
        if (gpiod_chip_get_lines(chip_, offsets.data(), unsigned(offsets.size()), &outputs_) != 0) return last_error();
        if (gpiod_line_request_bulk_output(&outputs_, consumer.c_str(), levels.data()) != 0) return last_error();
        have_outputs_ = true;
        if (input)
            if (DeviceResult r = take_line(*input, input_, gpiod_line_request_input, consumer); !r.ok()) return r;
        if (edges)
            if (DeviceResult r = take_line(*edges, edges_, gpiod_line_request_both_edges_events, consumer); !r.ok())
                return r;
        return {};
    }

    DeviceResult set(std::span<const int> levels) override {
        if (gpiod_line_set_value_bulk(&outputs_, levels.data()) != 0) return {DeviceFault::Gone, std::strerror(errno)};
        return {};
    }

    DeviceResult get(int& level) override {
        level = input_ ? gpiod_line_get_value(input_) : -1;
        if (level < 0) return {DeviceFault::Gone, std::strerror(errno)};
        return {};
    }

    DeviceResult read_edges(std::vector<LockEdge>& out) override {
        // The kernel keeps a few events only: read them all while any are there.
        const timespec now{0, 0};
        while (edges_) {
            const int ready = gpiod_line_event_wait(edges_, &now);
            if (ready < 0) return {DeviceFault::Gone, std::strerror(errno)};
            if (ready == 0) return {};
            gpiod_line_event events[16];
            const int n = gpiod_line_event_read_multiple(edges_, events, 16);
            if (n < 0) return {DeviceFault::Gone, std::strerror(errno)};
            for (int i = 0; i < n; ++i)
                out.push_back({int64_t(events[i].ts.tv_sec) * 1'000'000'000 + events[i].ts.tv_nsec,
                               events[i].event_type == GPIOD_LINE_EVENT_RISING_EDGE});
        }
        return {};
    }

    DeviceResult get_edge_line(int& level) override {
        level = edges_ ? gpiod_line_get_value(edges_) : -1;
        if (level < 0) return {DeviceFault::Gone, std::strerror(errno)};
        return {};
    }

    void close() override {
        if (edges_) gpiod_line_release(edges_);
        if (input_) gpiod_line_release(input_);
        if (have_outputs_) gpiod_line_release_bulk(&outputs_);
        if (chip_) gpiod_chip_close(chip_);
        input_ = edges_ = nullptr;
        have_outputs_ = false;
        chip_ = nullptr;
    }

    std::string description() const override { return description_; }

private:
    // Takes the line at `offset` with `take` (as an input, or for its edge events) into `line`,
    // which stays empty when it cannot be had.
    DeviceResult take_line(unsigned offset, gpiod_line*& line, int (*take)(gpiod_line*, const char*),
                           const std::string& consumer) {
        line = gpiod_chip_get_line(chip_, offset);
        if (!line) return last_error();
        if (take(line, consumer.c_str()) != 0) {
            line = nullptr;
            return last_error();
        }
        return {};
    }

    gpiod_chip* chip_ = nullptr;
    gpiod_line_bulk outputs_{};
    bool have_outputs_ = false;
    gpiod_line* input_ = nullptr;
    gpiod_line* edges_ = nullptr;
    std::string description_;
};

}  // namespace

std::unique_ptr<GpioChip> make_gpiod_chip() { return std::make_unique<GpiodChip>(); }

}  // namespace boardlink
