// The parallel-port backend through its real ioctls, answered by an emulated /dev/parport0 with
// the simulated board on its cable: data bits 0..4 out, STATUS on select (status bit 4), MUXOUT
// on paper end (status bit 5, pin 12) as the lock-detect line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "link/parport.h"
#include "tests/devices/device_bed.h"
#include "tests/support/recording_port.h"
#include "tests/support/tool_process.h"

namespace {

using namespace testing_support;

class PpdevNode : public IoctlNode {
public:
    static constexpr const char* kDevnode = "/dev/parport0";

    // A claim of a port another driver holds sleeps until a signal interrupts it; the preload
    // library retries its wait on a signal, so the node itself ends the claim with EINTR after
    // the backend's claim time-out.
    explicit PpdevNode(DeviceBed& bed) {
        bed.add(kDevnode, *this,
                "P: /devices/platform/parport_pc.956/parport/parport0/ppdev/parport0\nN: parport0\n"
                "E: SUBSYSTEM=ppdev\nE: DEVNAME=/dev/parport0\n");
    }

    void handle(UMockdevIoctlClient* client) override {
        std::lock_guard lock(mutex_);
        const unsigned long request = umockdev_ioctl_client_get_request(client);
        if (request == PPCLAIM && held_by_other_driver) {
            // Answered from the worker's own loop, which goes on serving other clients meanwhile.
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

class ParallelPort : public DeviceTest {};

TEST_F(ParallelPort, FullWriteAndReadbackReachTheBoard) {
    PpdevNode node(*bed);
    ToolProcess tool({"--headless", "--variant", "ksy7100-1", "--link", "parport", "--exec",
                      "FREQ 2400.2;LATC:SEND ALL;MEAS:SUPP?;SYST:LINK?"});
    ASSERT_EQ(tool.wait(), 0) << tool.err();
    EXPECT_FALSE(node.claimed);  // released at the end
    EXPECT_NEAR(node.board.output_frequency_hz().value_or(0), 2400.2e6, 1) << tool.err();
    expect_supplies(tool.out(), node.board);
    EXPECT_NE(tool.out().find("PARPORT,/dev/parport0,OK"), std::string::npos) << tool.out();
}

// Lock detect on pin 12, read with the port's status ioctl as MUXOUT drives it, and each latch
// load stamped on the monotonic clock the lock time is measured by.
TEST_F(ParallelPort, LockDetectIsReadOnPaperEnd) {
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

// A port that cannot be had: the tool says why, and nothing reaches the port. For a node the user
// may not open the tool runs as nobody (CI runs as root), and the bed's node, a link a chmod would
// pass through, gives way to a file of root's.
TEST_F(ParallelPort, RefusalsNameTheCause) {
    const std::vector<std::string> as_nobody = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    for (const bool unprivileged : {false, true}) {
        const char* cause = unprivileged ? "/dev/parport0: open failed: permission denied; add your user to group lp"
                                         : "/dev/parport0: claim failed: the port is busy";
        SCOPED_TRACE(cause);
        if (unprivileged && (::geteuid() != 0 || ::access(as_nobody[0].c_str(), X_OK) != 0)) {
            std::printf("Not run: %s: not root, or no setpriv\n", cause);
            continue;
        }
        renew_bed();
        PpdevNode node(*bed);
        node.held_by_other_driver = !unprivileged;
        if (unprivileged) {
            const std::string path = bed->root() + PpdevNode::kDevnode;
            ::unlink(path.c_str());
            ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0600));
        }
        ToolProcess tool({"--headless", "--variant", "ksy7100-1", "--link", "parport", "--exec", "FREQ 2400.2"},
                         unprivileged ? as_nobody : std::vector<std::string>{});
        ASSERT_EQ(tool.wait(), 4) << tool.err();  // a headless run without its link runs no command
        EXPECT_NE(tool.err().find("Failed to claim Parallel Port"), std::string::npos) << tool.err();
        EXPECT_NE(tool.err().find(cause), std::string::npos) << tool.err();
        EXPECT_TRUE(node.writes.empty());
    }
}

}  // namespace
