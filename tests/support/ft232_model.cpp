#include "tests/support/ft232_model.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace testing_support {
namespace {

// The vendor requests that change what the model does; it takes the others and ignores them.
enum VendorRequest : uint8_t { kReset = 0, kBaudRate = 3, kSetBitMode = 11 };

// The two bytes that lead every IN packet: modem status (CTS, DSR high) and line status.
constexpr uint8_t kModemStatus = 0x31, kLineStatus = 0x60;
constexpr size_t kPacket = 64;

void put16(std::vector<uint8_t>& out, uint16_t v) { out.insert(out.end(), {uint8_t(v & 0xFF), uint8_t(v >> 8)}); }

std::optional<std::vector<uint8_t>> string_descriptor(uint8_t index) {
    if (index == 0) return std::vector<uint8_t>{4, 3, 0x09, 0x04};  // one language: US English
    const char* const texts[] = {"Test Maker", "FT232R USB UART", "T3ST0001"};
    if (index > 3) return std::nullopt;
    const std::string text = texts[index - 1];
    std::vector<uint8_t> d = {uint8_t(2 + 2 * text.size()), 3};
    for (char c : text) put16(d, uint8_t(c));
    return d;
}

}  // namespace

std::vector<uint8_t> Ft232Model::descriptors() const {
    std::vector<uint8_t> d = {18, 1, 0x00, 0x02, 0, 0, 0, 8, 0x03, 0x04, 0x01, 0x60};  // USB 2.0, vendor 0403, product 6001
    d.insert(d.end(), {0x00, 0x06, 1, 2, 3, 1});  // bcdDevice 6.00: libftdi1 tells the chip class by it
    // Configuration 1: bus powered, 90 mA, one vendor-class interface with a bulk endpoint each way.
    d.insert(d.end(), {9, 2, 32, 0, 1, 1, 0, 0xA0, 45});
    d.insert(d.end(), {9, 4, 0, 0, 2, 0xFF, 0xFF, 0xFF, 2});
    for (uint8_t endpoint : {kInEndpoint, kOutEndpoint}) d.insert(d.end(), {7, 5, endpoint, 2, uint8_t(kPacket), 0, 0});
    return d;
}

std::optional<std::vector<uint8_t>> Ft232Model::control(const UsbSetup& s) {
    std::optional<std::vector<uint8_t>> answer;
    if (s.request_type == 0x40) {  // a vendor request to the device
        if (s.request == kReset && s.value <= 1) samples_.clear();  // a reset, or a purge towards the host
        if (s.request == kBaudRate) divisor_value = s.value;
        if (s.request == kSetBitMode) output_mask = uint8_t(s.value & 0xFF), bit_mode = uint8_t(s.value >> 8);
        answer.emplace();
    } else if (s.request_type == 0x80 && s.request == 6 && (s.value >> 8) == 3) {  // GET_DESCRIPTOR, a string
        answer = string_descriptor(uint8_t(s.value & 0xFF));
    }
    if (!answer) {
        std::fprintf(stderr, "adapter model: control request it does not know: %02x/%u value %04x index %04x\n",
                     unsigned(s.request_type), unsigned(s.request), unsigned(s.value), unsigned(s.index));
    } else if (answer->size() > s.length) {
        answer->resize(s.length);
    }
    return answer;
}

void Ft232Model::bulk_out(std::span<const uint8_t> bytes) {
    bytes_out += bytes.size();
    if (bit_mode != kSyncBitbang) return;  // a serial line: nothing reaches the pins
    for (uint8_t byte : bytes) {
        // In synchronous bit-bang the pins are read just before each byte goes out.
        samples_.push_back(uint8_t((levels_ & output_mask) | (far_.sense() & ~output_mask)));
        levels_ = byte;
        far_.drive(levels_ & output_mask);
    }
}

size_t Ft232Model::bulk_in(std::span<uint8_t> buffer) {
    size_t used = 0;
    while (!samples_.empty() && buffer.size() - used > 2) {
        const size_t n = std::min({kPacket - 2, samples_.size(), buffer.size() - used - 2});
        buffer[used++] = kModemStatus;
        buffer[used++] = kLineStatus;
        for (size_t i = 0; i < n; ++i, samples_.pop_front()) buffer[used++] = samples_.front();
        if (n < kPacket - 2) break;  // a short packet ends the transfer
    }
    return used;
}

}  // namespace testing_support
