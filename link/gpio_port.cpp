#include "link/gpio_port.h"

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
    if (DeviceResult r = c.request(outputs, port->last_levels_, input, kConsumer); !r.ok()) {
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

void GpioPort::out(uint16_t address, uint8_t value) {
    if (!failure_.empty() || address != kDataRegister) return;
    levels_of(value, levels_);
    if (levels_ == last_levels_) return;  // no line changes: nothing to do on the wire
    if (DeviceResult r = chip_->set(levels_); !r.ok()) return fail("setting the lines", r);
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

std::string GpioPort::name() const {
    const std::string description = chip_ ? chip_->description() : std::string();
    return "GPIO " + (description.empty() ? settings_.chip : description) + " (" +
           pins_text(AdapterKind::Gpio, settings_.pins) + ")";
}

}  // namespace boardlink
