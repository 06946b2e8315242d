#pragma once
// Test ports: one that records every access and answers status reads from a script, and one
// that makes the port it wraps fail after a chosen number of accesses.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/latch_protocol.h"
#include "link/port.h"

namespace testing_support {

// One latch write as the model makes it: the word shifted in on `address`, then the LE pulse.
inline void load_word(boardlink::Port& port, uint32_t word, uint16_t address = boardlink::kDataRegister) {
    boardlink::shift_word(port, address, word, 24);
    boardlink::pulse_le(port, boardlink::kDataRegister);
}

class RecordingPort : public boardlink::Port {
public:
    struct Access {
        bool write; uint16_t address; uint8_t value;
        bool operator==(const Access&) const = default;
    };

    void out(uint16_t address, uint8_t value) override { accesses.push_back({true, address, value}); }
    uint8_t in(uint16_t address) override {
        accesses.push_back({false, address, status ? status(reads) : uint8_t(0xFF)});
        ++reads;
        return accesses.back().value;
    }
    void flush() override { ++flushes; }
    std::string name() const override { return "recording port"; }

    // The values written, in order (every address).
    std::vector<uint8_t> writes() const {
        std::vector<uint8_t> values;
        for (const auto& a : accesses)
            if (a.write) values.push_back(a.value);
        return values;
    }
    size_t read_count() const { return reads; }
    void clear() { accesses.clear(); reads = 0; flushes = 0; }

    std::vector<Access> accesses;
    // Answers the n-th status read (n from 0); unset: the line floats high (0xFF).
    std::function<uint8_t(size_t n)> status;
    size_t reads = 0;
    int flushes = 0;
};

// A status script that serves the given bits, most significant first, on status bit 4 and then
// keeps answering with `then`.
inline std::function<uint8_t(size_t)> serve_bits(std::vector<int> bits, int then) {
    return [bits = std::move(bits), then](size_t n) -> uint8_t { return (n < bits.size() ? bits[n] : then) ? 0x10 : 0x00; };
}
// The bits of `value`, `count` of them, most significant first.
inline std::vector<int> bits_of(uint32_t value, int count) {
    std::vector<int> bits;
    for (int k = count - 1; k >= 0; --k) bits.push_back((value >> k) & 1);
    return bits;
}

class FaultInjectingPort : public boardlink::Port {
public:
    FaultInjectingPort(boardlink::Port& inner, size_t good_accesses, std::string reason = "adapter unplugged")
        : inner_(inner), left_(good_accesses), reason_(std::move(reason)) {}

    void out(uint16_t address, uint8_t value) override { if (pass()) inner_.out(address, value); }
    uint8_t in(uint16_t address) override { return pass() ? inner_.in(address) : 0xFF; }
    void flush() override { inner_.flush(); }
    std::string name() const override { return inner_.name(); }
    std::string failure() const override { return failed_ ? reason_ : std::string{}; }
    void mark(std::string_view action) override { inner_.mark(action); }
    std::optional<uint32_t> access_rate_hz() const override { return inner_.access_rate_hz(); }

private:
    bool pass() {
        failed_ = failed_ || left_ == 0;
        if (!failed_) --left_;
        return !failed_;
    }
    boardlink::Port& inner_;
    size_t left_;
    std::string reason_;
    bool failed_ = false;
};

}  // namespace testing_support
