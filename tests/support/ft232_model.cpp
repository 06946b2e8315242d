#include "tests/support/ft232_model.h"

#include <algorithm>
#include <cstdio>

namespace testing_support {
namespace {

// The vendor requests of the chip's USB side, as its maker documents them.
enum VendorRequest : uint8_t {
    kReset = 0,  // wValue 0: reset, 1: purge the buffer towards the host, 2: the one from it
    kModemCtrl = 1,
    kFlowCtrl = 2,
    kBaudRate = 3,
    kLineProperties = 4,
    kPollModemStatus = 5,
    kEventChar = 6,
    kErrorChar = 7,
    kSetLatency = 9,
    kGetLatency = 10,
    kSetBitMode = 11,
    kReadPins = 12,
};
constexpr uint16_t kPurgeTowardsHost = 1;

// The two bytes that lead every IN packet: modem status (CTS, DSR high on an idle cable) and
// line status (transmitter empty).
constexpr uint8_t kModemStatus = 0x31, kLineStatus = 0x60;

void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t(v >> 8));
}

std::string request_text(const UsbSetup& s) {
    char text[64];
    std::snprintf(text, sizeof text, "%02x/%u value %04x index %04x", unsigned(s.request_type), unsigned(s.request),
                  unsigned(s.value), unsigned(s.index));
    return text;
}

}  // namespace

Ft232Model::Ft232Model(Identity identity, AdapterPins pins) : identity_(std::move(identity)), pins_(std::move(pins)) {}

uint16_t Ft232Model::product_id() const { return identity_.chip == FtdiChip::Ft232H ? 0x6014 : 0x6001; }

std::vector<uint8_t> Ft232Model::descriptors() const {
    const bool h = identity_.chip == FtdiChip::Ft232H;
    std::vector<uint8_t> d = {18, 1};
    put16(d, 0x0200);  // bcdUSB
    d.insert(d.end(), {0, 0, 0, uint8_t(h ? 64 : 8)});
    put16(d, kVendor);
    put16(d, product_id());
    put16(d, h ? 0x0900 : 0x0600);  // bcdDevice: libftdi1 tells the chip class by it
    d.insert(d.end(), {1, 2, 3, 1});
    // Configuration 1: bus powered, 90 mA, one vendor-class interface with a bulk endpoint each way.
    d.insert(d.end(), {9, 2, 32, 0, 1, 1, 0, 0xA0, 45});
    d.insert(d.end(), {9, 4, 0, 0, 2, 0xFF, 0xFF, 0xFF, 2});
    for (uint8_t endpoint : {kInEndpoint, kOutEndpoint}) {
        d.insert(d.end(), {7, 5, endpoint, 2});
        put16(d, max_packet());
        d.push_back(0);
    }
    return d;
}

std::vector<uint8_t> Ft232Model::string_descriptor(uint8_t index) const {
    if (index == 0) return {4, 3, 0x09, 0x04};  // one language: US English
    const std::string* text = index == 1 ? &identity_.maker : index == 2 ? &identity_.product
                            : index == 3 ? &identity_.serial : nullptr;
    if (!text) return {};
    std::vector<uint8_t> d = {uint8_t(2 + 2 * text->size()), 3};
    for (char c : *text) put16(d, uint8_t(c));
    return d;
}

std::optional<std::vector<uint8_t>> Ft232Model::control(const UsbSetup& setup, std::span<const uint8_t> out_data) {
    (void)out_data;  // none of the requests modelled carries data to the device
    std::optional<std::vector<uint8_t>> answer =
        (setup.request_type & 0x60) == 0x40 ? vendor(setup) : (setup.request_type & 0x60) == 0 ? standard(setup) : std::nullopt;
    if (!answer) {
        unknown_.push_back(request_text(setup));
        std::fprintf(stderr, "adapter model: control request it does not know: %s\n", unknown_.back().c_str());
        return answer;
    }
    if (answer->size() > setup.length) answer->resize(setup.length);
    return answer;
}

