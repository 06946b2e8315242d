// Pin maps as typed on the command line, and how either adapter tells why it cannot be opened:
// the adapter, the step, the cause and its remedy, and the simulated board in its place.
#include <gtest/gtest.h>

#include <cerrno>

#include "link/board_link.h"
#include "tests/link/adapter_rig.h"

using boardlink::AdapterKind;
using boardlink::DeviceFault;
using boardlink::fault_of_errno;
using boardlink::PinMap;
using testing_support::kGpioFull;
using testing_support::WiredAdapter;

namespace {

// How opening the device ends, or starting bit-bang on it (USB) or taking its lines (GPIO).
using Fault = std::function<void(WiredAdapter&)>;
Fault open_ends(boardlink::DeviceResult r) {
    return [r](WiredAdapter& a) { a.ftdi->open_result = a.gpio->open_result = r; };
}
Fault start_ends(boardlink::DeviceResult r) {
    return [r](WiredAdapter& a) { a.ftdi->start_result = a.gpio->request_result = r; };
}

}  // namespace

TEST(PinMap, AppliedOverTheDefaultsOrFromNothing) {
    struct Case { AdapterKind kind; const char* text; const char* result; };
    const Case cases[] = {
        {AdapterKind::UsbBitbang, "CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D5",
         "CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D5"},
        {AdapterKind::UsbBitbang, "status=d7", "CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D7"},
        {AdapterKind::UsbBitbang, "CLK=D5,STATUS=D0", "CLK=D5,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D0"},  // a swap
        {AdapterKind::Gpio, "STATUS=25,LE=22,DATA=27,CLK=17,RBCLK=23,D4=24", kGpioFull},
        {AdapterKind::UsbBitbang, "ld=D6", "CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D5,LD=D6"},
        {AdapterKind::Gpio, "CLK=17,DATA=27,LE=22,LD=4", "CLK=17,DATA=27,LE=22,LD=4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(boardlink::pins_text(c.kind, testing_support::pin_map(c.kind, c.text)), c.result) << c.text;
}

TEST(PinMap, AFaultyMapIsRefusedWithItsReasonAndChangesNothing) {
    struct Case { AdapterKind kind; std::string text; const char* reason; };
    const Case cases[] = {
        {AdapterKind::UsbBitbang, "CLK=D5", "CLK and STATUS are both on D5; each line needs its own pin"},
        {AdapterKind::UsbBitbang, "CLK=D8", "'D8' is no pin of the USB adapter: use D0 .. D7"},
        {AdapterKind::UsbBitbang, "CLOCK=D0", "unknown line 'CLOCK': use CLK, DATA, LE, RBCLK, D4, STATUS or LD"},
        {AdapterKind::UsbBitbang, "LD=D5", "STATUS and LD are both on D5"},
        {AdapterKind::Gpio, std::string(kGpioFull) + ",LD=25", "STATUS and LD are both on"},
        {AdapterKind::UsbBitbang, "CLK=D6,clk=D7", "CLK is given twice"},
        {AdapterKind::UsbBitbang, "CLK", "'CLK' is not NAME=PIN"},
        {AdapterKind::UsbBitbang, "CLK=D6,", "an empty entry"},
        {AdapterKind::UsbBitbang, "", "no pins given"},
        {AdapterKind::UsbBitbang, "CLK=D6,DATA=" + std::string(500, 'x'), "'xxxxxxxxxxxxxxxx...' is no pin"},
        {AdapterKind::UsbBitbang, "CLK=\x1b[2J", "'\?[2J' is no pin"},
        {AdapterKind::Gpio, "STATUS=4", "a GPIO link needs CLK, DATA and LE wired (missing: CLK, DATA, LE)"},
        {AdapterKind::Gpio, "CLK=17,DATA=27,LE=22,STATUS=25",
         "RBCLK, D4 and STATUS carry the supply readback together: wire all three or none (missing: RBCLK, D4)"},
        {AdapterKind::Gpio, "CLK=17,DATA=27,LE=22,RBCLK=23,STATUS=25", "or none (missing: D4)"},
        {AdapterKind::Gpio, "CLK=17,DATA=17,LE=22", "CLK and DATA are both on line 17"},
        {AdapterKind::Gpio, "CLK=D0,DATA=27,LE=22", "'D0' is no GPIO line number"},
        {AdapterKind::Gpio, "CLK=99999999999,DATA=27,LE=22", "is no GPIO line number"},
    };
    for (const auto& c : cases) {
        const PinMap before = c.kind == AdapterKind::UsbBitbang ? boardlink::default_usb_pins() : PinMap{};
        PinMap map = before;
        const std::string reason = boardlink::apply_pins(c.kind, c.text, map);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        EXPECT_LT(reason.size(), 130u) << reason;
        EXPECT_EQ(map, before);
    }
}

// The causes come as the system's errno where the library gives one, so its mapping is checked too.
TEST(AdapterOpening, AFailureNamesTheAdapterTheStepTheCauseAndTheRemedy) {
    const AdapterKind usb = AdapterKind::UsbBitbang, gpio = AdapterKind::Gpio;
    // opened: the device was opened, so it must be let go again.
    struct Case { const char* what; AdapterKind kind; std::string device; Fault fault;
                  std::vector<std::string> says; bool opened; };
    const Case cases[] = {
        {"none plugged in", usb, "", open_ends(fault_of_errno(ENOENT)),
         {"USB adapter: open failed: no such device", "plugged in"}, false},
        {"no such serial", usb, "A10K2XYZ", open_ends({DeviceFault::NoDevice, "no adapter with serial number A10K2XYZ"}),
         {"USB adapter A10K2XYZ: open failed: no such device", "(no adapter with serial number A10K2XYZ)"}, false},
        {"no udev rule", usb, "", open_ends(fault_of_errno(EACCES)),
         {"USB adapter: open failed: permission denied", "udev rule", "plugdev", "usermod"}, false},
        {"held by another program", usb, "", open_ends({DeviceFault::Busy, "unable to claim"}),
         {"open failed: the adapter is busy", "(unable to claim)"}, false},
        {"rate out of reach", usb, "", start_ends({DeviceFault::Refused, "the adapter cannot step at 1000000 Hz"}),
         {"starting synchronous bit-bang failed: the adapter cannot step at 1000000 Hz"}, true},
        {"gone before the idle levels", usb, "", [](WiredAdapter& a) { a.ftdi->failing_transfer = 0; },
         {"sending to the adapter failed: the adapter was unplugged", "(LIBUSB_ERROR_NO_DEVICE)"}, true},
        {"no such chip", gpio, "", open_ends(fault_of_errno(ENODEV)),
         {"GPIO chip gpiochip0: open failed: no such device", "/dev/gpiochip*"}, false},
        {"not in group gpio", gpio, "", open_ends(fault_of_errno(EACCES)),
         {"permission denied", "group gpio", "usermod -aG gpio"}, false},
        {"a line held by a driver", gpio, "", start_ends(fault_of_errno(EBUSY)),
         {"taking the lines failed: a line is busy", "gpioinfo"}, true},
        {"a line the chip has not", gpio, "", [](WiredAdapter& a) { a.gpio->line_count = 27; },
         {"taking the lines failed: DATA is on line 27, but the chip has lines 0 .. 26 only"}, true},
        {"any other error", gpio, "", start_ends(fault_of_errno(EIO)),
         {"GPIO chip gpiochip0: taking the lines failed: Input/output error"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WiredAdapter adapter(c.kind, c.kind == usb ? "CLK=D0" : kGpioFull);
        c.fault(adapter);
        EXPECT_FALSE(adapter.open(c.device));
        for (const auto& words : c.says) EXPECT_NE(adapter.error.find(words), std::string::npos) << adapter.error;
        EXPECT_EQ(adapter.closed(), c.opened);
        EXPECT_EQ(adapter.wired.board.words_loaded(), 0u);
    }
}

// Only a link asked for by name says why it fell back; the automatic choice takes a missing port
// for none. A trace that cannot be created ends the run: the command-line tests check that.
TEST(BoardLink, TakesTheLinkAskedForOrFallsBackToTheSimulatedBoardWithTheCause) {
    using Kind = boardlink::LinkRequest::Kind;
    // name: the link's; claimed: what the start-up message says could not be claimed, if it says so.
    struct Case { Kind kind; const char* device; bool present; const char* name; const char* claimed; };
    const char* const sim = "simulated board";
    const Case cases[] = {
        {Kind::Sim, "/dev/parport0", false, sim, nullptr},
        {Kind::Parport, "/dev/parport-missing", false, sim, "Parallel Port"},
        {Kind::Auto, "/dev/parport-missing", false, sim, nullptr},
        {Kind::Ftdi, "", true,
         "USB adapter FT232R USB UART, serial T3ST0001 (CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D7, 250 kHz)", nullptr},
        {Kind::Ftdi, "", false, sim, "USB Adapter"},
        {Kind::Gpio, "gpiochip0", true, "GPIO gpiochip0 [test-header] (CLK=17,DATA=27,LE=22,RBCLK=23,D4=24,STATUS=25)", nullptr},
        {Kind::Gpio, "gpiochip0", false, sim, "GPIO Chip"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool usb = c.kind != Kind::Gpio;
        WiredAdapter adapter(usb ? AdapterKind::UsbBitbang : AdapterKind::Gpio, usb ? "STATUS=D7" : kGpioFull);
        if (!c.present) open_ends({DeviceFault::Permission, {}})(adapter);
        boardlink::AdapterDevices devices;
        devices.ftdi = [&] { return std::make_unique<testing_support::RecordingFtdi>(adapter.ftdi); };
        devices.gpio = [&] { return std::make_unique<testing_support::RecordingGpio>(adapter.gpio); };
        boardlink::LinkRequest request;
        request.kind = c.kind;
        request.device = c.device;
        request.pins = adapter.wired.pins;
        request.rate_hz = 250'000;
        boardlink::BoardLink link;
        auto opened = link.open(request, devices);
        EXPECT_TRUE(opened.ok);
        EXPECT_EQ(link.simulated_board() == nullptr, c.present);
        EXPECT_EQ(link.sends_at_flush(), c.present && usb);
        EXPECT_EQ(link.name(), c.name);
        EXPECT_EQ(opened.claim_error.empty() ? "" : opened.claimed, c.claimed ? c.claimed : "") << opened.claim_error;
        link.close();
        EXPECT_EQ(adapter.closed(), c.present);
    }
}
