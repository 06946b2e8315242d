// Pin maps as typed on the command line, and how either adapter tells why it cannot be opened:
// the adapter, the step, the cause and its remedy, and the simulated board in its place, as a
// script sees it; the parallel port's causes alike.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "app/link_report.h"
#include "link/board_link.h"
#include "model/variants.h"
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

// A map is applied over the USB adapter's defaults or, for a GPIO chip, from nothing; a faulty one
// is refused with its reason, short, and changes nothing (more refusals in the option tests).
TEST(PinMap, AppliedOrRefusedWithItsReason) {
    const AdapterKind usb = AdapterKind::UsbBitbang, gpio = AdapterKind::Gpio;
    struct Case { AdapterKind kind; std::string text; const char* applied; const char* reason = nullptr; };
    const Case cases[] = {
        {usb, "status=d7", "CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D7"},
        {usb, "CLK=D5,STATUS=D0", "CLK=D5,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D0"},  // a swap
        {gpio, "STATUS=25,LE=22,DATA=27,CLK=17,RBCLK=23,D4=24", kGpioFull},
        {usb, "ld=D6", "CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D5,LD=D6"},
        {gpio, "CLK=17,DATA=27,LE=22,LD=4", "CLK=17,DATA=27,LE=22,LD=4"},
        {usb, "CLOCK=D0", nullptr, "unknown line 'CLOCK': use CLK, DATA, LE, RBCLK, D4, STATUS or LD"},
        {usb, "LD=D5", nullptr, "STATUS and LD are both on D5"},
        {usb, "CLK=D6,clk=D7", nullptr, "CLK is given twice"},
        {usb, "CLK", nullptr, "'CLK' is not NAME=PIN"},
        {usb, "CLK=D6,", nullptr, "an empty entry"},
        {usb, "", nullptr, "no pins given"},
        {usb, "CLK=D6,DATA=" + std::string(500, 'x'), nullptr, "'xxxxxxxxxxxxxxxx...' is no pin"},
        {usb, "CLK=\x1b[2J", nullptr, "'\?[2J' is no pin"},
        {gpio, "CLK=17,DATA=27,LE=22,STATUS=25",
         nullptr, "RBCLK, D4 and STATUS carry the supply readback together: wire all three or none (missing: RBCLK, D4)"},
        {gpio, "CLK=17,DATA=17,LE=22", nullptr, "CLK and DATA are both on line 17"},
        {gpio, "CLK=D0,DATA=27,LE=22", nullptr, "'D0' is no GPIO line number"},
        {gpio, "CLK=99999999999,DATA=27,LE=22", nullptr, "is no GPIO line number"},
    };
    for (const auto& c : cases) {
        const PinMap before = c.kind == usb ? boardlink::default_usb_pins() : PinMap{};
        PinMap map = before;
        const std::string reason = boardlink::apply_pins(c.kind, c.text, map);
        if (c.applied) {
            EXPECT_EQ(std::tuple(reason, boardlink::pins_text(c.kind, map)), std::tuple("", c.applied)) << c.text;
            continue;
        }
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        EXPECT_LT(reason.size(), 130u) << reason;
        EXPECT_EQ(map, before);
    }
}

