// The adapters' backends through their real ioctls and libraries, against emulated devices: the
// tool runs as a user runs it, and its ppdev calls on /dev/parport0 and its libftdi1 and libusb
// calls on /dev/bus/usb/001/002 are answered by models with the simulated board on their lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/ppdev.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <deque>
#include <mutex>

#include "link/parport.h"
#include "link/sim_board.h"
#include "tests/devices/device_bed.h"
#include "tests/support/ft232_model.h"
#include "tests/support/recording_port.h"
#include "tests/support/tool_process.h"
#include "tests/support/trace_reader.h"

namespace {

using namespace testing_support;

// /dev/parport0: data bits 0..4 out, STATUS on select (status bit 4), MUXOUT on paper end (status
// bit 5, pin 12) as the lock-detect line.
class PpdevNode : public IoctlNode {
public:
    static constexpr const char* kDevnode = "/dev/parport0";

    explicit PpdevNode(DeviceBed& bed) {
        bed.add(kDevnode, *this,
                "P: /devices/platform/parport_pc.956/parport/parport0/ppdev/parport0\nN: parport0\n"
                "E: SUBSYSTEM=ppdev\nE: DEVNAME=/dev/parport0\n");
    }

    void handle(UMockdevIoctlClient* client) override {
        std::lock_guard lock(mutex_);
        const unsigned long request = umockdev_ioctl_client_get_request(client);
        if (request == PPCLAIM && held_by_other_driver) {
            // Such a claim sleeps until a signal interrupts it; the preload library retries its wait
            // on a signal, so the node ends it with EINTR after the claim time-out, from the worker's
            // own loop, which goes on serving other clients meanwhile.
            GSource* timer = g_timeout_source_new(guint(boardlink::ParallelPort::kClaimTimeout.count()));
            g_source_set_callback(timer, +[](gpointer c) {
                umockdev_ioctl_client_complete(static_cast<UMockdevIoctlClient*>(c), -1, EINTR);
                return gboolean(G_SOURCE_REMOVE);
            }, g_object_ref(client), g_object_unref);
            g_source_attach(timer, g_main_context_get_thread_default());
            return g_source_unref(timer);
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
            // With nothing but the board on the cable ERROR, PAPER END and ACK are pulled high,
            // BUSY is pulled high and read inverted (0), the three reserved bits read 1.
            arg->data[0] = uint8_t(0x6F | (board.in(boardlink::kStatusRegister) & 0x10));
            if (!*board.lock_detect()) arg->data[0] &= uint8_t(~0x20);
        }
        complete(client, 0);
    }

    // Set before a client comes; read by the test thread once no client uses them.
    bool held_by_other_driver = false;
    bool claimed = false;
    std::vector<uint8_t> writes;  // to the data register
    boardlink::SimBoard board;

private:
    std::mutex mutex_;
};


class BoardLinks : public DeviceTest {};

// Lock detect on pin 12, read with the port's status ioctl as MUXOUT drives it, and each latch
// load stamped on the monotonic clock the lock time is measured by.
TEST_F(BoardLinks, ParallelPortReadsLockDetectOnPaperEnd) {
    PpdevNode node(*bed);
    std::string error;
    auto port = boardlink::ParallelPort::open(PpdevNode::kDevnode, error);
    ASSERT_TRUE(port) << error;
    for (const auto& [control, high] : {std::pair{0x60u, true}, {0xE0u, false}}) {  // MUXOUT to DVdd, to DGnd
        timespec before{};
        ::clock_gettime(CLOCK_MONOTONIC, &before);
        load_word(*port, control);
        EXPECT_EQ(port->lock_detect(), high) << std::hex << control;
        ASSERT_TRUE(port->latched_at_ns());
        EXPECT_GE(*port->latched_at_ns(), int64_t(before.tv_sec) * 1'000'000'000 + before.tv_nsec);
    }
}

// /dev/bus/usb/001/002: the adapter model answers the usbdevfs ioctls (claims, control transfers,
// URBs submitted, reaped and discarded).
class UsbdevfsNode : public IoctlNode {
public:
    explicit UsbdevfsNode(DeviceBed& bed) {
        std::string descriptors;
        for (uint8_t b : model.descriptors()) descriptors += "0123456789abcdef"[b >> 4], descriptors += "0123456789abcdef"[b & 15];
        bed.add("/dev/bus/usb/001/002", *this,
                "P: /devices/pci0000:00/0000:00:14.0/usb1/1-2\nN: bus/usb/001/002\n"
                "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: BUSNUM=001\nE: DEVNUM=002\n"
                "E: DEVNAME=/dev/bus/usb/001/002\nA: busnum=1\\n\nA: devnum=2\\n\nA: bConfigurationValue=1\\n\n"
                "A: speed=12\\n\nH: descriptors=" + descriptors + "\n");
    }
    ~UsbdevfsNode() override {
        for (auto* list : {&waiting_in_, &done_})
            for (Urb& u : *list) release(u);
    }

    void handle(UMockdevIoctlClient* client) override {
        std::lock_guard lock(mutex_);
        const unsigned long request = umockdev_ioctl_client_get_request(client);
        if (unplugged) {
            // URBs in flight come back failed, then the node answers nothing more.
            for (; !waiting_in_.empty(); waiting_in_.pop_front()) finish(waiting_in_.front(), -ESHUTDOWN, 0);
            if ((request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB) && !done_.empty()) return reap(client);
            return complete(client, ENODEV);
        }
        switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            const uint32_t caps = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                  USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
            std::memcpy(resolve_arg(client, sizeof caps)->data, &caps, sizeof caps);
            return complete(client, 0);
        }
        case USBDEVFS_GETDRIVER: return complete(client, ENODATA);  // no kernel driver holds it in the bed
        case USBDEVFS_IOCTL: {
            usbdevfs_ioctl command;
            std::memcpy(&command, resolve_arg(client, sizeof command)->data, sizeof command);
            if (command.ioctl_code == int(USBDEVFS_DISCONNECT)) return complete(client, ENODATA);
            std::fprintf(stderr, "adapter model: USBDEVFS_IOCTL %d it does not know\n", command.ioctl_code);
            return complete(client, ENOTTY);
        }
        case USBDEVFS_RELEASEINTERFACE: return complete(client, 0);
        case USBDEVFS_CLAIMINTERFACE: case USBDEVFS_DISCONNECT_CLAIM: return complete(client, claimed_elsewhere ? EBUSY : 0);
        case USBDEVFS_SUBMITURB: return submit(client);
        case USBDEVFS_REAPURB: case USBDEVFS_REAPURBNDELAY: return reap(client);
        case USBDEVFS_DISCARDURB: return discard(client);
        default:
            std::fprintf(stderr, "adapter model: usbdevfs request it does not know: 0x%lx\n", request);
            return complete(client, ENOTTY);
        }
    }

