#pragma once
// How a call into an adapter's library ended, and the message the user reads for it: the same
// causes as for the parallel port (no such device, permission, busy), each with its remedy, and
// the adapter that went away while the tool ran.
#include <string>

#include "link/adapter_pins.h"

namespace boardlink {

enum class DeviceFault {
    None,
    NoDevice,    // nothing of that name is there
    Permission,  // it is there, but the user may not open it
    Busy,        // another driver or program holds it (or one of its lines)
    Gone,        // it went away or stopped answering (unplugged)
    Refused,     // it refused a setting (a rate it cannot make, a line it has not)
    Other,       // anything else; the detail says what
};

struct DeviceResult {
    DeviceFault fault = DeviceFault::None;
    std::string detail;  // the library's or the system's own words, if any

    bool ok() const { return fault == DeviceFault::None; }
};

// The cause of an errno from opening or driving a device.
DeviceResult fault_of_errno(int err);

// "<who>: <step> failed: <cause>" with the remedy for that cause on this kind of adapter.
std::string adapter_error(AdapterKind kind, const std::string& who, const std::string& step, const DeviceResult& result);

}  // namespace boardlink
