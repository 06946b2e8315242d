#include "link/ftdi_port.h"

#include "link/latch_protocol.h"

namespace boardlink {
namespace {

constexpr uint8_t kStatusData = 16;  // status bit 4 carries the readback data

std::string rate_text(uint32_t hz) {
    if (hz % 1'000'000 == 0) return std::to_string(hz / 1'000'000) + " MHz";
    if (hz % 1'000 == 0) return std::to_string(hz / 1'000) + " kHz";
    return std::to_string(hz) + " Hz";
}

}  // namespace

FtdiPort::FtdiPort(std::unique_ptr<FtdiDevice> device, const FtdiSettings& settings)
    : device_(std::move(device)), settings_(settings) {
    who_ = "USB adapter" + (settings.serial.empty() ? std::string() : " " + settings.serial);
    for (int line = 0; line < kDataLines; ++line)
        if (int pin = settings.pins.pin[size_t(line)]; pin != PinMap::kNone) outputs_ |= uint8_t(1u << pin);
    for (unsigned value = 0; value < to_pins_.size(); ++value) {
        uint8_t byte = 0;
        for (int line = 0; line < kDataLines; ++line)
            if (int pin = settings.pins.pin[size_t(line)]; pin != PinMap::kNone && (value >> line) & 1u)
                byte |= uint8_t(1u << pin);
        to_pins_[value] = byte;
    }
}

std::unique_ptr<FtdiPort> FtdiPort::open(std::unique_ptr<FtdiDevice> device, const FtdiSettings& settings,
                                         std::string& error) {
    std::unique_ptr<FtdiPort> port(new FtdiPort(std::move(device), settings));
    FtdiDevice& d = *port->device_;
    if (DeviceResult r = d.open(settings.serial); !r.ok()) {
        error = adapter_error(AdapterKind::UsbBitbang, port->who_, "open", r);
        port->device_.reset();  // nothing to let go
        return nullptr;
    }
    if (DeviceResult r = d.start_bitbang(port->outputs_, settings.rate_hz); !r.ok()) {
        error = adapter_error(AdapterKind::UsbBitbang, port->who_, "starting synchronous bit-bang", r);
        return nullptr;
    }
    // The lines rest at the idle levels from the start, as a parallel port's do between writes.
    port->queue_.push_back(port->to_pins_[kIdle]);
    if (!port->send(false)) {
        error = port->failure_;
        return nullptr;
    }
    return port;
}

FtdiPort::~FtdiPort() {
    if (device_) device_->close();
}

void FtdiPort::out(uint16_t address, uint8_t value) {
    if (!failure_.empty() || address != kDataRegister) return;
    queue_.push_back(to_pins_[value & 0x1F]);
    if (queue_.size() >= kMaxQueued) send(false);
}

uint8_t FtdiPort::in(uint16_t address) {
    // Whatever is read, the writes before it go out first: they come before it on the wire.
    uint8_t sample = 0;
    const bool status = address == kStatusRegister;
    if (!send(status, &sample) || !status) return 0xFF;
    const int pin = settings_.pins[BoardLine::Status];
    if (pin == PinMap::kNone) return 0xFF;  // an unwired input floats high
    return (sample >> pin) & 1u ? kStatusData : 0;
}

std::optional<bool> FtdiPort::lock_detect() {
    const int pin = settings_.pins[BoardLine::Ld];
    uint8_t sample = 0;
    if (pin == PinMap::kNone || !send(true, &sample)) return std::nullopt;
    return (sample >> pin) & 1u;
}

void FtdiPort::flush() { send(false); }

bool FtdiPort::send(bool hold, uint8_t* sample) {
    if (!failure_.empty()) {
        queue_.clear();
        return false;
    }
    if (hold) queue_.push_back(queue_.empty() ? last_ : queue_.back());
    if (queue_.empty()) return true;
    samples_.resize(queue_.size());
    DeviceResult r = device_->exchange(queue_, samples_);
    ++transfers_;
    if (!r.ok()) {
        failure_ = adapter_error(AdapterKind::UsbBitbang, who_, "sending to the adapter", r);
        queue_.clear();
        return false;
    }
    bytes_sent_ += queue_.size();
    last_ = queue_.back();
    if (sample) *sample = samples_.back();
    queue_.clear();
    return true;
}

std::string FtdiPort::name() const {
    const std::string description = device_ ? device_->description() : std::string();
    const std::string what = description.empty() ? settings_.serial : description;
    return "USB adapter" + (what.empty() ? std::string() : " " + what) + " (" +
           pins_text(AdapterKind::UsbBitbang, settings_.pins) + ", " + rate_text(settings_.rate_hz) + ")";
}

}  // namespace boardlink