std::optional<std::vector<uint8_t>> Ft232Model::standard(const UsbSetup& setup) {
    switch (setup.request) {
    case 0: return std::vector<uint8_t>{0, 0};  // GET_STATUS
    case 6: {                                   // GET_DESCRIPTOR
        const uint8_t type = uint8_t(setup.value >> 8), index = uint8_t(setup.value & 0xFF);
        const std::vector<uint8_t> all = descriptors();
        if (type == 1) return std::vector<uint8_t>(all.begin(), all.begin() + 18);
        if (type == 2 && index == 0) return std::vector<uint8_t>(all.begin() + 18, all.end());
        if (type == 3) {
            std::vector<uint8_t> s = string_descriptor(index);
            if (!s.empty()) return s;
        }
        return std::nullopt;
    }
    case 8: return std::vector<uint8_t>{1};  // GET_CONFIGURATION
    case 9:                                    // SET_CONFIGURATION
        if (setup.value == 1) return std::vector<uint8_t>{};
        return std::nullopt;
    default: return std::nullopt;
    }
}

std::optional<std::vector<uint8_t>> Ft232Model::vendor(const UsbSetup& setup) {
    switch (setup.request) {
    case kReset:
        if (setup.value == 0 || setup.value == kPurgeTowardsHost) samples_.clear();
        return std::vector<uint8_t>{};
    case kModemCtrl:
    case kFlowCtrl:
    case kLineProperties:
    case kEventChar:
    case kErrorChar: return std::vector<uint8_t>{};
    case kBaudRate:
        divisor_value_ = setup.value;
        divisor_index_ = setup.index;
        return std::vector<uint8_t>{};
    case kPollModemStatus: return std::vector<uint8_t>{kModemStatus, kLineStatus};
    case kSetLatency:
        latency_ms_ = uint8_t(setup.value & 0xFF);
        return std::vector<uint8_t>{};
    case kGetLatency: return std::vector<uint8_t>{latency_ms_};
    case kSetBitMode:
        output_mask_ = uint8_t(setup.value & 0xFF);
        bit_mode_ = uint8_t(setup.value >> 8);
        return std::vector<uint8_t>{};
    case kReadPins: return std::vector<uint8_t>{sample()};
    default: return std::nullopt;
    }
}

uint8_t Ft232Model::sample() const {
    const uint8_t far = pins_.sense ? pins_.sense() : 0xFF;
    return uint8_t((levels_ & output_mask_) | (far & ~output_mask_));
}

void Ft232Model::bulk_out(std::span<const uint8_t> bytes) {
    bytes_out_ += bytes.size();
    if (bit_mode_ != kSyncBitbang) return;  // a serial line: nothing reaches the pins
    for (uint8_t byte : bytes) {
        // In synchronous bit-bang the pins are read just before each byte goes out.
        samples_.push_back(sample());
        levels_ = byte;
        if (pins_.drive) pins_.drive(uint8_t(levels_ & output_mask_), output_mask_);
    }
}

size_t Ft232Model::bulk_in(std::span<uint8_t> buffer) {
    const size_t packet = max_packet();
    size_t used = 0;
    while (!samples_.empty() && buffer.size() - used > 2) {
        const size_t n = std::min({packet - 2, samples_.size(), buffer.size() - used - 2});
        buffer[used++] = kModemStatus;
        buffer[used++] = kLineStatus;
        for (size_t i = 0; i < n; ++i) {
            buffer[used++] = samples_.front();
            samples_.pop_front();
        }
        if (n < packet - 2) break;  // a short packet ends the transfer
    }
    return used;
}

double Ft232Model::baud_rate() const {
    // The divisor: 14 integer bits, and a fraction in eighths chosen by a 3-bit code whose top
    // bit travels in wIndex (bit 0 on the FT232R, bit 8 on the FT232H, whose bit 9 switches the
    // base clock from 3 MHz to 12 MHz).
    static constexpr double kEighths[8] = {0, 4, 2, 1, 3, 5, 6, 7};
    const bool h = identity_.chip == FtdiChip::Ft232H;
    const unsigned code = (divisor_value_ >> 14) | ((h ? (divisor_index_ >> 8) & 1u : divisor_index_ & 1u) << 2);
    const double base = h && (divisor_index_ & 0x200) ? 12e6 : 3e6;
    const double divisor = (divisor_value_ & 0x3FFF) + kEighths[code] / 8;
    if (divisor == 0) return base;
    if (divisor == 1) return base * 2 / 3;
    return base / divisor;
}

}  // namespace testing_support
