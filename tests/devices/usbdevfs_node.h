#pragma once
// A USB bit-bang adapter in the device bed: its sysfs entry (what libusb enumerates from) and its
// node /dev/bus/usb/001/NNN, whose usbdevfs ioctls (claims, control transfers, URBs submitted,
// reaped and discarded) are answered by the adapter model with the simulated board on its pins.
#include <atomic>
#include <deque>
#include <mutex>

#include "tests/devices/device_bed.h"
#include "tests/support/board_on_pins.h"
#include "tests/support/ft232_model.h"

namespace testing_support {

class UsbdevfsNode : public IoctlNode {
public:
    explicit UsbdevfsNode(DeviceBed& bed);
    ~UsbdevfsNode() override;

    void handle(UMockdevIoctlClient* client) override;

    // From any thread: the adapter is pulled out (every later request fails with ENODEV), or
    // another program holds its interface (claims fail with EBUSY).
    void unplug() { unplugged_ = true; }
    void claim_elsewhere(bool held) { claimed_elsewhere_ = held; }

    // For the test thread once no client uses them.
    Ft232Model& model() { return model_; }
    boardlink::SimBoard& board() { return wired_.board; }

private:
    struct Urb {
        UMockdevIoctlData* urb;     // the client's struct usbdevfs_urb
        UMockdevIoctlData* buffer;  // its buffer; null when empty
    };
    void submit(UMockdevIoctlClient* client);
    void reap(UMockdevIoctlClient* client);
    void discard(UMockdevIoctlClient* client);
    void serve_in();
    void finish(Urb urb, int status, int actual_length);

    BoardOnPins wired_;
    Ft232Model model_{wired_};
    std::mutex mutex_;
    std::deque<Urb> waiting_in_;  // IN URBs waiting for samples
    std::deque<Urb> done_;        // URBs to be reaped
    std::atomic<bool> unplugged_{false};
    std::atomic<bool> claimed_elsewhere_{false};
};

}  // namespace testing_support
