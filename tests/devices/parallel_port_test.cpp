// The parallel-port backend through its real ioctls: the tool runs as a user runs it, and its
// ppdev calls on /dev/parport0 are answered by an emulated port with the simulated board on its
// cable.
#include <gtest/gtest.h>

#include <time.h>

#include "link/parport.h"
#include "tests/devices/device_test.h"
#include "tests/devices/ppdev_node.h"
#include "tests/support/tool_process.h"
#include "tests/devices/unprivileged.h"
#include "tests/support/recording_port.h"

namespace {

using testing_support::PpdevNode;
using testing_support::ToolProcess;

class ParallelPort : public testing_support::DeviceTest {};

TEST_F(ParallelPort, FullWriteAndReadbackReachTheBoard) {
    PpdevNode node(*bed, boardlink::ParallelPort::kClaimTimeout);
    ToolProcess tool({"--headless", "--variant", "ksy7100-1", "--link", "parport", "--exec",
                      "FREQ 2400.2;LATC:SEND ALL;MEAS:SUPP?;SYST:LINK?"});
    ASSERT_EQ(tool.wait(), 0) << tool.err();
    EXPECT_FALSE(node.claimed);  // released at the end
    EXPECT_NEAR(node.board.output_frequency_hz().value_or(0), 2400.2e6, 1) << tool.err();
    const std::string out = tool.out();
    const auto [vdd, vp] = testing_support::supplies_of(out);
    EXPECT_NEAR(vdd, node.board.converter().vdd_volts, 0.01) << out;
    EXPECT_NEAR(vp, node.board.converter().vp_volts, 0.01) << out;
    EXPECT_NE(out.find("PARPORT,/dev/parport0,OK"), std::string::npos) << out;
}

// Lock detect on pin 12, read with the port's status ioctl as MUXOUT drives it, and each latch
// load stamped on the monotonic clock the lock time is measured by.
TEST_F(ParallelPort, LockDetectIsReadOnPaperEnd) {
    PpdevNode node(*bed, boardlink::ParallelPort::kClaimTimeout);
    std::string error;
    auto port = boardlink::ParallelPort::open(PpdevNode::kDevnode, error);
    ASSERT_TRUE(port) << error;
    for (const auto& [control, high] : {std::pair{0x60u, true}, {0xE0u, false}}) {  // MUXOUT to DVdd, to DGnd
        timespec before{};
        ::clock_gettime(CLOCK_MONOTONIC, &before);
        testing_support::load_word(*port, control);
        EXPECT_EQ(port->lock_detect(), high) << std::hex << control;
        ASSERT_TRUE(port->latched_at_ns());
        EXPECT_GE(*port->latched_at_ns(), int64_t(before.tv_sec) * 1'000'000'000 + before.tv_nsec);
    }
}

// A port that cannot be had: the tool says why, and nothing reaches the port. A port held by
// another driver is given up on after the claim time-out (see PpdevNode).
TEST_F(ParallelPort, RefusalsNameTheCause) {
    struct Case { bool held_by_other_driver, unprivileged; const char* cause; };
    const Case cases[] = {
        {true, false, "/dev/parport0: claim failed: the port is busy"},
        {false, true, "/dev/parport0: open failed: permission denied; add your user to group lp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cause);
        std::string why_not;
        const auto prefix = c.unprivileged ? testing_support::as_nobody(why_not) : std::vector<std::string>{};
        if (!why_not.empty()) {
            std::printf("Not run: %s: %s\n", c.cause, why_not.c_str());
            continue;
        }
        renew_bed();
        PpdevNode node(*bed, boardlink::ParallelPort::kClaimTimeout);
        node.held_by_other_driver = c.held_by_other_driver;
        if (c.unprivileged) testing_support::close_node(bed->root(), PpdevNode::kDevnode);
        ToolProcess tool({"--headless", "--variant", "ksy7100-1", "--link", "parport", "--exec", "FREQ 2400.2"}, prefix);
        ASSERT_EQ(tool.wait(), 4) << tool.err();  // a headless run without its link runs no command
        const std::string err = tool.err();
        EXPECT_NE(err.find("Failed to claim Parallel Port"), std::string::npos) << err;
        EXPECT_NE(err.find(c.cause), std::string::npos) << err;
        EXPECT_TRUE(node.writes.empty());
    }
}

}  // namespace