    // From any thread: the adapter is pulled out (every later request fails with ENODEV), or
    // another program holds its interface (claims fail with EBUSY).
    std::atomic<bool> unplugged{false}, claimed_elsewhere{false};
    // For the test thread once no client uses them.
    BoardOnPins wired;
    Ft232Model model{wired};

private:
    struct Urb {
        UMockdevIoctlData* urb;     // the client's struct usbdevfs_urb
        UMockdevIoctlData* buffer;  // its buffer; null when empty
    };
    static void release(Urb u) {
        g_object_unref(u.urb);
        if (u.buffer) g_object_unref(u.buffer);
    }

    void submit(UMockdevIoctlClient* client) {
        IoctlData urb_data = resolve_arg(client, sizeof(usbdevfs_urb));
        auto* urb = reinterpret_cast<usbdevfs_urb*>(urb_data->data);
        UMockdevIoctlData* buffer =
            urb->buffer_length > 0
                ? umockdev_ioctl_data_resolve(urb_data.get(), offsetof(usbdevfs_urb, buffer), size_t(urb->buffer_length), nullptr)
                : nullptr;
        Urb held{static_cast<UMockdevIoctlData*>(g_object_ref(urb_data.get())), buffer};
        std::span<uint8_t> bytes = buffer ? std::span<uint8_t>(buffer->data, size_t(buffer->data_len)) : std::span<uint8_t>();
        if (urb->type == USBDEVFS_URB_TYPE_CONTROL && bytes.size() >= 8) {
            const uint8_t* p = bytes.data();
            const UsbSetup setup{p[0], p[1], uint16_t(p[2] | p[3] << 8), uint16_t(p[4] | p[5] << 8), uint16_t(p[6] | p[7] << 8)};
            const auto answer = model.control(setup);
            const size_t n = answer ? std::min(answer->size(), bytes.size() - 8) : 0;
            if (n) std::memcpy(bytes.data() + 8, answer->data(), n);
            finish(held, answer ? 0 : -EPIPE, !answer ? 0 : int((setup.request_type & 0x80) ? n : setup.length));
        } else if (urb->type == USBDEVFS_URB_TYPE_BULK && urb->endpoint == Ft232Model::kOutEndpoint) {
            model.bulk_out(bytes);
            finish(held, 0, int(bytes.size()));
            serve_in();
        } else if (urb->type == USBDEVFS_URB_TYPE_BULK && urb->endpoint == Ft232Model::kInEndpoint) {
            waiting_in_.push_back(held);
            serve_in();
        } else {
            std::fprintf(stderr, "adapter model: URB type %d on endpoint %d it does not know\n", urb->type, urb->endpoint);
            release(held);
            return complete(client, EINVAL);
        }
        complete(client, 0);
    }
    // IN URBs complete as soon as samples wait, with as many whole packets as fit.
    void serve_in() {
        for (; !waiting_in_.empty() && model.has_samples(); waiting_in_.pop_front()) {
            const Urb u = waiting_in_.front();
            finish(u, 0, u.buffer ? int(model.bulk_in(std::span<uint8_t>(u.buffer->data, size_t(u.buffer->data_len)))) : 0);
        }
    }
    void finish(Urb u, int status, int actual_length) {
        auto* urb = reinterpret_cast<usbdevfs_urb*>(u.urb->data);
        urb->status = status;
        urb->actual_length = actual_length;
        done_.push_back(u);
    }
    void reap(UMockdevIoctlClient* client) {
        if (done_.empty()) return complete(client, unplugged ? ENODEV : EAGAIN);
        const Urb u = done_.front();
        done_.pop_front();
        umockdev_ioctl_data_set_ptr(resolve_arg(client, sizeof(void*)).get(), 0, u.urb);
        complete(client, 0);
        release(u);
    }
    void discard(UMockdevIoctlClient* client) {
        const gulong address = *reinterpret_cast<const gulong*>(umockdev_ioctl_client_get_arg(client)->data);
        const auto it = std::find_if(waiting_in_.begin(), waiting_in_.end(), [&](const Urb& u) { return u.urb->client_addr == address; });
        if (it == waiting_in_.end()) return complete(client, EINVAL);
        finish(*it, -ENOENT, 0);
        waiting_in_.erase(it);
        complete(client, 0);
    }

