#include <gtest/gtest.h>

#include "app/options.h"
#include "tests/link/adapter_rig.h"

using Kind = boardlink::LinkRequest::Kind;

TEST(Options, LinkTraceAndAdapterChoices) {
    const std::string usb = "CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D5";
    // pins: as the link shows them, adapter links only; platform: the window system Qt is told to use
    struct Case { std::vector<std::string> args; Kind kind; std::string device, trace, pins; std::optional<uint32_t> rate = std::nullopt;
                  std::string platform = ""; };
    const Case cases[] = {
        {{}, Kind::Auto, "/dev/parport0", "", ""},
        {{"--link", "sim"}, Kind::Sim, "/dev/parport0", "", ""},
        {{"--link", "parport"}, Kind::Parport, "/dev/parport0", "", ""},
        {{"--link=parport:/dev/parport2"}, Kind::Parport, "/dev/parport2", "", ""},
        {{"--trace=a b.vcd"}, Kind::Auto, "/dev/parport0", "a b.vcd", ""},
        {{"--link", "ftdi"}, Kind::Ftdi, "", "", usb},
        {{"--link=ftdi:A10K2XYZ", "--rate", "500k"}, Kind::Ftdi, "A10K2XYZ", "", usb, 500'000},
        {{"--pins", "STATUS=D7,LE=D5", "--link", "ftdi", "--rate=2M"}, Kind::Ftdi, "", "",
         "CLK=D0,DATA=D1,LE=D5,RBCLK=D3,D4=D4,STATUS=D7", 2'000'000},
        {{"--link", "ftdi", "--rate", "2.5MHz"}, Kind::Ftdi, "", "", usb, 2'500'000},
        {{"--link", "gpio:gpiochip0", "--pins", "CLK=17,DATA=27,LE=22"}, Kind::Gpio, "gpiochip0", "", "CLK=17,DATA=27,LE=22"},
        {{"-platform", "offscreen", "-reverse", "--link", "sim"}, Kind::Sim, "/dev/parport0", "", "", std::nullopt, "offscreen"},  // Qt's own pass
    };
    for (const auto& c : cases) {
        auto parsed = parse_options(c.args);
        ASSERT_TRUE(parsed.options) << parsed.error;
        const auto& link = parsed.options->link;
        const auto adapter = c.kind == Kind::Gpio ? boardlink::AdapterKind::Gpio : boardlink::AdapterKind::UsbBitbang;
        const bool wired = c.kind == Kind::Ftdi || c.kind == Kind::Gpio;
        EXPECT_EQ(std::tuple(link.kind, link.device, link.trace_path, link.rate_hz, wired ? boardlink::pins_text(adapter, link.pins) : "",
                             parsed.options->qt_platform),
                  std::tuple(c.kind, c.device, c.trace, c.rate, c.pins, c.platform));
    }
}

TEST(Options, BadOptionsAreRejectedWithAReason) {
    struct Case { std::vector<std::string> args; std::string reason; };
    const Case cases[] = {
        {{"--link"}, "needs a value"}, {{"--link", "usb"}, "unknown link 'usb'"},
        {{"--link", "parport:"}, "unknown link"}, {{"--trace="}, "needs a file name"},
        {{"extra"}, "unknown option 'extra'"},
        {{"--scpi", "5099"}, "--scpi takes its value after '=': write --scpi=5099"},
        {{"--link", "sim", "5099"}, "unknown option '5099'"}, {{"--help=x"}, "option '--help' takes no value"},
        {{"--link", std::string(100000, 'u')}, "unknown link '" + std::string(40, 'u') + "... (100000 characters)'"},
        {{"--link", "sim\x1b[2J"}, "unknown link 'sim?[2J'"},
        {{"--" + std::string(5000, 'z')}, "unknown option '--" + std::string(38, 'z') + "... (5002 characters)'"},
        {{"--headless"}, "--headless needs --variant NAME"},
        {{"--variant", "ksy7100-9"}, "unknown variant 'ksy7100-9'"},
        {{"--exec", "*IDN?"}, "--exec runs commands only with --headless"}, {{"--load"}, "--load needs a file name"},
        {{"--variant", "ksy7100-1", "--variant", "ksy7100-2"}, "--variant given twice"},
        // Firmware files: the formats each export writes, a channel table and its file together.
        {{"--export", "a.pdf"}, "--export writes .txt, .h, .csv or .json, not 'a.pdf'"},
        {{"--channels", "1,2,0.2", "--export-channels", "c.txt"}, "--export-channels writes .h or .csv, not 'c.txt'"},
        {{"--channels", "1,2", "--export-channels", "c.h"}, "--channels takes START,STOP,STEP (MHz, MHz, kHz), not '1,2'"},
        {{"--channels", "1,2,0", "--export-channels", "c.csv"}, "a step above 0"},
        {{"--channels", "1,2,0.2"}, "--channels and --export-channels go together"},
        // Adapter links: a pin map or rate that cannot be used (the pin maps' own refusals: adapter_pins_test).
        {{"--link", "gpio:0", "--pins", "CLK=17,DATA=27"}, "bad --pins: a GPIO link needs CLK, DATA and LE wired (missing: LE)"},
        {{"--link", "gpio:0"}, "--link gpio:CHIP needs --pins CLK=LINE,DATA=LINE,LE=LINE"},
        {{"--link", "gpio"}, "unknown link 'gpio': use sim, parport, parport:/dev/parportN, ftdi, ftdi:SERIAL or gpio:CHIP"},
        {{"--link", "ftdi:"}, "unknown link 'ftdi:'"},
        {{"--pins", "CLK=D0"}, "--pins needs --link ftdi or --link gpio:CHIP"},
        {{"--link", "ftdi", "--pins="}, "--pins needs NAME=PIN entries"},
        {{"--rate", "1M"}, "--rate applies to --link ftdi only"},
        {{"--link", "gpio:0", "--pins", "CLK=1,DATA=2,LE=3", "--rate", "1M"}, "--rate applies to --link ftdi only"},
        {{"--link", "ftdi", "--rate", "99"}, "bad rate '99': use a whole number of Hz from 100 to 12000000"},
        {{"--link", "ftdi", "--rate", "0.5"}, "bad rate '0.5'"},
        {{"--link", "ftdi", "--rate", std::string(300, '9')}, "bad rate '" + std::string(40, '9') + "... (300 characters)'"},
    };
    for (const auto& c : cases) {
        auto parsed = parse_options(c.args);
        EXPECT_FALSE(parsed.options);
        EXPECT_NE(parsed.error.find(c.reason), std::string::npos) << parsed.error.substr(0, 200);
        EXPECT_LT(parsed.error.size(), 200u) << "a bad value is echoed as a short prefix only";
    }
}
