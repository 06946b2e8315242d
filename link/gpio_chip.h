#pragma once
// The few calls the GPIO backend makes of a GPIO chip, as one small interface: the real one goes
// through libgpiod (the v1 API, make_gpiod_chip), tests put a recording one in its place and see
// exactly what would go to the lines.
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/adapter_error.h"
#include "link/port.h"

namespace boardlink {

// Where `--link gpio:CHIP` points: a path (/dev/gpiochip0), a name (gpiochip0), a number (0) or,
// for anything else, the chip's label.
struct GpioChipName {
    std::string path_or_label;
    bool by_label = false;
    bool operator==(const GpioChipName&) const = default;
};
GpioChipName gpio_chip_name(const std::string& chip);

class GpioChip {
public:
    virtual ~GpioChip() = default;

    virtual DeviceResult open(const GpioChipName& name) = 0;
    // How many lines the chip has (offsets 0 .. count - 1), once open.
    virtual unsigned line_count() const = 0;
    // Takes `outputs` as outputs, set to `levels` (0 or 1, one per output), `input`, if any, as an
    // input, and `edges`, if any, as an input whose both edges the kernel stamps, all under the
    // name `consumer` (shown to others by gpioinfo).
    virtual DeviceResult request(std::span<const unsigned> outputs, std::span<const int> levels,
                                 std::optional<unsigned> input, std::optional<unsigned> edges,
                                 const std::string& consumer) = 0;
    // Sets the outputs, one level per output in the order requested, in one call.
    virtual DeviceResult set(std::span<const int> levels) = 0;
    // Reads the input.
    virtual DeviceResult get(int& level) = 0;
    // Appends the edges of the `edges` line stamped since the last call (never waits for one).
    virtual DeviceResult read_edges(std::vector<LockEdge>& edges) = 0;
    // Reads the `edges` line's level.
    virtual DeviceResult get_edge_line(int& level) = 0;
    // Releases the lines and closes the chip; the outputs keep their levels where the chip allows.
    virtual void close() = 0;
    // "gpiochip0 [pinctrl-bcm2711]", once open.
    virtual std::string description() const = 0;
};

// The chip reached through libgpiod.
std::unique_ptr<GpioChip> make_gpiod_chip();

}  // namespace boardlink
