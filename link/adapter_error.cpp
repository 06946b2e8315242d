#include "link/adapter_error.h"

#include <cerrno>
#include <cstring>

namespace boardlink {

DeviceResult fault_of_errno(int err) {
    switch (err) {
    case 0: return {};
    case ENOENT:
    case ENXIO:
    case ENODEV: return {DeviceFault::NoDevice, {}};
    case EACCES:
    case EPERM: return {DeviceFault::Permission, {}};
    case EBUSY: return {DeviceFault::Busy, {}};
    default: return {DeviceFault::Other, std::strerror(err)};
    }
}

std::string adapter_error(AdapterKind kind, const std::string& who, const std::string& step, const DeviceResult& result) {
    const bool usb = kind == AdapterKind::UsbBitbang;
    std::string cause;
    switch (result.fault) {
    case DeviceFault::None: return {};
    case DeviceFault::NoDevice:
        cause = usb ? "no such device (is the adapter plugged in? lsusb lists what is)"
                    : "no such device (ls /dev/gpiochip* lists the GPIO chips)";
        break;
    case DeviceFault::Permission:
        cause = usb ? "permission denied; install the udev rule (the guide's docs/boards.md, \"USB bit-bang adapter\"), "
                      "add your user to group plugdev (sudo usermod -aG plugdev $USER), log in again and replug the adapter"
                    : "permission denied; add your user to group gpio (sudo usermod -aG gpio $USER) and log in again";
        break;
    case DeviceFault::Busy:
        cause = usb ? "the adapter is busy: another program holds it"
                    : "a line is busy: another driver or program holds it (gpioinfo shows who)";
        break;
    case DeviceFault::Gone:
        cause = usb ? "the adapter was unplugged or stopped answering" : "the GPIO chip went away or stopped answering";
        break;
    case DeviceFault::Refused:
    case DeviceFault::Other: cause = result.detail.empty() ? "unknown error" : result.detail; break;
    }
    if (!result.detail.empty() && result.fault != DeviceFault::Refused && result.fault != DeviceFault::Other)
        cause += " (" + result.detail + ")";
    return who + ": " + step + " failed: " + cause;
}

}  // namespace boardlink
