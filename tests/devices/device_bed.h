#pragma once
// A umockdev test bed: device nodes and sysfs entries that the preload library puts in place of
// /dev and /sys for this process and its children, their ioctls answered by our models.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <umockdev.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// A model answering a node's ioctls (on the bed's thread), now or later, by umockdev_ioctl_client_complete.
class IoctlNode {
public:
    virtual ~IoctlNode() = default;
    virtual void handle(UMockdevIoctlClient* client) = 0;
};

inline void complete(UMockdevIoctlClient* client, int err) { umockdev_ioctl_client_complete(client, err ? -1 : 0, err); }

class DeviceBed {
public:
    // Why the bed cannot start in this process, or empty when it can.
    static std::string why_not() {
        const char* preload = std::getenv("LD_PRELOAD");
        if (!preload || !std::strstr(preload, "libumockdev-preload"))
            return "the umockdev preload library is not loaded (LD_PRELOAD=" + std::string(preload ? preload : "") + ")";
        return {};
    }

    DeviceBed() : bed_(umockdev_testbed_new()) {}
    ~DeviceBed() {
        g_object_unref(bed_);  // closes the nodes' sockets before the handlers go
        for (UMockdevIoctlBase* handler : handlers_) g_object_unref(handler);
    }
    DeviceBed(const DeviceBed&) = delete;
    DeviceBed& operator=(const DeviceBed&) = delete;

    // Answers the ioctls of `devnode` with `node` (which must outlive the bed), then adds the
    // device in umockdev's text form ("P: /devices/...", "N: node", "E: KEY=value", "A: attr=value",
    // "H: attr=hex"), so that no program finds the node unanswered.
    void add(const std::string& devnode, IoctlNode& node, const std::string& description) {
        UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
        g_signal_connect(handler, "handle-ioctl", G_CALLBACK(+[](UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer n) {
                             static_cast<IoctlNode*>(n)->handle(client);
                             return gboolean(TRUE);
                         }), &node);
        handlers_.push_back(handler);
        GError* error = nullptr;
        if (!umockdev_testbed_attach_ioctl(bed_, devnode.c_str(), handler, &error) ||
            !umockdev_testbed_add_from_string(bed_, description.c_str(), &error))
            ADD_FAILURE() << "device bed: " << devnode << ": " << (error ? error->message : "?");
        g_clear_error(&error);
    }
    // Where the bed's tree lives (the stand-in for /).
    std::string root() const { return std::unique_ptr<gchar, void (*)(gpointer)>(umockdev_testbed_get_root_dir(bed_), g_free).get(); }

private:
    UMockdevTestbed* bed_ = nullptr;
    std::vector<UMockdevIoctlBase*> handlers_;
};

// The memory the ioctl argument points to, `length` bytes, loaded from the client and written
// back to it when the ioctl completes; null for a null pointer.
using IoctlData = std::unique_ptr<UMockdevIoctlData, void (*)(gpointer)>;
inline IoctlData resolve_arg(UMockdevIoctlClient* client, size_t length) {
    return {umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, nullptr), g_object_unref};
}

// The base of every device test: a fresh device bed, or the test skipped with the reason.
class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = DeviceBed::why_not(); !why.empty()) GTEST_SKIP() << "umockdev cannot start: " << why;
        bed = std::make_unique<DeviceBed>();
    }
    void renew_bed() {  // for the next case of a table
        bed.reset();  // first: a bed unsets the location of the tree as it goes
        bed = std::make_unique<DeviceBed>();
    }
    std::unique_ptr<DeviceBed> bed;
};

}  // namespace testing_support
