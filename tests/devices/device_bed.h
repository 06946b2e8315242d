#pragma once
// A umockdev test bed: device nodes and sysfs entries in a temporary tree that the preload
// library (libumockdev-preload.so) puts in place of /dev and /sys for this process and its
// children, with the ioctls of chosen nodes answered by our own models. The models answer on
// the bed's worker thread.
#include <gio/gio.h>
#include <umockdev.h>

#include <memory>
#include <vector>
#include <string>

namespace testing_support {

// One emulated device node whose ioctls a model answers.
class IoctlNode {
public:
    virtual ~IoctlNode() = default;
    // Answers the client's present ioctl, now or later, with umockdev_ioctl_client_complete.
    virtual void handle(UMockdevIoctlClient* client) = 0;
};

class DeviceBed {
public:
    // Why the bed cannot start in this process (the preload library is not loaded, umockdev
    // refuses), or empty when it can.
    static std::string why_not();

    DeviceBed();
    ~DeviceBed();
    DeviceBed(const DeviceBed&) = delete;
    DeviceBed& operator=(const DeviceBed&) = delete;

    // Answers the ioctls of `devnode` with `node` (which must outlive the bed); call it before the
    // device is added, so that no program finds the node unanswered.
    void attach(const std::string& devnode, IoctlNode& node);
    // Adds devices in umockdev's text form ("P: /devices/...", "N: node", "E: KEY=value",
    // "A: attr=value", "H: attr=hex"); false with the reason on stderr when it does not take it.
    bool add(const std::string& description);
    // Where the bed's tree lives (the stand-in for /).
    std::string root() const;

private:
    UMockdevTestbed* bed_ = nullptr;
    std::vector<UMockdevIoctlBase*> handlers_;
};

// A GObject reference released at scope end.
struct GObjectUnref {
    void operator()(void* object) const {
        if (object) g_object_unref(object);
    }
};
using IoctlData = std::unique_ptr<UMockdevIoctlData, GObjectUnref>;

// The memory the ioctl argument points to, `length` bytes, loaded from the client and written
// back to it when the ioctl completes; null for a null pointer.
IoctlData resolve_arg(UMockdevIoctlClient* client, size_t length);

}  // namespace testing_support
