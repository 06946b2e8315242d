// The parallel-port backend through its real ioctls: the tool runs as a user runs it, and its
// ppdev calls on /dev/parport0 are answered by an emulated port with the simulated board on its
// cable.
#include <gtest/gtest.h>

#include <time.h>

#include "link/latch_protocol.h"
#include "link/parport.h"
#include "tests/devices/device_test.h"
#include "tests/devices/ppdev_node.h"
#include "tests/support/tool_process.h"
#include "tests/devices/unprivileged.h"

namespace {

using testing_support::PpdevNode;
using testing_support::ToolProcess;

class ParallelPort : public testing_support::DeviceTest {};

TEST_F(ParallelPort, FullWriteAndReadbackReachTheBoard) {
    PpdevNode node(*bed, boardlink::ParallelPort::kClaimTimeout);
    ToolProcess tool({"--headless", "--variant", "ksy7100-1", "--link", "parport", "--exec",
                      "FREQ 2400.2;LATC:SEND ALL;MEAS:SUPP?;SYST:LINK?"});
    ASSERT_EQ(tool.wait(), 0) << tool.err();
    EXPECT_TRUE(node.model().unknown_requests().empty());
    EXPECT_FALSE(node.model().claimed());  // released at the end
    const auto frequency = node.board().output_frequency_hz();
    ASSERT_TRUE(frequency) << tool.err();
    EXPECT_NEAR(*frequency, 2400.2e6, 1);
    const std::string out = tool.out();
    const auto [vdd, vp] = testing_support::supplies_of(out);
    EXPECT_NEAR(vdd, node.board().converter().vdd_volts, 0.01) << out;
    EXPECT_NEAR(vp, node.board().converter().vp_volts, 0.01) << out;
    EXPECT_NE(out.find("PARPORT,/dev/parport0,OK"), std::string::npos) << out;
}

// Lock detect on pin 12, read with the port's status ioctl as MUXOUT drives it, and each latch
// load stamped on the monotonic clock the lock time is measured by.
TEST_F(ParallelPort, LockDetectIsReadOnPaperEnd) {
    PpdevNode node(*bed, boardlink::ParallelPort::kClaimTimeout);
    std::string error;
    auto port = boardlink::ParallelPort::open(PpdevNode::kDevnode, error);
    ASSERT_TRUE(port) << error;
    struct Case { uint32_t control; bool high; };
    const Case cases[] = {{0xE0, false}, {0x60, true}, {0xE0, false}, {0x00, true}};  // DGnd, DVdd, DGnd, three-state (pulled up)
    for (const Case& c : cases) {
        timespec before{};
        ::clock_gettime(CLOCK_MONOTONIC, &before);
        boardlink::shift_word(*port, boardlink::kDataRegister, c.control, 24);
        boardlink::pulse_le(*port, boardlink::kDataRegister);
        EXPECT_EQ(port->lock_detect(), c.high) << std::hex << c.control;
        ASSERT_TRUE(port->latched_at_ns());
        EXPECT_GE(*port->latched_at_ns(), int64_t(before.tv_sec) * 1'000'000'000 + before.tv_nsec);
    }
}

// A port that cannot be had: the tool says why, and nothing reaches the port. A port held
// by another driver is given up on after the claim time-out (the node ends the claim's sleep then,
// as the tool's signal would: see PpdevNode).
TEST_F(ParallelPort, RefusalsNameTheCause) {
    struct Case {
        const char* what;
        bool held_by_other_driver;
        bool unprivileged;
        const char* cause;
    };
    const Case cases[] = {
        {"held by another driver", true, false, "/dev/parport0: claim failed: the port is busy"},
        {"a node the user may not open", false, true, "/dev/parport0: open failed: permission denied; add your user to group lp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> prefix;
        if (c.unprivileged) {
            std::string why_not;
            prefix = testing_support::as_nobody(why_not);
            if (prefix.empty()) {
                std::printf("Not run: %s: %s\n", c.what, why_not.c_str());
                continue;
            }
        }
        bed.reset();  // first: a bed unsets the location of the tree as it goes
        bed = std::make_unique<testing_support::DeviceBed>();
        PpdevNode node(*bed, boardlink::ParallelPort::kClaimTimeout);
        node.model().hold_by_other_driver(c.held_by_other_driver);
        if (c.unprivileged) testing_support::close_node(bed->root(), PpdevNode::kDevnode);
        ToolProcess tool({"--headless", "--variant", "ksy7100-1", "--link", "parport", "--exec", "FREQ 2400.2"}, prefix);
        ASSERT_EQ(tool.wait(), 4) << tool.err();  // a headless run without its link runs no command
        const std::string err = tool.err();
        EXPECT_NE(err.find("Failed to claim Parallel Port"), std::string::npos) << err;
        EXPECT_NE(err.find(c.cause), std::string::npos) << err;
        EXPECT_TRUE(node.model().writes().empty());
    }
}

}  // namespace
