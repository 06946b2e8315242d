#include "tests/devices/usbdevfs_node.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace testing_support {
namespace {

void complete(UMockdevIoctlClient* client, int err) { umockdev_ioctl_client_complete(client, err ? -1 : 0, err); }

std::string hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char two[3];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", unsigned(b));
        text += two;
    }
    return text;
}

UsbSetup setup_of(const uint8_t* p) {
    return {p[0], p[1], uint16_t(p[2] | p[3] << 8), uint16_t(p[4] | p[5] << 8), uint16_t(p[6] | p[7] << 8)};
}

}  // namespace

UsbdevfsNode::UsbdevfsNode(DeviceBed& bed) {
    bed.attach("/dev/bus/usb/001/002", *this);
    bed.add("P: /devices/pci0000:00/0000:00:14.0/usb1/1-2\nN: bus/usb/001/002\n"
            "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: BUSNUM=001\nE: DEVNUM=002\n"
            "E: DEVNAME=/dev/bus/usb/001/002\nA: busnum=1\\n\nA: devnum=2\\n\nA: bConfigurationValue=1\\n\n"
            "A: speed=12\\n\nH: descriptors=" + hex(model_.descriptors()) + "\n");
}

UsbdevfsNode::~UsbdevfsNode() {
    for (auto* list : {&waiting_in_, &done_})
        for (Urb& u : *list) {
            g_object_unref(u.urb);
            if (u.buffer) g_object_unref(u.buffer);
        }
}

void UsbdevfsNode::handle(UMockdevIoctlClient* client) {
    std::lock_guard lock(mutex_);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    if (unplugged_) {
        // URBs in flight come back failed, then the node answers nothing more.
        while (!waiting_in_.empty()) {
            finish(waiting_in_.front(), -ESHUTDOWN, 0);
            waiting_in_.pop_front();
        }
        if ((request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB) && !done_.empty()) return reap(client);
        return complete(client, ENODEV);
    }
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        IoctlData caps = resolve_arg(client, sizeof(uint32_t));
        const uint32_t value = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                               USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
        std::memcpy(caps->data, &value, sizeof value);
        return complete(client, 0);
    }
    case USBDEVFS_GETDRIVER: return complete(client, ENODATA);  // no kernel driver holds it in the bed
    case USBDEVFS_IOCTL: {
        IoctlData arg = resolve_arg(client, sizeof(usbdevfs_ioctl));
        usbdevfs_ioctl command;
        std::memcpy(&command, arg->data, sizeof command);
        if (command.ioctl_code == int(USBDEVFS_DISCONNECT)) return complete(client, ENODATA);
        std::fprintf(stderr, "adapter model: USBDEVFS_IOCTL %d it does not know\n", command.ioctl_code);
        return complete(client, ENOTTY);
    }
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_RESET:
    case USBDEVFS_CLEAR_HALT: return complete(client, 0);
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM: return complete(client, claimed_elsewhere_ ? EBUSY : 0);
    case USBDEVFS_SUBMITURB: return submit(client);
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: return reap(client);
    case USBDEVFS_DISCARDURB: return discard(client);
    default:
        std::fprintf(stderr, "adapter model: usbdevfs request it does not know: 0x%lx\n", request);
        return complete(client, ENOTTY);
    }
}

void UsbdevfsNode::submit(UMockdevIoctlClient* client) {
    IoctlData urb_data = resolve_arg(client, sizeof(usbdevfs_urb));
    auto* urb = reinterpret_cast<usbdevfs_urb*>(urb_data->data);
    UMockdevIoctlData* buffer =
        urb->buffer_length > 0
            ? umockdev_ioctl_data_resolve(urb_data.get(), offsetof(usbdevfs_urb, buffer), size_t(urb->buffer_length), nullptr)
            : nullptr;
    Urb held{static_cast<UMockdevIoctlData*>(g_object_ref(urb_data.get())), buffer};
    std::span<uint8_t> bytes = buffer ? std::span<uint8_t>(buffer->data, size_t(buffer->data_len)) : std::span<uint8_t>();
    if (urb->type == USBDEVFS_URB_TYPE_CONTROL && bytes.size() >= 8) {
        const UsbSetup setup = setup_of(bytes.data());
        const auto answer = model_.control(setup);
        if (!answer) {
            finish(held, -EPIPE, 0);
        } else {
            const size_t n = std::min(answer->size(), bytes.size() - 8);
            if (n) std::memcpy(bytes.data() + 8, answer->data(), n);
            finish(held, 0, int((setup.request_type & 0x80) ? n : setup.length));
        }
    } else if (urb->type == USBDEVFS_URB_TYPE_BULK && urb->endpoint == Ft232Model::kOutEndpoint) {
        model_.bulk_out(bytes);
        finish(held, 0, int(bytes.size()));
        serve_in();
    } else if (urb->type == USBDEVFS_URB_TYPE_BULK && urb->endpoint == Ft232Model::kInEndpoint) {
        waiting_in_.push_back(held);
        serve_in();
    } else {
        std::fprintf(stderr, "adapter model: URB type %d on endpoint %d it does not know\n", urb->type, urb->endpoint);
        g_object_unref(held.urb);
        if (held.buffer) g_object_unref(held.buffer);
        return complete(client, EINVAL);
    }
    complete(client, 0);
}

// IN URBs complete as soon as samples wait, with as many whole packets as fit.
void UsbdevfsNode::serve_in() {
    while (!waiting_in_.empty() && model_.has_samples()) {
        Urb u = waiting_in_.front();
        waiting_in_.pop_front();
        const size_t n = u.buffer ? model_.bulk_in(std::span<uint8_t>(u.buffer->data, size_t(u.buffer->data_len))) : 0;
        finish(u, 0, int(n));
    }
}

void UsbdevfsNode::finish(Urb u, int status, int actual_length) {
    auto* urb = reinterpret_cast<usbdevfs_urb*>(u.urb->data);
    urb->status = status;
    urb->actual_length = actual_length;
    done_.push_back(u);
}

void UsbdevfsNode::reap(UMockdevIoctlClient* client) {
    if (done_.empty()) return complete(client, unplugged_ ? ENODEV : EAGAIN);
    Urb u = done_.front();
    done_.pop_front();
    IoctlData pointer = resolve_arg(client, sizeof(void*));
    umockdev_ioctl_data_set_ptr(pointer.get(), 0, u.urb);
    complete(client, 0);
    g_object_unref(u.urb);
    if (u.buffer) g_object_unref(u.buffer);
}

void UsbdevfsNode::discard(UMockdevIoctlClient* client) {
    const gulong address = *reinterpret_cast<const gulong*>(umockdev_ioctl_client_get_arg(client)->data);
    for (auto it = waiting_in_.begin(); it != waiting_in_.end(); ++it)
        if (it->urb->client_addr == address) {
            Urb u = *it;
            waiting_in_.erase(it);
            finish(u, -ENOENT, 0);
            return complete(client, 0);
        }
    complete(client, EINVAL);
}

}  // namespace testing_support