// Each step that can fail, for either adapter: the message names the adapter, the step and the
// cause (the causes as the system's errno maps them), and a device opened is let go again.
TEST(AdapterOpening, AFailureNamesTheAdapterTheStepAndTheCauseAndLetsTheDeviceGo) {
    const AdapterKind usb = AdapterKind::UsbBitbang, gpio = AdapterKind::Gpio;
    struct Case { AdapterKind kind; Fault fault; std::string says; bool opened; };
    const std::string usb_gone = "the adapter was unplugged or stopped answering (LIBUSB_ERROR_NO_DEVICE)";
    const Case cases[] = {
        {usb, open_ends(fault_of_errno(ENOENT)), "USB adapter: open failed: no such device (is the adapter plugged in?", false},
        {usb, open_ends(fault_of_errno(EACCES)), "USB adapter: open failed: permission denied; install the udev rule", false},
        {usb, start_ends({DeviceFault::Refused, "the adapter cannot step at 1000000 Hz"}),
         "USB adapter: starting synchronous bit-bang failed: the adapter cannot step at 1000000 Hz", true},
        {usb, [](WiredAdapter& a) { a.ftdi->failing_transfer = 0; }, "USB adapter: sending to the adapter failed: " + usb_gone, true},
        {gpio, open_ends(fault_of_errno(ENODEV)), "GPIO chip gpiochip0: open failed: no such device (ls /dev/gpiochip*", false},
        {gpio, open_ends(fault_of_errno(EPERM)), "GPIO chip gpiochip0: open failed: permission denied; add your user to group gpio", false},
        {gpio, start_ends(fault_of_errno(EBUSY)), "GPIO chip gpiochip0: taking the lines failed: a line is busy", true},
        {gpio, [](WiredAdapter& a) { a.gpio->line_count = 27; },
         "GPIO chip gpiochip0: taking the lines failed: DATA is on line 27, but the chip has lines 0 .. 26 only", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        WiredAdapter adapter(c.kind, c.kind == usb ? "CLK=D0" : kGpioFull);
        c.fault(adapter);
        EXPECT_FALSE(adapter.open());
        EXPECT_EQ(adapter.error.substr(0, c.says.size()), c.says);
        EXPECT_EQ(std::tuple(adapter.closed(), adapter.wired.board.words_loaded()), std::tuple(c.opened, 0u));
    }
}

// Only a link asked for by name says why it fell back (the parallel port busy or forbidden: the
// device tests); the automatic choice takes a missing port for none. A script reads the link's
// name (*IDN?), state (SYST:LINK?) and self-test (*TST?: none without readback lines). A trace
// that cannot be created ends the run: the command-line tests.
TEST(BoardLink, TakesTheLinkAskedForOrFallsBackToTheSimulatedBoardAndReportsIt) {
    using Kind = boardlink::LinkRequest::Kind;
    // name: the link's; claimed, cause: what the start-up message says could not be claimed and
    // why, if it says so; unplug: the adapter is pulled out after opening, found at the next transfer.
    struct Case { Kind kind; const char* device; bool present, unplug; const char *name, *claimed, *idn; std::string status; const char* cause = ""; };
    const char* const sim = "simulated board";
    const std::string unplugged = "USB adapter A1B2: sending to the adapter failed: the adapter was unplugged or "
                                  "stopped answering (LIBUSB_ERROR_NO_DEVICE)";
    const Case cases[] = {
        {Kind::Sim, "/dev/parport0", false, false, sim, nullptr, "SIM", "SIM,OK"},
        {Kind::Parport, "/dev/parport-missing", false, false, sim, "Parallel Port", "SIM", "SIM,OK", "/dev/parport-missing: open failed: no such device"},
        {Kind::Parport, "/dev/null", false, false, sim, "Parallel Port", "SIM", "SIM,OK", "/dev/null: claim failed: not a parallel port"},
        {Kind::Auto, "/dev/parport-missing", false, false, sim, nullptr, "SIM", "SIM,OK"},
        {Kind::Ftdi, "A1B2", true, true, "USB adapter FT232R USB UART, serial T3ST0001 (CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D7, 250 kHz)",
         nullptr, "A1B2", "FTDI,A1B2,FAILED,\"" + unplugged + "\""},
        {Kind::Gpio, "0", true, false, "GPIO gpiochip0 [test-header] (CLK=17,DATA=27,LE=22)", nullptr, "GPIOCHIP0", "GPIO,0,OK"},
        {Kind::Gpio, "gpiochip0", false, false, sim, "GPIO Chip", "SIM", "SIM,OK"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        const bool usb = c.kind != Kind::Gpio;
        WiredAdapter adapter(usb ? AdapterKind::UsbBitbang : AdapterKind::Gpio, usb ? "STATUS=D7" : "CLK=17,DATA=27,LE=22");
        if (!c.present) open_ends({DeviceFault::Permission, {}})(adapter);
        boardlink::AdapterDevices devices;
        devices.ftdi = [&] { return std::make_unique<testing_support::RecordingFtdi>(adapter.ftdi); };
        devices.gpio = [&] { return std::make_unique<testing_support::RecordingGpio>(adapter.gpio); };
        boardlink::BoardLink link;
        auto opened = link.open({c.kind, c.device, "", adapter.wired.pins, 250'000}, devices);
        EXPECT_EQ(std::tuple(opened.ok, link.simulated_board() == nullptr, link.sends_at_flush(), link.name()),
                  std::tuple(true, c.present, c.present && usb, c.name));
        EXPECT_EQ(opened.claim_error.empty() ? "" : opened.claimed, c.claimed ? c.claimed : "") << opened.claim_error;
        EXPECT_NE(opened.claim_error.find(c.cause), std::string::npos) << opened.claim_error;
        EvalState state = variants::start_state("ksy7100-1");
        if (c.unplug) {
            EXPECT_EQ(link_self_test(link, state), std::nullopt) << "the supply monitor answers on STATUS=D7";
            adapter.ftdi->failing_transfer = adapter.ftdi->transfers.size();
            link.out(boardlink::kDataRegister, 24);
            link.flush();
        }
        const auto self_test = c.unplug ? std::optional("the board link failed: " + unplugged) : std::nullopt;
        EXPECT_EQ(std::tuple(link_idn_name(link), link_status(link), link_self_test(link, state)), std::tuple(c.idn, c.status, self_test));
        link.close();
        EXPECT_EQ(adapter.closed(), c.present);
    }
}
