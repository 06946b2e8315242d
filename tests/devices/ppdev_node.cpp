#include "tests/devices/ppdev_node.h"

#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdio>

namespace testing_support {
namespace {

// The status register with nothing but the board on the cable: ERROR, PAPER END and ACK are
// pulled high, BUSY is pulled high and read inverted (0), the three reserved bits read 1.
constexpr uint8_t kIdleStatus = 0x6F, kSelect = 0x10, kPaperEnd = 0x20;

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
    if (request == PPCLAIM && held_by_other_driver) {
        // Answered from the worker's own loop, which goes on serving other clients meanwhile.
        if (GSource* timer = g_timeout_source_new(guint(claim_interrupted_after_.count()))) {
            g_source_set_callback(timer, interrupt_claim, g_object_ref(client), g_object_unref);
            g_source_attach(timer, g_main_context_get_thread_default());
            g_source_unref(timer);
        }
        return;
    }
    if (request == PPCLAIM || request == PPRELEASE) {
        claimed = request == PPCLAIM;
        return complete(client, 0);
    }
    if (request != PPWDATA && request != PPRSTATUS) {
        std::fprintf(stderr, "parallel port model: ioctl it does not know: 0x%lx\n", request);
        return complete(client, ENOTTY);
    }
    IoctlData arg = resolve_arg(client, 1);
    if (!arg || !claimed) return complete(client, arg ? EINVAL : EFAULT);  // the driver wants the claim first
    if (request == PPWDATA) {
        writes.push_back(arg->data[0]);
        board.out(boardlink::kDataRegister, arg->data[0]);
    } else {
        arg->data[0] = uint8_t(kIdleStatus | (board.in(boardlink::kStatusRegister) & kSelect));
        if (!*board.lock_detect()) arg->data[0] &= uint8_t(~kPaperEnd);
    }
    complete(client, 0);
}

}  // namespace testing_support
