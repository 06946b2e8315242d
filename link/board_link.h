#pragma once
// The one board link of a run: it holds whichever backend was opened (the parallel port, a USB
// bit-bang adapter, a GPIO chip or the simulated board), optionally wrapped in a trace, and
// forwards every access to it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "link/adapter_pins.h"
#include "link/ftdi_device.h"
#include "link/gpio_chip.h"
#include "link/port.h"
#include "link/sim_board.h"

namespace boardlink {

class TracePort;

struct LinkRequest {
    enum class Kind {
        Auto,     // /dev/parport0 when it exists, else the simulated board
        Sim,      // the simulated board
        Parport,  // the given device (default /dev/parport0)
        Ftdi,     // a USB bit-bang adapter: the one with serial number `device`, or the first when empty
        Gpio,     // the lines of the GPIO chip `device`
    };
    Kind kind = Kind::Auto;
    std::string device = "/dev/parport0";
    std::string trace_path;  // empty: no trace
    PinMap pins = default_usb_pins();    // Ftdi and Gpio: which adapter pin carries which board line
    std::optional<uint32_t> rate_hz;     // Ftdi: the bit-bang rate; empty: the default
};

// Where the adapters' devices come from: their libraries, or recording stand-ins in tests.
struct AdapterDevices {
    std::function<std::unique_ptr<FtdiDevice>()> ftdi = make_usb_ftdi_device;
    std::function<std::unique_ptr<GpioChip>()> gpio = make_gpiod_chip;
};

class BoardLink : public Port {
public:
    struct Opened {
        bool ok = true;           // false: the trace could not be created; nothing was opened
        std::string claim_error;  // the port or adapter could not be opened; the simulated board took its place
        std::string claimed = "Parallel Port";  // what could not be claimed: the port, the USB adapter, the GPIO chip
        std::string error;        // why nothing was opened (with ok false)
    };

    // Opens the requested backend. A parallel port or adapter that cannot be opened or claimed
    // is replaced by the simulated board, and the cause is returned for the user.
    Opened open(const LinkRequest& request, const AdapterDevices& devices = {});
    // Puts a given backend in place (tests, and the simulated fallback).
    void attach(std::unique_ptr<Port> backend);
    // Releases the backend: the trace is completed, then the parallel port is released and
    // closed. Every window that observes the link (the simulated-board view) must be gone first.
    void close();

    bool is_open() const { return backend_ != nullptr; }
    // The simulated board when that is the backend, else nullptr.
    SimBoard* simulated_board() const { return sim_; }

    void out(uint16_t address, uint8_t value) override;
    uint8_t in(uint16_t address) override;
    void flush() override;
    std::string name() const override;
    std::string failure() const override;
    bool sends_at_flush() const override;
    void mark(std::string_view action) override;
    std::optional<uint32_t> access_rate_hz() const override;
    std::optional<bool> lock_detect() override;
    bool lock_edges(std::vector<LockEdge>& edges, int64_t& resolution_ns) override;
    std::optional<int64_t> latched_at_ns() const override;

    // Why the trace stopped before its end (its file could not be written); empty while it
    // records, or without a trace. Kept after close(), which may be where it fails.
    std::string trace_failure() const;

    // What the link is, for a script: "SIM", "PARPORT", "FTDI" or "GPIO", the device it opened
    // (empty for the simulated board, or for the first USB adapter found), and whether the board's
    // readback lines are wired (a GPIO link may leave them out).
    struct Identity {
        std::string kind = "SIM";
        std::string device;
        bool readback = true;
    };
    const Identity& identity() const { return identity_; }

    // While an exerciser's timing thread writes the link, it holds it: nothing else may write
    // then, and `held_by` says why, for the user ("a lock-time hop run is running: ..."). Set and
    // read by the thread that starts and stops the runs, never by a run's own thread.
    void hold(std::string reason) {
        holder_ = std::move(reason);
        if (on_hold_) on_hold_();
    }
    // Called by hold(), on the thread that starts the runs, before the run's thread writes: what
    // the simulated board settles by is brought up to date with the state there.
    void set_hold_listener(std::function<void()> listener) { on_hold_ = std::move(listener); }
    void release() { holder_.reset(); }
    const std::optional<std::string>& held_by() const { return holder_; }

private:
    std::unique_ptr<Port> backend_;
    SimBoard* sim_ = nullptr;
    TracePort* trace_ = nullptr;  // the backend, when it is traced
    std::string trace_failure_;   // of the trace closed last
    Identity identity_;
    std::optional<std::string> holder_;
    std::function<void()> on_hold_;
    // The backend's failure, kept for readers on other threads than the writer's.
    void note_failure();
    std::atomic<bool> failed_{false};
    mutable std::mutex failure_mutex_;
    std::string failure_;
};

}  // namespace boardlink
