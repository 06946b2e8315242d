// The USB bit-bang adapter through libftdi1. Nothing here can run without an adapter; the
// backend's logic (queueing, pin map, samples, failures) lives in ftdi_port.cpp and is tested
// through a recording device in its place.
#include <ftdi.h>
#include <libusb.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "link/ftdi_device.h"

namespace boardlink {
namespace {

// Whether the user may not open the adapter's device node: the usual cause when libusb cannot
// open it (no udev rule giving the user access).
bool node_denied(libusb_device* dev) {
    char path[64];
    std::snprintf(path, sizeof path, "/dev/bus/usb/%03u/%03u", unsigned(libusb_get_bus_number(dev)),
                  unsigned(libusb_get_device_address(dev)));
    return ::access(path, R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM);
}

class UsbFtdiDevice : public FtdiDevice {
public:
    ~UsbFtdiDevice() override { close(); }

    DeviceResult open(const std::string& serial) override {
        ctx_ = ftdi_new();
        if (!ctx_) return {DeviceFault::Other, "libftdi could not start"};
        ftdi_device_list* list = nullptr;
        const int found = ftdi_usb_find_all(ctx_, &list, 0, 0);  // 0, 0: the library's known adapters
        if (found < 0) return end_open({DeviceFault::Other, ftdi_get_error_string(ctx_)}, list);
        bool denied = false;
        for (ftdi_device_list* d = list; d; d = d->next) {
            char maker[128] = "", product[128] = "", number[128] = "";
            if (ftdi_usb_get_strings(ctx_, d->dev, maker, sizeof maker, product, sizeof product, number, sizeof number) < 0) {
                denied = denied || node_denied(d->dev);
                if (!serial.empty()) continue;  // its serial number cannot be told
            }
            if (!serial.empty() && serial != number) continue;
            if (const int r = ftdi_usb_open_dev(ctx_, d->dev); r < 0) {
                const std::string words = ftdi_get_error_string(ctx_);
                if (r == -5) return end_open({DeviceFault::Busy, words}, list);
                if (node_denied(d->dev) || words.find("permission") != std::string::npos)
                    return end_open({DeviceFault::Permission, words}, list);
                return end_open({DeviceFault::Other, words}, list);
            }
            open_ = true;
            // Kept short: the main window's status line shows it.
            description_ = std::string(product[0] ? product : "adapter").substr(0, 32) +
                           (number[0] ? std::string(", serial ") + std::string(number).substr(0, 32) : "");
            return end_open({}, list);
        }
        if (denied) return end_open({DeviceFault::Permission, {}}, list);
        return end_open({DeviceFault::NoDevice, serial.empty() ? std::string() : "no adapter with serial number " + serial},
                        list);
    }

    DeviceResult start_bitbang(uint8_t outputs, uint32_t rate_hz) override {
        // The mode first: the library sets bit-bang rates differently from serial baud rates.
        if (ftdi_set_bitmode(ctx_, outputs, BITMODE_SYNCBB) < 0) return {DeviceFault::Other, ftdi_get_error_string(ctx_)};
        if (ftdi_set_baudrate(ctx_, int(rate_hz)) < 0)
            return {DeviceFault::Refused, "the adapter cannot step at " + std::to_string(rate_hz) + " Hz (" +
                                              ftdi_get_error_string(ctx_) + "); try another --rate"};
        // Samples of a short transfer come back at once instead of after the default 16 ms; a
        // chip that refuses it only answers status reads more slowly.
        ftdi_set_latency_timer(ctx_, 1);
        if (ftdi_tcioflush(ctx_) < 0) return {DeviceFault::Other, ftdi_get_error_string(ctx_)};  // stale samples
        return {};
    }

    DeviceResult exchange(std::span<const uint8_t> bytes, std::span<uint8_t> samples) override {
        const int n = int(bytes.size());
        // The samples are read while the bytes go out: in synchronous bit-bang the adapter stops
        // stepping once its buffer of samples is full.
        ftdi_transfer_control* reading = ftdi_read_data_submit(ctx_, samples.data(), n);
        if (!reading) return {DeviceFault::Gone, ftdi_get_error_string(ctx_)};
        ftdi_transfer_control* writing = ftdi_write_data_submit(ctx_, const_cast<uint8_t*>(bytes.data()), n);
        if (!writing) {
            timeval wait{0, 100'000};
            ftdi_transfer_data_cancel(reading, &wait);
            return {DeviceFault::Gone, ftdi_get_error_string(ctx_)};
        }
        const int written = ftdi_transfer_data_done(writing);
        if (written != n) {
            timeval wait{0, 100'000};
            ftdi_transfer_data_cancel(reading, &wait);
            return {DeviceFault::Gone, written < 0 ? ftdi_get_error_string(ctx_)
                                                   : "the adapter took " + std::to_string(written) + " of " +
                                                         std::to_string(n) + " bytes"};
        }
        const int read = ftdi_transfer_data_done(reading);
        if (read != n)
            return {DeviceFault::Gone, read < 0 ? ftdi_get_error_string(ctx_)
                                                : "the adapter answered " + std::to_string(read) + " of " +
                                                      std::to_string(n) + " samples"};
        return {};
    }

    void close() override {
        if (!ctx_) return;
        if (open_) ftdi_usb_close(ctx_);  // the pins keep their levels: bit-bang is not left
        ftdi_free(ctx_);
        ctx_ = nullptr;
        open_ = false;
    }

    std::string description() const override { return description_; }

private:
    DeviceResult end_open(DeviceResult result, ftdi_device_list* list) {
        if (list) ftdi_list_free(&list);
        return result;
    }

    ftdi_context* ctx_ = nullptr;
    bool open_ = false;
    std::string description_;
};

}  // namespace

std::unique_ptr<FtdiDevice> make_usb_ftdi_device() { return std::make_unique<UsbFtdiDevice>(); }

}  // namespace boardlink
