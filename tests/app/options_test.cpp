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
    // Qt's own options pass, and the window system it is told to use is noted.
    auto qt = parse_options({"-platform", "offscreen", "-reverse", "--link", "sim"});
    ASSERT_TRUE(qt.options) << qt.error;
    EXPECT_EQ(qt.options->qt_platform, "offscreen");
    EXPECT_EQ(qt.options->link.kind, Kind::Sim);
}

TEST(Options, BadOptionsAreRejectedWithAReason) {
    struct Case { std::vector<std::string> args; std::string reason; };
    const Case cases[] = {
        {{"--link"}, "needs a value"},
        {{"--link", "usb"}, "unknown link 'usb'"},
        {{"--link", "parport:"}, "unknown link"},
        {{"--link", "sim", "--link", "sim"}, "twice"},
        {{"--trace"}, "needs a file name"},
        {{"--trace="}, "needs a file name"},
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"extra"}, "unknown option 'extra'"},
        {{"--help=x"}, "option '--help' takes no value"},
        {{"--version=1"}, "option '--version' takes no value"},
        {{"--version="}, "option '--version' takes no value"},
        {{"--link", std::string(100000, 'u')}, "unknown link '" + std::string(40, 'u') + "... (100000 characters)'"},
        {{"--link", "sim\x1b[2J"}, "unknown link 'sim?[2J'"},
        {{"--" + std::string(5000, 'z')}, "unknown option '--" + std::string(38, 'z') + "... (5002 characters)'"},
        {{"--headless"}, "--headless needs --variant NAME"},
        {{"--variant", "ksy7100-9"}, "unknown variant 'ksy7100-9'"},
        {{"--variant", "ksy7102", "--headless"}, "unknown variant"},
        {{"--exec", "*IDN?"}, "--exec runs commands only with --headless"},
        {{"--headless=1", "--variant", "ksy7100-1"}, "takes no value"},
        {{"--load"}, "--load needs a file name"},
        {{"--variant", "ksy7100-1", "--variant", "ksy7100-2"}, "--variant given twice"},
    };
    for (const auto& c : cases) {
        auto parsed = parse_options(c.args);
        EXPECT_FALSE(parsed.options);
        EXPECT_NE(parsed.error.find(c.reason), std::string::npos) << parsed.error.substr(0, 200);
        EXPECT_LT(parsed.error.size(), 200u) << "a bad value is echoed as a short prefix only";
    }
}

TEST(Options, RunsWithoutWindowsTakeAVariantAFileAndCommands) {
    auto parsed = parse_options({"--headless", "--variant", "KSY7100-8", "--load=a b.txt", "--exec", "FREQ?; *IDN?"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_TRUE(parsed.options->headless);
    EXPECT_EQ(parsed.options->variant, "ksy7100-8");
    EXPECT_EQ(parsed.options->load_file, "a b.txt");
    EXPECT_EQ(parsed.options->exec, "FREQ?; *IDN?");
    // Every option of the table is in the help text.
    for (const OptionSpec& o : kOptionTable) EXPECT_NE(usage_text().find(o.name), std::string::npos) << o.name;
}
