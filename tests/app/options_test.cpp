#include <gtest/gtest.h>

#include "app/options.h"

using Kind = boardlink::LinkRequest::Kind;

TEST(Options, LinkAndTraceChoices) {
    struct Case { std::vector<std::string> args; Kind kind; std::string device; std::string trace; };
    const Case cases[] = {
        {{}, Kind::Auto, "/dev/parport0", ""},
        {{"--link", "sim"}, Kind::Sim, "/dev/parport0", ""},
        {{"--link", "parport"}, Kind::Parport, "/dev/parport0", ""},
        {{"--link=parport:/dev/parport2"}, Kind::Parport, "/dev/parport2", ""},
        {{"--trace", "t.vcd", "--link", "sim"}, Kind::Sim, "/dev/parport0", "t.vcd"},
        {{"--trace=a b.vcd"}, Kind::Auto, "/dev/parport0", "a b.vcd"},
    };
    for (const auto& c : cases) {
        auto parsed = parse_options(c.args);
        ASSERT_TRUE(parsed.options) << parsed.error;
        EXPECT_EQ(parsed.options->link.kind, c.kind);
        EXPECT_EQ(parsed.options->link.device, c.device);
        EXPECT_EQ(parsed.options->link.trace_path, c.trace);
    }
    EXPECT_TRUE(parse_options({"--help"}).options->help);
    EXPECT_TRUE(parse_options({"--version"}).options->version);
}

TEST(Options, BadOptionsAreRejectedWithAReason) {
    struct Case { std::vector<std::string> args; const char* reason; };
    const Case cases[] = {
        {{"--link"}, "needs a value"},
        {{"--link", "usb"}, "unknown link 'usb'"},
        {{"--link", "parport:"}, "unknown link"},
        {{"--link", "sim", "--link", "sim"}, "twice"},
        {{"--trace"}, "needs a file name"},
        {{"--trace="}, "needs a file name"},
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"extra"}, "unknown option 'extra'"},
    };
    for (const auto& c : cases) {
        auto parsed = parse_options(c.args);
        EXPECT_FALSE(parsed.options);
        EXPECT_NE(parsed.error.find(c.reason), std::string::npos) << parsed.error;
    }
}
