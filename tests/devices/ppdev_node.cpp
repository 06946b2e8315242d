#include "tests/devices/ppdev_node.h"

#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace testing_support {
namespace {

gboolean interrupt_claim(gpointer client) {
    umockdev_ioctl_client_complete(static_cast<UMockdevIoctlClient*>(client), -1, EINTR);
    return G_SOURCE_REMOVE;
}

void complete(UMockdevIoctlClient* client, int err) { umockdev_ioctl_client_complete(client, err ? -1 : 0, err); }

}  // namespace

PpdevNode::PpdevNode(DeviceBed& bed, std::chrono::milliseconds claim_interrupted_after)
    : claim_interrupted_after_(claim_interrupted_after) {
    bed.attach(kDevnode, *this);
    bed.add("P: /devices/platform/parport_pc.956/parport/parport0/ppdev/parport0\n"
            "N: parport0\n"
            "E: SUBSYSTEM=ppdev\n"
            "E: DEVNAME=/dev/parport0\n");
}

void PpdevNode::handle(UMockdevIoctlClient* client) {
    std::lock_guard lock(mutex_);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    uint8_t byte = 0;
    switch (request) {
    case PPCLAIM:
        if (model_.claim() == PpdevModel::Claim::Granted) return complete(client, 0);
        // Answered from the worker's own loop, which goes on serving other clients meanwhile.
        if (GSource* timer = g_timeout_source_new(guint(claim_interrupted_after_.count()))) {
            g_source_set_callback(timer, interrupt_claim, g_object_ref(client), g_object_unref);
            g_source_attach(timer, g_main_context_get_thread_default());
            g_source_unref(timer);
        }
        return;
    case PPRELEASE:
        model_.release();
        return complete(client, 0);
    case PPWDATA: {
        IoctlData arg = resolve_arg(client, 1);
        return complete(client, arg ? model_.write_data(arg->data[0]) : EFAULT);
    }
    case PPRSTATUS:
    case PPRDATA: {
        IoctlData arg = resolve_arg(client, 1);
        if (!arg) return complete(client, EFAULT);
        const int err = request == PPRSTATUS ? model_.read_status(byte) : model_.read_data(byte);
        arg->data[0] = byte;
        return complete(client, err);
    }
    default:
        model_.log_unknown(request);
        return complete(client, ENOTTY);
    }
}

}  // namespace testing_support
