#pragma once
// The few calls the USB bit-bang backend makes of its adapter, as one small interface: the real
// one goes through libftdi1 (make_usb_ftdi_device), tests put a recording one in its place and see
// exactly what would go to the adapter.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "link/adapter_error.h"

namespace boardlink {

class FtdiDevice {
public:
    virtual ~FtdiDevice() = default;

    // Opens the first adapter of the FT232R or FT232H class found, or the one with this serial
    // number (empty: the first).
    virtual DeviceResult open(const std::string& serial) = 0;
    // Synchronous bit-bang: the pins set in `outputs` are driven, the others are inputs; the
    // adapter steps through the bytes it is given at `rate_hz`.
    virtual DeviceResult start_bitbang(uint8_t outputs, uint32_t rate_hz) = 0;
    // One USB transfer: the adapter puts `bytes` on its pins one after the other and samples all
    // eight pins at each step, so `samples` (as long as `bytes`) gets one sample per byte.
    // Whether a step's sample is taken just before or just as its byte takes effect differs
    // between chip classes; the backend does not rely on either.
    virtual DeviceResult exchange(std::span<const uint8_t> bytes, std::span<uint8_t> samples) = 0;
    // Lets the adapter go. Its pins keep the levels last written (no spurious edges at the end).
    virtual void close() = 0;
    // What the adapter calls itself ("FT232R USB UART, serial A10K2XYZ"), once open.
    virtual std::string description() const = 0;
};

// The adapter reached through libftdi1.
std::unique_ptr<FtdiDevice> make_usb_ftdi_device();

}  // namespace boardlink
