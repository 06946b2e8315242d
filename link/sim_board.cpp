#include "link/sim_board.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace boardlink {
namespace {

constexpr uint8_t kClk = 1, kDataBit = 2, kLe = 4, kConverterClock = 8;

bool rising(uint8_t before, uint8_t after, uint8_t bit) { return !(before & bit) && (after & bit); }
bool falling(uint8_t before, uint8_t after, uint8_t bit) { return (before & bit) && !(after & bit); }

int64_t monotonic_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr uint32_t kCpThreeState = 1u << 9, kPowerDown = 1u << 20, kNCpGain = 1u << 21, kLdPrecision = 1u << 18;

}  // namespace

SimBoard::SimBoard() : SimBoard(Converter{}) {}
SimBoard::SimBoard(Converter converter) : converter_(converter) { clock_ = monotonic_ns; }

void SimBoard::set_clock(Clock clock) {
    std::lock_guard lock(mutex_);
    clock_ = clock ? std::move(clock) : Clock(monotonic_ns);
}

void SimBoard::set_loop(std::shared_ptr<const LoopSettling> loop) {
    std::lock_guard lock(mutex_);
    loop_ = std::move(loop);
    hop_.reset();  // the next word settles by the new loop
}

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
    const int64_t now = clock_();
    return {latches_, words_loaded_, output_frequency_hz(), vco_frequency_at(now), muxout_at(now), now};
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
        latched_at_ns_ = clock_();
        follow_loop(*latched_at_ns_);
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

std::optional<double> SimBoard::programmed_vco_hz() const {
    auto p = prescaler_modulus();
    if (!p || !latches_[1] || !latches_[2]) return std::nullopt;
    uint32_t r = (*latches_[1] >> 2) & 0x3FFFu;
    if (r == 0) return std::nullopt;
    uint32_t n_word = *latches_[2];
    uint32_t b = (n_word >> 8) & 0x1FFFu, a = (n_word >> 2) & 0x1Fu;
    // The chip without dual-modulus prescaler divides by B alone; its A bits are not used.
    return (single_modulus_ ? double(b) : static_cast<double>(*p) * b + a) * kRefInHz / r;
}

std::optional<double> SimBoard::output_frequency_hz() const {
    auto f = programmed_vco_hz();
    if (f && (*latches_[2] & (1u << 22))) *f /= 2;
    return f;
}

}  // namespace boardlink

namespace boardlink {

bool SimBoard::loop_open() const {
    const uint32_t control = latches_[0].value_or(0);
    return (control & kCpThreeState) || (control & kPowerDown);
}

void SimBoard::follow_loop(int64_t t_ns) {
    const auto target = programmed_vco_hz();
    if (!target || !(*target > 0)) {
        hop_.reset();
        return;
    }
    const double pfd_hz = kRefInHz / double((*latches_[1] >> 2) & 0x3FFFu);
    // The current the N latch's gain bit picks: setting 2 while it is set, else setting 1.
    const uint32_t control = latches_[0].value_or(0);
    const int code = int((*latches_[2] & kNCpGain) ? (control >> 17) & 7u : (control >> 14) & 7u);
    const int cycles = (*latches_[1] & kLdPrecision) ? 5 : 3;

    const bool same_aim = hop_ && hop_->step.to_hz == *target && hop_->step.pfd_hz == pfd_hz;
    if (same_aim && hop_->step.pump.back().code == code && hop_->step.lock_detect_cycles == cycles) return;
    if (same_aim) {
        // Only the current or the precision changed: the same hop goes on with it from now.
        if (hop_->step.pump.back().code != code) hop_->step.pump.push_back({double(t_ns - hop_->start_ns) * 1e-9, code});
        hop_->step.lock_detect_cycles = cycles;
    } else {
        // A new aim: the loop starts from wherever the VCO is now (the first words: from the aim).
        const double from = hop_ ? vco_frequency_at(t_ns).value_or(*target) : *target;
        hop_ = Hop{t_ns, SettlingStep{from, *target, pfd_hz, {{0, code}}, cycles}, nullptr};
    }
    hop_->settling = loop_ ? loop_->settle(hop_->step) : nullptr;
}

std::optional<double> SimBoard::vco_frequency_at(int64_t t_ns) const {
    if (!hop_) return std::nullopt;
    if (!hop_->settling) return hop_->step.to_hz;
    return hop_->settling->frequency_hz(double(t_ns - hop_->start_ns) * 1e-9);
}

bool SimBoard::lock_detect_at(int64_t t_ns) const {
    if (!hop_ || loop_open()) return false;
    if (!hop_->settling) return true;
    return hop_->settling->lock_detect(double(t_ns - hop_->start_ns) * 1e-9);
}

SimBoard::Level SimBoard::muxout_at(int64_t t_ns) const {
    if (!latches_[0]) return Level::Floating;
    const auto high_if = [](bool high) { return high ? Level::High : Level::Low; };
    // A divider output is a pulse one input cycle wide at every PFD edge.
    const auto pulse = [&](double input_hz) {
        const auto vco = vco_frequency_at(t_ns);
        if (!vco || !latches_[1]) return Level::Low;
        const double pfd_period = double((*latches_[1] >> 2) & 0x3FFFu) / kRefInHz;
        return high_if(std::fmod(double(t_ns) * 1e-9, pfd_period) < 1 / input_hz);
    };
    switch ((*latches_[0] >> 5) & 7u) {
    case 1: return high_if(lock_detect_at(t_ns));
    case 2: return pulse(vco_frequency_at(t_ns).value_or(kRefInHz) / prescaler_modulus().value_or(1));
    case 3: return Level::High;
    case 4: return pulse(kRefInHz);
    case 5:  // open drain: pulled low while unlocked, released (floating) when locked
        if (single_modulus_) return Level::Floating;
        return lock_detect_at(t_ns) ? Level::Floating : Level::Low;
    case 6:  // the shift register's last stage
        if (single_modulus_) return Level::Floating;
        return high_if(shift_ & (1u << 23));
    case 7: return Level::Low;
    default: return Level::Floating;
    }
}

std::optional<SimBoard::Trace> SimBoard::settling_trace(int64_t span_ns, int points) const {
    std::lock_guard lock(mutex_);
    if (!hop_ || points < 2) return std::nullopt;
    const int64_t span = std::clamp<int64_t>(clock_() - hop_->start_ns, 0, span_ns);
    Trace trace;
    for (int i = 0; i < points; ++i) {
        const int64_t dt = span * i / (points - 1);
        trace.t_s.push_back(double(dt) * 1e-9);
        trace.hz.push_back(vco_frequency_at(hop_->start_ns + dt).value_or(0));
    }
    return trace;
}

std::optional<int64_t> SimBoard::latched_at_ns() const {
    std::lock_guard lock(mutex_);
    return latched_at_ns_;
}

std::optional<bool> SimBoard::lock_detect() {
    std::lock_guard lock(mutex_);
    return muxout_at(clock_()) != Level::Low;
}

}  // namespace boardlink
