#include "link/board_link.h"

#include <sys/stat.h>

#include "link/ftdi_port.h"
#include "link/gpio_port.h"
#include "link/parport.h"
#include "link/trace.h"

namespace boardlink {

BoardLink::Opened BoardLink::open(const LinkRequest& request, const AdapterDevices& devices) {
    Opened result;
    std::unique_ptr<Port> backend;

    bool want_parport = request.kind == LinkRequest::Kind::Parport;
    if (request.kind == LinkRequest::Kind::Auto) {
        struct stat st {};
        want_parport = ::stat(request.device.c_str(), &st) == 0;
    }
    if (want_parport) backend = ParallelPort::open(request.device, result.claim_error);
    if (request.kind == LinkRequest::Kind::Ftdi) result.claimed = "USB Adapter";
    if (request.kind == LinkRequest::Kind::Gpio) result.claimed = "GPIO Chip";
    if (request.kind == LinkRequest::Kind::Ftdi)
        backend = FtdiPort::open(devices.ftdi(),
                                 {request.device, request.pins, request.rate_hz.value_or(FtdiSettings::kDefaultRateHz)},
                                 result.claim_error);
    if (request.kind == LinkRequest::Kind::Gpio)
        backend = GpioPort::open(devices.gpio(), {request.device, request.pins}, result.claim_error);
    if (backend) {
        static const char* const kinds[] = {"SIM", "SIM", "PARPORT", "FTDI", "GPIO"};
        identity_.kind = kinds[static_cast<int>(want_parport ? LinkRequest::Kind::Parport : request.kind)];
        identity_.device = request.device;
        identity_.readback = request.kind != LinkRequest::Kind::Gpio || request.pins[BoardLine::Status] != PinMap::kNone;
    } else {
        identity_ = {};
        backend = std::make_unique<SimBoard>();
    }
    if (!request.trace_path.empty()) {
        backend = TracePort::create(std::move(backend), request.trace_path, result.error);
        if (!backend) {
            result.ok = false;
            return result;
        }
    }
    attach(std::move(backend));
    return result;
}

void BoardLink::attach(std::unique_ptr<Port> backend) {
    close();
    trace_failure_.clear();
    trace_ = dynamic_cast<TracePort*>(backend.get());
    sim_ = dynamic_cast<SimBoard*>(trace_ ? &trace_->inner() : backend.get());
    backend_ = std::move(backend);
    {
        std::lock_guard lock(failure_mutex_);
        failure_.clear();
        failed_ = false;
    }
    if (backend_) note_failure();
}

void BoardLink::close() {
    if (trace_) {
        trace_->finish();
        trace_failure_ = trace_->trace_error();
    }
    trace_ = nullptr;
    sim_ = nullptr;
    backend_.reset();
}

void BoardLink::out(uint16_t address, uint8_t value) {
    if (!backend_) return;
    backend_->out(address, value);
    note_failure();
}

uint8_t BoardLink::in(uint16_t address) {
    if (!backend_) return 0xFF;
    const uint8_t value = backend_->in(address);
    note_failure();
    return value;
}

void BoardLink::flush() {
    if (!backend_) return;
    backend_->flush();
    note_failure();
}

// A backend fails in an access, on the thread that makes it; its cause is kept here for any
// thread to read.
void BoardLink::note_failure() {
    if (failed_.load(std::memory_order_relaxed)) return;
    std::string cause = backend_->failure();
    if (cause.empty()) return;
    std::lock_guard lock(failure_mutex_);
    failure_ = std::move(cause);
    failed_.store(true, std::memory_order_release);
}

std::string BoardLink::name() const { return backend_ ? backend_->name() : "no board link"; }

std::string BoardLink::failure() const {
    if (!failed_.load(std::memory_order_acquire)) return {};
    std::lock_guard lock(failure_mutex_);
    return failure_;
}

bool BoardLink::sends_at_flush() const { return backend_ && backend_->sends_at_flush(); }

void BoardLink::mark(std::string_view action) {
    if (backend_) backend_->mark(action);
}

std::optional<bool> BoardLink::lock_detect() {
    return backend_ ? backend_->lock_detect() : std::nullopt;
}

bool BoardLink::lock_edges(std::vector<LockEdge>& edges, int64_t& resolution_ns) {
    return backend_ && backend_->lock_edges(edges, resolution_ns);
}

std::optional<int64_t> BoardLink::latched_at_ns() const {
    return backend_ ? backend_->latched_at_ns() : std::nullopt;
}

std::optional<uint32_t> BoardLink::access_rate_hz() const {
    return backend_ ? backend_->access_rate_hz() : std::nullopt;
}

std::string BoardLink::trace_failure() const { return trace_ ? trace_->trace_error() : trace_failure_; }

}  // namespace boardlink
