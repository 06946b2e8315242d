#include "link/board_link.h"

#include <sys/stat.h>

#include "link/parport.h"
#include "link/trace.h"

namespace boardlink {

BoardLink::Opened BoardLink::open(const LinkRequest& request) {
    Opened result;
    std::unique_ptr<Port> backend;
    SimBoard* sim = nullptr;

    bool want_parport = request.kind == LinkRequest::Kind::Parport;
    if (request.kind == LinkRequest::Kind::Auto) {
        struct stat st {};
        want_parport = ::stat(request.device.c_str(), &st) == 0;
    }
    if (want_parport) backend = ParallelPort::open(request.device, result.claim_error);
    if (!backend) {
        auto board = std::make_unique<SimBoard>();
        sim = board.get();
        backend = std::move(board);
    }
    if (!request.trace_path.empty()) {
        backend = TracePort::create(std::move(backend), request.trace_path, result.error);
        if (!backend) {
            result.ok = false;
            return result;
        }
    }
    close();
    backend_ = std::move(backend);
    sim_ = sim;
    return result;
}

void BoardLink::attach(std::unique_ptr<Port> backend) {
    close();
    sim_ = dynamic_cast<SimBoard*>(backend.get());
    backend_ = std::move(backend);
}

void BoardLink::close() {
    backend_.reset();
    sim_ = nullptr;
}

void BoardLink::out(uint16_t address, uint8_t value) {
    if (backend_) backend_->out(address, value);
}

uint8_t BoardLink::in(uint16_t address) { return backend_ ? backend_->in(address) : 0xFF; }

void BoardLink::flush() {
    if (backend_) backend_->flush();
}

std::string BoardLink::name() const { return backend_ ? backend_->name() : "no board link"; }

std::string BoardLink::failure() const { return backend_ ? backend_->failure() : std::string{}; }

}  // namespace boardlink
