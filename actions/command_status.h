#pragma once
// The IEEE 488.2 status model of a command session: the error/event queue, the standard event
// status register (ESR) with its enable mask (ESE), and the status byte (STB) with its service
// request enable mask (SRE).
//
//   ESR bit 0 operation complete (*OPC), 2 query error (-4xx), 3 device-dependent error (-3xx),
//       4 execution error (-2xx), 5 command error (-1xx), 7 power on
//   STB bit 2 error/event queue not empty, 4 message available, 5 event status summary
//       (ESR & ESE), 6 request service (STB & SRE, bits 0..5 and 7)
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace commands {

struct Error;

class StatusModel {
public:
    static constexpr size_t kQueueDepth = 16;
    enum : uint8_t {
        kOperationComplete = 0x01, kQueryError = 0x04, kDeviceError = 0x08, kExecutionError = 0x10,
        kCommandError = 0x20, kPowerOn = 0x80,
    };
    enum : uint8_t { kErrorAvailable = 0x04, kMessageAvailable = 0x10, kEventSummary = 0x20, kRequestService = 0x40 };

    StatusModel() : esr_(kPowerOn) {}

    // Queues an error as `<code>,"<text>"` and sets its class's ESR bit. A full queue keeps its
    // first errors and puts -350 "Queue overflow" in its last place.
    void queue(const Error& error);
    // The oldest error, taken off the queue; 0,"No error" when there is none.
    std::string next_error();
    size_t error_count() const { return errors_.size(); }
    // *CLS: the queue and the event register emptied; the enable masks stay.
    void clear();

    void set_event(uint8_t bits) { esr_ |= bits; }
    // *ESR?: read and cleared.
    uint8_t take_events();
    uint8_t event_enable() const { return ese_; }
    void set_event_enable(uint8_t mask) { ese_ = mask; }
    uint8_t service_enable() const { return sre_; }
    void set_service_enable(uint8_t mask) { sre_ = mask & uint8_t(~kRequestService); }
    // *STB?, with or without a message waiting to be read.
    uint8_t status_byte(bool message_available) const;

private:
    std::deque<std::string> errors_;
    uint8_t esr_, ese_ = 0, sre_ = 0;
};

}  // namespace commands
