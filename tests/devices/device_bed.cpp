#include "tests/devices/device_bed.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace testing_support {
namespace {

gboolean on_ioctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer node) {
    static_cast<IoctlNode*>(node)->handle(client);
    return TRUE;
}

}  // namespace

std::string DeviceBed::why_not() {
    const char* preload = std::getenv("LD_PRELOAD");
    if (!preload || !std::strstr(preload, "libumockdev-preload"))
        return "the umockdev preload library is not loaded (LD_PRELOAD=" + std::string(preload ? preload : "") + ")";
    return {};
}

DeviceBed::DeviceBed() : bed_(umockdev_testbed_new()) {}

DeviceBed::~DeviceBed() {
    g_object_unref(bed_);  // closes the nodes' sockets before the handlers go
    for (UMockdevIoctlBase* handler : handlers_) g_object_unref(handler);
}

void DeviceBed::attach(const std::string& devnode, IoctlNode& node) {
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(on_ioctl), &node);
    handlers_.push_back(handler);
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(bed_, devnode.c_str(), handler, &error)) {
        std::fprintf(stderr, "device bed: cannot answer %s: %s\n", devnode.c_str(), error ? error->message : "?");
        g_clear_error(&error);
    }
}

bool DeviceBed::add(const std::string& description) {
    GError* error = nullptr;
    const bool ok = umockdev_testbed_add_from_string(bed_, description.c_str(), &error);
    if (!ok) {
        std::fprintf(stderr, "device bed: %s\n", error ? error->message : "cannot add the device");
        g_clear_error(&error);
    }
    return ok;
}

std::string DeviceBed::root() const {
    gchar* dir = umockdev_testbed_get_root_dir(bed_);
    std::string root = dir;
    g_free(dir);
    return root;
}

IoctlData resolve_arg(UMockdevIoctlClient* client, size_t length) {
    return IoctlData(umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, nullptr));
}

}  // namespace testing_support
