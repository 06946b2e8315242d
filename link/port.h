#pragma once
// The one interface every board link implements: byte writes to the parallel port's data
// register and byte reads of its status register, addressed as on the PC's I/O bus.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace boardlink {

// An edge of the lock-detect line as the kernel stamped it (monotonic clock, ns).
struct LockEdge {
    int64_t at_ns = 0;
    bool high = false;
    bool operator==(const LockEdge&) const = default;
};

// I/O addresses of the first parallel port.
inline constexpr uint16_t kDataRegister = 888;    // 0x378
inline constexpr uint16_t kStatusRegister = 889;  // data register + 1

class Port {
public:
    virtual ~Port() = default;
    virtual void out(uint16_t address, uint8_t value) = 0;  // data register at data_port
    virtual uint8_t in(uint16_t address) = 0;                // status register at data_port + 1
    virtual void flush() {}  // end of a latch write or readback transfer: send batched writes
    // True for a backend that queues its writes and sends them at flush() (or before a read, which
    // needs them on the wire): only then does it know whether they left the PC. False for one
    // whose every access reaches the wire at once (the parallel port, the simulated board).
    virtual bool sends_at_flush() const { return false; }
    virtual std::string name() const = 0;  // shown to the user
    // Names the user action whose latch writes follow ("LoadNow", "HopTick17"), so a trace shows
    // where each action began. Only a trace keeps it.
    virtual void mark(std::string_view action) { (void)action; }
    // The rate a backend clocks its accesses out at (a USB adapter's bit-bang rate); empty for
    // one whose every access takes the time it takes (the parallel port, GPIO, the simulation).
    virtual std::optional<uint32_t> access_rate_hz() const { return std::nullopt; }

    // The synthesizer's lock-detect output (MUXOUT set to digital lock detect) as a spare input
    // reads it now; empty for a link that has no such line wired.
    virtual std::optional<bool> lock_detect() { return std::nullopt; }
    // Where the link takes the lock-detect line as edge events the kernel stamps (a GPIO chip):
    // appends the edges stamped since the last call, oldest first, sets the stamps' resolution
    // and returns true. False for a line that can only be read (lock_detect()).
    virtual bool lock_edges(std::vector<LockEdge>& edges, int64_t& resolution_ns) {
        (void)edges;
        (void)resolution_ns;
        return false;
    }
    // When the latest latch-enable edge went onto the wire, in ns of the monotonic clock (the
    // simulated board's own clock for it), where the link can tell; a lock time is measured from
    // that edge, which the writes after it (a trace's recording of them) may leave well behind.
    virtual std::optional<int64_t> latched_at_ns() const { return std::nullopt; }

    // A link that broke (an adapter unplugged) stays broken: it drops further writes, reads
    // give 0xFF, and failure() tells why. Empty while the link works.
    virtual std::string failure() const { return {}; }
};

}  // namespace boardlink
