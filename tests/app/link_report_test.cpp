// How the link answers a script: its name in *IDN?, its state in SYST:LINK? and the self-test of
// *TST?, for each kind of link, a fallback and a link that failed.
#include <gtest/gtest.h>

#include "app/link_report.h"
#include "model/variants.h"
#include "tests/link/adapter_rig.h"

using boardlink::LinkRequest;
using namespace testing_support;

TEST(LinkReport, NamesStateAndSelfTestOfEveryKindOfLink) {
    WiredAdapter usb(boardlink::AdapterKind::UsbBitbang, "CLK=D0");  // the default wiring
    WiredAdapter gpio(boardlink::AdapterKind::Gpio, "CLK=17,DATA=27,LE=22");  // no readback lines
    boardlink::AdapterDevices devices;
    devices.ftdi = [&] { return std::make_unique<RecordingFtdi>(usb.ftdi); };
    devices.gpio = [&] { return std::make_unique<RecordingGpio>(gpio.gpio); };
    const std::string unplugged = "USB adapter A1B2: sending to the adapter failed: the adapter was unplugged or "
                                  "stopped answering (LIBUSB_ERROR_NO_DEVICE)";
    using K = LinkRequest::Kind;
    struct Case { K kind; const char* device; bool unplug; std::string idn, status; std::optional<std::string> test; };
    const Case cases[] = {
        {K::Sim, "", false, "SIM", "SIM,OK", std::nullopt},
        {K::Parport, "/dev/no-such-port", false, "SIM", "SIM,OK", std::nullopt},
        {K::Ftdi, "A1B2", true, "A1B2", "FTDI,A1B2,FAILED,\"" + unplugged + "\"", "the board link failed: " + unplugged},
        {K::Gpio, "0", false, "GPIOCHIP0", "GPIO,0,OK", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        usb.ftdi->failing_transfer.reset();
        LinkRequest request;
        request.kind = c.kind, request.device = c.device;
        if (c.kind == K::Gpio) boardlink::apply_pins(boardlink::AdapterKind::Gpio, "CLK=17,DATA=27,LE=22", request.pins);
        boardlink::BoardLink link;
        link.open(request, devices);
        if (c.unplug) {  // unplugged after it opened, found at the next transfer
            usb.ftdi->failing_transfer = usb.ftdi->transfers.size();
            link.out(boardlink::kDataRegister, 24); link.flush();
        }
        EvalState state = variants::start_state("ksy7100-1");
        EXPECT_EQ(std::tuple(link_idn_name(link), link_status(link), link_self_test(link, state)),
                  std::tuple(c.idn, c.status, c.test));
    }
}
