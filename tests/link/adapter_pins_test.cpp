// Pin maps as typed on the command line, and the adapters' messages for each cause of failure.
#include <gtest/gtest.h>

#include <cerrno>

#include "link/adapter_error.h"
#include "link/adapter_pins.h"

using boardlink::AdapterKind;
using boardlink::PinMap;

TEST(PinMap, AppliedOverTheDefaultsOrFromNothing) {
    struct Case { AdapterKind kind; const char* text; const char* result; };
    const Case cases[] = {
        {AdapterKind::UsbBitbang, "CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D5", "CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D5"},
        {AdapterKind::UsbBitbang, "status=d7", "CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D7"},
        {AdapterKind::UsbBitbang, "CLK=D5,STATUS=D0", "CLK=D5,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D0"},  // a swap
        {AdapterKind::Gpio, "CLK=17,DATA=27,LE=22", "CLK=17,DATA=27,LE=22"},
        {AdapterKind::Gpio, "STATUS=25,LE=22,DATA=27,CLK=17,RBCLK=23,D4=24", "CLK=17,DATA=27,LE=22,RBCLK=23,D4=24,STATUS=25"},
    };
    for (const auto& c : cases) {
        PinMap map = c.kind == AdapterKind::UsbBitbang ? boardlink::default_usb_pins() : PinMap{};
        EXPECT_EQ(boardlink::apply_pins(c.kind, c.text, map), "") << c.text;
        EXPECT_EQ(boardlink::pins_text(c.kind, map), c.result) << c.text;
    }
}

TEST(PinMap, AFaultyMapIsRefusedWithItsReasonAndChangesNothing) {
    struct Case { AdapterKind kind; std::string text; const char* reason; };
    const Case cases[] = {
        {AdapterKind::UsbBitbang, "CLK=D5", "CLK and STATUS are both on D5; each line needs its own pin"},
        {AdapterKind::UsbBitbang, "CLK=D8", "'D8' is no pin of the USB adapter: use D0 .. D7"},
        {AdapterKind::UsbBitbang, "CLOCK=D0", "unknown line 'CLOCK': use CLK, DATA, LE, RBCLK, D4 or STATUS"},
        {AdapterKind::UsbBitbang, "CLK=D6,clk=D7", "CLK is given twice"},
        {AdapterKind::UsbBitbang, "CLK", "'CLK' is not NAME=PIN"},
        {AdapterKind::UsbBitbang, "CLK=D6,", "an empty entry"},
        {AdapterKind::UsbBitbang, "", "no pins given"},
        {AdapterKind::UsbBitbang, "CLK=D6,DATA=" + std::string(500, 'x'), "'xxxxxxxxxxxxxxxx...' is no pin"},
        {AdapterKind::UsbBitbang, "CLK=\x1b[2J", "'\?[2J' is no pin"},
        {AdapterKind::Gpio, "CLK=17,DATA=27", "a GPIO link needs CLK, DATA and LE wired (missing: LE)"},
        {AdapterKind::Gpio, "STATUS=4", "(missing: CLK, DATA, LE)"},
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

TEST(AdapterError, EachCauseNamesTheAdapterTheStepAndTheRemedyForItsKind) {
    using boardlink::DeviceFault;
    struct Case { AdapterKind kind; boardlink::DeviceResult result; std::vector<const char*> says; };
    const Case cases[] = {
        {AdapterKind::UsbBitbang, boardlink::fault_of_errno(ENOENT), {"no such device", "plugged in"}},
        {AdapterKind::UsbBitbang, boardlink::fault_of_errno(EACCES), {"permission denied", "udev rule", "plugdev"}},
        {AdapterKind::Gpio, boardlink::fault_of_errno(EACCES), {"permission denied", "group gpio"}},
        {AdapterKind::Gpio, boardlink::fault_of_errno(ENODEV), {"no such device", "/dev/gpiochip*"}},
        {AdapterKind::Gpio, boardlink::fault_of_errno(EBUSY), {"a line is busy", "gpioinfo"}},
        {AdapterKind::UsbBitbang, {DeviceFault::Gone, "LIBUSB_ERROR_IO"}, {"unplugged", "(LIBUSB_ERROR_IO)"}},
        {AdapterKind::Gpio, boardlink::fault_of_errno(EIO), {"failed: Input/output error"}},
    };
    for (const auto& c : cases) {
        const std::string message = boardlink::adapter_error(c.kind, "THE-ADAPTER", "THE-STEP", c.result);
        EXPECT_EQ(message.rfind("THE-ADAPTER: THE-STEP failed: ", 0), 0u) << message;
        for (const char* words : c.says) EXPECT_NE(message.find(words), std::string::npos) << message;
    }
    EXPECT_EQ(boardlink::adapter_error(AdapterKind::Gpio, "x", "y", {}), "");
}
