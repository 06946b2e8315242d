#include "link/gpio_port.h"

#include <time.h>

#include "link/latch_protocol.h"

namespace boardlink {

GpioPort::GpioPort(std::unique_ptr<GpioChip> chip, const GpioSettings& settings)
    : chip_(std::move(chip)), settings_(settings), who_("GPIO chip " + settings.chip) {
    for (int bit = 0; bit < kDataLines; ++bit)
        if (settings.pins.pin[size_t(bit)] != PinMap::kNone) data_bits_.push_back(bit);
}

std::unique_ptr<GpioPort> GpioPort::open(std::unique_ptr<GpioChip> chip, const GpioSettings& settings,
                                         std::string& error) {
    std::unique_ptr<GpioPort> port(new GpioPort(std::move(chip), settings));
    GpioChip& c = *port->chip_;
    if (DeviceResult r = c.open(gpio_chip_name(settings.chip)); !r.ok()) {
        error = adapter_error(AdapterKind::Gpio, port->who_, "open", r);
        port->chip_.reset();  // nothing to let go
        return nullptr;
    }
    const unsigned count = c.line_count();
    for (int line = 0; line < kBoardLines; ++line) {
        const int offset = settings.pins.pin[size_t(line)];
        if (offset != PinMap::kNone && unsigned(offset) >= count) {
            error = adapter_error(AdapterKind::Gpio, port->who_, "taking the lines",
                                  {DeviceFault::Refused, std::string(kBoardLineNames[size_t(line)]) + " is on line " +
                                                             std::to_string(offset) + ", but the chip has lines 0 .. " +
                                                             std::to_string(int(count) - 1) + " only"});
            return nullptr;
        }
    }
    std::vector<unsigned> outputs;
    for (int bit : port->data_bits_) outputs.push_back(unsigned(settings.pins.pin[size_t(bit)]));
    // The lines start at the idle levels, as a parallel port's rest between writes.
    port->levels_of(kIdle, port->last_levels_);
    std::optional<unsigned> input;
    if (int status = settings.pins[BoardLine::Status]; status != PinMap::kNone) input = unsigned(status);
    std::optional<unsigned> edges;
    if (int ld = settings.pins[BoardLine::Ld]; ld != PinMap::kNone) edges = unsigned(ld);
    port->last_value_ = kIdle;
    if (DeviceResult r = c.request(outputs, port->last_levels_, input, edges, kConsumer); !r.ok()) {
        error = adapter_error(AdapterKind::Gpio, port->who_, "taking the lines", r);
        return nullptr;
    }
    return port;
}

GpioPort::~GpioPort() {
    if (chip_) chip_->close();
}

void GpioPort::levels_of(uint8_t value, std::vector<int>& levels) const {
    levels.resize(data_bits_.size());
    for (size_t i = 0; i < data_bits_.size(); ++i) levels[i] = (value >> data_bits_[i]) & 1;
}

void GpioPort::fail(const char* step, const DeviceResult& result) {
    if (failure_.empty()) failure_ = adapter_error(AdapterKind::Gpio, who_, step, result);
}

namespace {

int64_t monotonic_ns() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

}  // namespace

void GpioPort::out(uint16_t address, uint8_t value) {
    if (!failure_.empty() || address != kDataRegister) return;
    const bool le_rises = (value & kLeBit) && !(last_value_ & kLeBit);
    last_value_ = value;
    levels_of(value, levels_);
    if (levels_ == last_levels_) return;  // no line changes: nothing to do on the wire
    if (DeviceResult r = chip_->set(levels_); !r.ok()) return fail("setting the lines", r);
    // On the clock the kernel stamps the lock-detect edges by, once the lines have moved.
    if (le_rises) latched_at_ns_ = monotonic_ns();
    last_levels_.swap(levels_);
}

uint8_t GpioPort::in(uint16_t address) {
    if (!failure_.empty() || address != kStatusRegister || settings_.pins[BoardLine::Status] == PinMap::kNone)
        return 0xFF;  // an unwired STATUS floats high, as an absent converter's line does
    int level = 0;
    if (DeviceResult r = chip_->get(level); !r.ok()) {
        fail("reading STATUS", r);
        return 0xFF;
    }
    return level ? 0x10 : 0x00;
}

std::optional<bool> GpioPort::lock_detect() {
    if (!failure_.empty() || settings_.pins[BoardLine::Ld] == PinMap::kNone) return std::nullopt;
    int level = 0;
    if (DeviceResult r = chip_->get_edge_line(level); !r.ok()) {
        fail("reading LD", r);
        return std::nullopt;
    }
    return level != 0;
}

bool GpioPort::lock_edges(std::vector<LockEdge>& edges, int64_t& resolution_ns) {
    if (!failure_.empty() || settings_.pins[BoardLine::Ld] == PinMap::kNone) return false;
    if (DeviceResult r = chip_->read_edges(edges); !r.ok()) {
        fail("reading LD", r);
        return false;
    }
    timespec res{};
    ::clock_getres(CLOCK_MONOTONIC, &res);
    resolution_ns = std::max<int64_t>(int64_t(res.tv_sec) * 1'000'000'000 + res.tv_nsec, 1);
    return true;
}

std::string GpioPort::name() const {
    const std::string description = chip_ ? chip_->description() : std::string();
    return "GPIO " + (description.empty() ? settings_.chip : description) + " (" +
           pins_text(AdapterKind::Gpio, settings_.pins) + ")";
}

}  // namespace boardlink
