// The USB bit-bang backend through its real libraries: the tool runs as a user runs it, and its
// libftdi1 and libusb calls end in usbdevfs ioctls that an emulated FT232R or FT232H answers, with
// the simulated board on the adapter's pins.
#include <gtest/gtest.h>

#include <thread>

#include "tests/devices/device_test.h"
#include "tests/support/tool_process.h"
#include "tests/devices/usbdevfs_node.h"
#include "tests/support/trace_reader.h"

namespace {

using testing_support::FtdiChip;
using testing_support::ToolProcess;
using testing_support::UsbdevfsNode;

testing_support::Ft232Model::Identity adapter(FtdiChip chip) {
    return {chip, "Test Maker", chip == FtdiChip::Ft232H ? "FT232H single HS USB-UART/FIFO IC" : "FT232R USB UART",
            "T3ST0001"};
}

class UsbAdapter : public testing_support::DeviceTest {};

// A full write (the frequency's latches) and a supply readback. The rates' divisors are the
// adapter maker's worked example (9600 baud from 3 MHz: 312.5, sent as 0x4138) and its high-speed
// chip's 12 MHz clock divided by 1250; in bit-bang mode libftdi1 asks for four times the rate.
TEST_F(UsbAdapter, FullWriteAndReadbackReachTheBoard) {
    struct Case {
        FtdiChip chip;
        const char* link;
        const char* rate;
        uint16_t divisor_value;
        double baud;
        const char* link_state;
    };
    const Case cases[] = {
        {FtdiChip::Ft232R, "ftdi", "2400", 0x4138, 9600, "FTDI,FIRST,OK"},
        {FtdiChip::Ft232H, "ftdi:T3ST0001", "2400", 0x04E2, 9600, "FTDI,T3ST0001,OK"},
        // The default rate, 500 kHz: 2 MBaud, a divisor of 1.5 on the FT232R (sent as 1), and 6 on the FT232H.
        {FtdiChip::Ft232R, "ftdi:T3ST0001", nullptr, 1, 2e6, "FTDI,T3ST0001,OK"},
        {FtdiChip::Ft232H, "ftdi", nullptr, 6, 2e6, "FTDI,FIRST,OK"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.link) + (c.chip == FtdiChip::Ft232H ? " FT232H" : " FT232R") + " --rate " +
                     (c.rate ? c.rate : "(default)"));
        bed.reset();  // first: a bed unsets the location of the tree as it goes
        bed = std::make_unique<testing_support::DeviceBed>();
        UsbdevfsNode node(*bed, adapter(c.chip));
        std::vector<std::string> args = {"--headless", "--variant", "ksy7100-1", "--link", c.link, "--exec",
                                         "FREQ 2400.2;LATC:SEND ALL;MEAS:SUPP?;SYST:LINK?"};
        if (c.rate) args.insert(args.end(), {"--rate", c.rate});
        ToolProcess tool(args);
        ASSERT_EQ(tool.wait(), 0) << tool.err();
        EXPECT_TRUE(node.unknown_requests().empty());
        EXPECT_EQ(node.model().bit_mode(), testing_support::Ft232Model::kSyncBitbang);
        EXPECT_EQ(node.model().output_mask(), 0x1F);  // CLK .. D4 on D0 .. D4; STATUS on D5 stays an input
        EXPECT_EQ(node.model().divisor_value(), c.divisor_value);
        EXPECT_DOUBLE_EQ(node.model().baud_rate(), c.baud);
        const auto frequency = node.board().output_frequency_hz();
        ASSERT_TRUE(frequency);
        EXPECT_NEAR(*frequency, 2400.2e6, 1);
        const std::string out = tool.out();
        const auto [vdd, vp] = testing_support::supplies_of(out);
        EXPECT_NEAR(vdd, node.board().converter().vdd_volts, 0.01) << out;
        EXPECT_NEAR(vp, node.board().converter().vp_volts, 0.01) << out;
        EXPECT_NE(out.find(c.link_state), std::string::npos) << out;
    }
}

// An adapter that cannot be opened: the tool says why, with the remedy, and nothing reaches the
// adapter's pins.
TEST_F(UsbAdapter, RefusalsNameTheCause) {
    struct Case {
        const char* what;
        const char* link;
        bool claimed_elsewhere;
        const char* cause;
    };
    // A node the user may not open is not among them: as any user but root, libusb cannot start
    // inside the bed (umockdev's stand-in for the udev monitor refuses it), so the tool would
    // never reach the node. The permission message is checked on the parallel port.
    const Case cases[] = {
        {"another serial number", "ftdi:NOSUCH01", false, "(no adapter with serial number NOSUCH01)"},
        {"held by another program", "ftdi", true, "open failed: the adapter is busy: another program holds it"},
    };
    std::printf("Not run: a USB node the user may not open: libusb cannot start unprivileged in umockdev's bed\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bed.reset();  // first: a bed unsets the location of the tree as it goes
        bed = std::make_unique<testing_support::DeviceBed>();
        UsbdevfsNode node(*bed, adapter(FtdiChip::Ft232R));
        node.claim_elsewhere(c.claimed_elsewhere);
        ToolProcess tool({"--headless", "--variant", "ksy7100-1", "--link", c.link, "--exec", "FREQ 2400.2"});
        ASSERT_EQ(tool.wait(), 4) << tool.err();  // a headless run without its link runs no command
        const std::string err = tool.err();
        EXPECT_NE(err.find("Failed to claim USB Adapter"), std::string::npos) << err;
        EXPECT_NE(err.find(c.cause), std::string::npos) << err;
        EXPECT_EQ(node.board().words_loaded(), 0u);
        EXPECT_EQ(node.model().bytes_out(), 0u);
    }
}

// Pulled out while a lock-time hop run writes to it: the run's next transfer fails, the tool
// reports it once (one -310 in the error queue, the link FAILED), and the trace ends with the
// failure marked, whole.
TEST_F(UsbAdapter, UnpluggedDuringAHopRun) {
    using namespace std::chrono_literals;
    UsbdevfsNode node(*bed, adapter(FtdiChip::Ft232R));
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
    EXPECT_EQ(errors.find("-310"), errors.rfind("-310")) << errors;
    EXPECT_NE(errors.find("-310"), std::string::npos) << errors;
    client->tell("SYST:EXIT");
    EXPECT_EQ(tool.wait(), 0) << tool.err();

    const auto reading = testing_support::read_trace(trace);
    EXPECT_EQ(reading.problem, "");
    EXPECT_TRUE(reading.complete);
    EXPECT_GE(reading.link_failed_at, 0);
    int failures = 0;
    for (const auto& mark : reading.marks) failures += mark.action.rfind("LinkFailed:", 0) == 0;
    EXPECT_EQ(failures, 1);
}

}  // namespace