    std::mutex mutex_;
    std::deque<Urb> waiting_in_;  // IN URBs waiting for samples
    std::deque<Urb> done_;        // URBs to be reaped
};

class UsbAdapter : public DeviceTest {};

// A full write (the frequency's latches) and a supply readback through each backend; the port is
// released at the end. The USB rate reaches the adapter: 4 x 2400 = 9600 baud from the chip's
// 3 MHz is a divisor of 312.5, sent as 0x4138; CLK .. D4 are outputs on D0 .. D4, STATUS on D5 not.
TEST_F(BoardLinks, FullWriteAndReadbackReachTheBoard) {
    for (const bool usb : {false, true}) {
        renew_bed();
        PpdevNode port(*bed);
        UsbdevfsNode adapter(*bed);
        std::vector<std::string> args = {"--headless", "--variant", "ksy7100-1", "--exec", "FREQ 2400.2;LATC:SEND ALL;MEAS:SUPP?;SYST:LINK?", "--link"};
        args.insert(args.end(), usb ? std::initializer_list<std::string>{"ftdi", "--rate", "2400"} : std::initializer_list<std::string>{"parport"});
        ToolProcess tool(args);
        ASSERT_EQ(tool.wait(), 0) << tool.err();
        boardlink::SimBoard& board = usb ? adapter.wired.board : port.board;
        EXPECT_NEAR(board.output_frequency_hz().value_or(0), 2400.2e6, 1) << tool.err();
        double vdd = -1, vp = -1;  // MEAS:SUPP? answers "3.30,4.50,25.0": Vdd, Vp, ...
        std::sscanf(tool.out().c_str(), "%lf,%lf", &vdd, &vp);
        EXPECT_NEAR(vdd, board.converter().vdd_volts, 0.01) << tool.out();
        EXPECT_NEAR(vp, board.converter().vp_volts, 0.01) << tool.out();
        EXPECT_NE(tool.out().find(usb ? "FTDI,FIRST,OK" : "PARPORT,/dev/parport0,OK"), std::string::npos) << tool.out();
        if (usb) {
            EXPECT_EQ(std::tuple(adapter.model.bit_mode, adapter.model.output_mask, adapter.model.divisor_value),
                      std::tuple(Ft232Model::kSyncBitbang, 0x1F, 0x4138));
        } else {
            EXPECT_FALSE(port.claimed) << "released at the end";
        }
    }
}

