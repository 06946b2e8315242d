#include "link/sim_board.h"

#include <algorithm>
#include <cmath>

namespace boardlink {
namespace {

constexpr uint8_t kClk = 1, kDataBit = 2, kLe = 4, kConverterClock = 8;

bool rising(uint8_t before, uint8_t after, uint8_t bit) { return !(before & bit) && (after & bit); }
bool falling(uint8_t before, uint8_t after, uint8_t bit) { return (before & bit) && !(after & bit); }

}  // namespace

SimBoard::SimBoard() : SimBoard(Converter{}) {}
SimBoard::SimBoard(Converter converter) : converter_(converter) {}

void SimBoard::out(uint16_t address, uint8_t value) {
    bool loaded = false;
    {
        std::lock_guard lock(mutex_);
        loaded = take(address, value);
    }
    if (!loaded) return;
    std::lock_guard lock(listener_mutex_);
    if (listener_) listener_();
}

void SimBoard::set_listener(std::function<void()> listener) {
    std::lock_guard lock(listener_mutex_);
    listener_ = std::move(listener);
}

SimBoard::View SimBoard::view() const {
    std::lock_guard lock(mutex_);
    return {latches_, words_loaded_, output_frequency_hz()};
}

bool SimBoard::take(uint16_t address, uint8_t value) {
    if (address != kDataRegister) return false;
    bool loaded = false;
    uint8_t before = data_;
    data_ = value;

    if (rising(before, value, kClk))
        shift_ = ((shift_ << 1) | ((value & kDataBit) ? 1u : 0u)) & 0xFFFFFFu;
    if (rising(before, value, kLe)) {
        latches_[shift_ & 3u] = shift_;
        history_.push_back(shift_);
        if (history_.size() > kHistory) history_.pop_front();
        ++words_loaded_;
        loaded = true;
    }

    if (!converter_.present) return loaded;
    if (falling(before, value, kConverterClock)) {
        output_cycle_ = out_bits_ > 0;
        if (output_cycle_) {
            --out_bits_;
            out_line_ = (out_value_ >> out_bits_) & 1u;
        } else {
            out_line_ = false;
        }
    }
    if (rising(before, value, kConverterClock) && !output_cycle_) {
        in_byte_ = static_cast<uint8_t>((in_byte_ << 1) | ((value & kDataBit) ? 1 : 0));
        if (++in_bits_ == 8) {
            in_bits_ = 0;
            on_converter_byte(in_byte_);
        }
    }
    if (rising(before, value, kConverterClock)) output_cycle_ = false;
    return loaded;
}

uint8_t SimBoard::in(uint16_t address) {
    if (address != kStatusRegister) return 0xFF;
    std::lock_guard lock(mutex_);
    if (!converter_.present) return 0xFF;  // the line floats high
    return out_line_ ? 0x10 : 0x00;
}

void SimBoard::on_converter_byte(uint8_t byte) {
    switch (byte) {
    case 68:  // starts an operation on the input selected by the byte before
        busy_left_ = converter_.busy_polls;
        break;
    case 8:
    case 9:
    case 11: {  // status request: bit 7 is the busy flag
        bool busy = busy_left_ != 0;
        if (busy_left_ > 0) --busy_left_;
        out_value_ = busy ? 0x80u : 0x00u;
        out_bits_ = 8;
        break;
    }
    case 56: out_value_ = code_for(converter_.vp_volts); out_bits_ = 16; break;
    case 57: out_value_ = code_for(converter_.vdd_volts); out_bits_ = 16; break;
    case 59:  // the current-sense input: Vdd plus the drop of Idd across 20 ohms
        out_value_ = code_for(converter_.vdd_volts + idd_milliamps() / 1000.0 * 20.0);
        out_bits_ = 16;
        break;
    default:  // input selection and configuration bytes carry no answer
        break;
    }
}

uint16_t SimBoard::code_for(double volts) const {
    double code = std::round(volts / 5.0 * 65536.0);
    return static_cast<uint16_t>(std::clamp(code, 0.0, 65535.0));
}

double SimBoard::idd_milliamps() const {
    const auto& control = latches_[0];
    if (!control) return 22.0;  // power-on defaults
    uint32_t word = *control;
    if (word & (1u << 20)) return 0.8;  // asynchronous or synchronous power-down
    int core = (word >> 2) & 3, output = (word >> 12) & 3;
    return 18.0 + 3.0 * core + 2.0 * output;
}

std::optional<int> SimBoard::prescaler_modulus() const {
    if (single_modulus_) return 1;
    if (!latches_[0]) return std::nullopt;
    switch ((*latches_[0] >> 22) & 3u) {
    case 0: return 8;
    case 1: return 16;
    default: return 32;
    }
}

std::optional<double> SimBoard::output_frequency_hz() const {
    auto p = prescaler_modulus();
    if (!p || !latches_[1] || !latches_[2]) return std::nullopt;
    uint32_t r = (*latches_[1] >> 2) & 0x3FFFu;
    if (r == 0) return std::nullopt;
    uint32_t n_word = *latches_[2];
    uint32_t b = (n_word >> 8) & 0x1FFFu, a = (n_word >> 2) & 0x1Fu;
    // The chip without dual-modulus prescaler divides by B alone; its A bits are not used.
    double f = (single_modulus_ ? double(b) : static_cast<double>(*p) * b + a) * kRefInHz / r;
    if (n_word & (1u << 22)) f /= 2;
    return f;
}

}  // namespace boardlink
