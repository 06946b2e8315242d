// The USB bit-bang backend through its real libraries: the tool runs as a user runs it, and its
// libftdi1 and libusb calls end in usbdevfs ioctls that an emulated adapter answers, with the
// simulated board on the adapter's pins.
#include <gtest/gtest.h>

#include <thread>

#include "tests/devices/device_test.h"
#include "tests/support/tool_process.h"
#include "tests/devices/usbdevfs_node.h"
#include "tests/support/trace_reader.h"

namespace {

using testing_support::ToolProcess;
using testing_support::UsbdevfsNode;

class UsbAdapter : public testing_support::DeviceTest {};

// A full write (the frequency's latches) and a supply readback, the rate given reaching the
// adapter: in bit-bang mode libftdi1 asks for four times the rate as baud rate. 9600 baud from the
// chip's 3 MHz is a divisor of 312.5, sent as 0x4138; the default rate, 500 kHz, is 2 MBaud, a
// divisor of 1.5, sent as 1.
TEST_F(UsbAdapter, FullWriteAndReadbackReachTheBoard) {
    struct Case { const char* link; const char* rate; uint16_t divisor_value; const char* link_state; };
    const Case cases[] = {{"ftdi", "2400", 0x4138, "FTDI,FIRST,OK"}, {"ftdi:T3ST0001", nullptr, 1, "FTDI,T3ST0001,OK"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link_state);
        renew_bed();
        UsbdevfsNode node(*bed);
        std::vector<std::string> args = {"--headless", "--variant", "ksy7100-1", "--link", c.link, "--exec",
                                         "FREQ 2400.2;LATC:SEND ALL;MEAS:SUPP?;SYST:LINK?"};
        if (c.rate) args.insert(args.end(), {"--rate", c.rate});
        ToolProcess tool(args);
        ASSERT_EQ(tool.wait(), 0) << tool.err();
        EXPECT_EQ(node.model().bit_mode, testing_support::Ft232Model::kSyncBitbang);
        EXPECT_EQ(node.model().output_mask, 0x1F);  // CLK .. D4 on D0 .. D4; STATUS on D5 stays an input
        EXPECT_EQ(node.model().divisor_value, c.divisor_value);
        EXPECT_NEAR(node.board().output_frequency_hz().value_or(0), 2400.2e6, 1);
        const std::string out = tool.out();
        const auto [vdd, vp] = testing_support::supplies_of(out);
        EXPECT_NEAR(vdd, node.board().converter().vdd_volts, 0.01) << out;
        EXPECT_NEAR(vp, node.board().converter().vp_volts, 0.01) << out;
        EXPECT_NE(out.find(c.link_state), std::string::npos) << out;
    }
}

// An adapter that cannot be opened: the tool says why, and nothing reaches the adapter's pins.
// Not among them: a node the user may not open (libusb cannot start unprivileged inside the bed;
// the parallel port checks that message).
TEST_F(UsbAdapter, RefusalsNameTheCause) {
    struct Case { const char* link; bool claimed_elsewhere; const char* cause; };
    const Case cases[] = {
        {"ftdi:NOSUCH01", false, "(no adapter with serial number NOSUCH01)"},
        {"ftdi", true, "open failed: the adapter is busy: another program holds it"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cause);
        renew_bed();
        UsbdevfsNode node(*bed);
        node.claim_elsewhere(c.claimed_elsewhere);
        ToolProcess tool({"--headless", "--variant", "ksy7100-1", "--link", c.link, "--exec", "FREQ 2400.2"});
        ASSERT_EQ(tool.wait(), 4) << tool.err();  // a headless run without its link runs no command
        const std::string err = tool.err();
        EXPECT_NE(err.find("Failed to claim USB Adapter"), std::string::npos) << err;
        EXPECT_NE(err.find(c.cause), std::string::npos) << err;
        EXPECT_EQ(node.model().bytes_out, 0u);
    }
}

// Pulled out while a lock-time hop run writes to it: the tool reports it once (one -310 in the
// error queue, the link FAILED), and the trace ends with the failure marked, whole.
TEST_F(UsbAdapter, UnpluggedDuringAHopRun) {
    using namespace std::chrono_literals;
    UsbdevfsNode node(*bed);
    const int port = testing_support::free_tcp_port();
    const std::string trace = testing_support::temp_path("unplugged.vcd");
    ToolProcess tool({"--headless", "--variant", "ksy7100-1", "--link", "ftdi", "--trace", trace,
                      "--scpi=" + std::to_string(port), "--exec", "HOP:STAR 2400,2410,2"});
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (node.board().view().words_loaded < 12 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    ASSERT_GE(node.board().view().words_loaded, 12u) << "the hop run did not start: " << tool.err();
    node.unplug();

    std::unique_ptr<testing_support::CommandClient> client;
    while (std::chrono::steady_clock::now() < deadline && !(client && client->connected())) {
        client = std::make_unique<testing_support::CommandClient>(port);
        std::this_thread::sleep_for(10ms);
    }
    std::string state;
    while (std::chrono::steady_clock::now() < deadline && state.find("FAILED") == std::string::npos) {
        state = client->ask("SYST:LINK?");
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_NE(state.find("FTDI,FIRST,FAILED,\"USB adapter: sending to the adapter failed: the adapter was unplugged"),
              std::string::npos)
        << state;
    client->ask("HOP:STOP;*OPC?");
    client->tell("FREQ 2400.2");
    client->tell("FREQ 2400.4");
    const std::string errors = client->ask("SYST:ERR:ALL?");
    EXPECT_NE(errors.find("-310"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("-310"), errors.rfind("-310")) << errors;
    client->tell("SYST:EXIT");
    EXPECT_EQ(tool.wait(), 0) << tool.err();

    const auto reading = testing_support::read_trace(trace);
    EXPECT_EQ(std::tuple(reading.problem, reading.complete), std::tuple("", true));
    EXPECT_GE(reading.link_failed_at, 0);
    int failures = 0;
    for (const auto& mark : reading.marks) failures += mark.action.rfind("LinkFailed:", 0) == 0;
    EXPECT_EQ(failures, 1);
}

}  // namespace