// A port or adapter that cannot be had: the tool says why, and nothing reaches either. For a node
// the user may not open the tool runs as nobody (CI runs as root), the bed's node (a link a chmod
// would pass through) replaced by a file of root's; libusb cannot start unprivileged in the bed.
TEST_F(BoardLinks, RefusalsNameTheCause) {
    const std::vector<std::string> as_nobody = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    struct Case { const char* link; bool busy, unprivileged; const char *claimed, *cause; };
    const Case cases[] = {
        {"parport", true, false, "Parallel Port", "/dev/parport0: claim failed: the port is busy"},
        {"parport", false, true, "Parallel Port", "/dev/parport0: open failed: permission denied; add your user to group lp"},
        {"ftdi:NOSUCH01", false, false, "USB Adapter", "(no adapter with serial number NOSUCH01)"},
        {"ftdi", true, false, "USB Adapter", "open failed: the adapter is busy: another program holds it"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cause);
        if (c.unprivileged && (::geteuid() != 0 || ::access(as_nobody[0].c_str(), X_OK) != 0)) {
            std::printf("Not run: %s: not root, or no setpriv\n", c.cause);
            continue;
        }
        renew_bed();
        PpdevNode port(*bed);
        UsbdevfsNode adapter(*bed);
        port.held_by_other_driver = adapter.claimed_elsewhere = c.busy;
        if (c.unprivileged) {
            const std::string path = bed->root() + PpdevNode::kDevnode;
            ::unlink(path.c_str());
            ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0600));
        }
        ToolProcess tool({"--headless", "--variant", "ksy7100-1", "--link", c.link, "--exec", "FREQ 2400.2"},
                         c.unprivileged ? as_nobody : std::vector<std::string>{});
        ASSERT_EQ(tool.wait(), 4) << tool.err();  // a headless run without its link runs no command
        EXPECT_NE(tool.err().find("Failed to claim " + std::string(c.claimed) + ": "), std::string::npos) << tool.err();
        EXPECT_NE(tool.err().find(c.cause), std::string::npos) << tool.err();
        EXPECT_TRUE(port.writes.empty() && adapter.model.bytes_out == 0);
    }
}

// Pulled out while a hop run writes to it (opened by its serial number): reported once (one -310,
// the link FAILED), and the trace ends whole with the failure marked.
TEST_F(UsbAdapter, UnpluggedDuringAHopRun) {
    UsbdevfsNode node(*bed);
    const int port = free_tcp_port();
    const std::string trace = temp_path("unplugged.vcd");
    ToolProcess tool({"--headless", "--variant", "ksy7100-1", "--link", "ftdi:T3ST0001", "--trace", trace,
                      "--scpi=" + std::to_string(port), "--exec", "HOP:STAR 2400,2410,2"});
    ASSERT_TRUE(poll_until([&] { return node.wired.board.view().words_loaded >= 12; }, std::chrono::seconds(30)))
        << "the hop run did not start: " << tool.err();
    node.unplugged = true;
    ASSERT_TRUE(tool.wait_for_err("command server on")) << tool.err();
    CommandClient client(port);
    std::string state;
    poll_until([&] { return (state = client.ask("SYST:LINK?")).find("FAILED") != std::string::npos; }, std::chrono::seconds(30));
    EXPECT_NE(state.find("FTDI,T3ST0001,FAILED,\"USB adapter T3ST0001: sending to the adapter failed: the adapter was unplugged"),
              std::string::npos) << state;
    client.ask("HOP:STOP;*OPC?");
    client.tell("FREQ 2400.2");
    client.tell("FREQ 2400.4");
    const std::string errors = client.ask("SYST:ERR:ALL?");
    EXPECT_TRUE(errors.find("-310") != std::string::npos && errors.find("-310") == errors.rfind("-310")) << errors;
    client.tell("SYST:EXIT");
    EXPECT_EQ(tool.wait(), 0) << tool.err();

    const auto reading = read_trace(trace);
    EXPECT_EQ(std::tuple(reading.problem, reading.complete), std::tuple("", true));
    EXPECT_GE(reading.link_failed_at, 0);
    EXPECT_EQ(std::count_if(reading.marks.begin(), reading.marks.end(), [](const auto& m) { return m.action.rfind("LinkFailed:", 0) == 0; }), 1);
}

}  // namespace

// The tests run under umockdev's preload library, which must be loaded before the program starts:
// without it the program starts itself again with it; where that fails, every test says why it is skipped.
int main(int argc, char** argv) {
    if (!testing_support::DeviceBed::why_not().empty() && !std::getenv("KSY_DEVICE_TESTS_RESTARTED")) {
        const char* preload = std::getenv("LD_PRELOAD");
        const char* asan = std::getenv("ASAN_OPTIONS");
        ::setenv("KSY_DEVICE_TESTS_RESTARTED", "1", 1);
        ::setenv("LD_PRELOAD", ("libumockdev-preload.so.0" + std::string(preload ? ":" : "") + (preload ? preload : "")).c_str(), 1);
        // AddressSanitizer wants its runtime first among the libraries loaded; the preload
        // library comes before it, which is harmless here.
        ::setenv("ASAN_OPTIONS", ((asan ? std::string(asan) + ":" : std::string()) + "verify_asan_link_order=0").c_str(), 1);
        ::execv("/proc/self/exe", argv);
        std::perror("device_tests: cannot restart under the umockdev preload library");
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
