// The tool itself, run as a child process: what it refuses before Qt starts, how it ends, and its
// runs without windows as a bench script makes them (the board's words read back from the trace).
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/support/tool_process.h"
#include "tests/support/trace_reader.h"

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// How long the tool may take to end once signalled (sanitized builds: the leak check at exit).
#ifdef KSY_SANITIZED
constexpr std::chrono::milliseconds kEndDeadline = 3s;
#else
constexpr std::chrono::milliseconds kEndDeadline = 1s;
#endif

// env(1) with the changes to the environment: "-u NAME" removes, "NAME=VALUE" sets.
using Env = std::vector<std::string>;
const Env kNoDisplay = {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", "-u", "XDG_SESSION_TYPE"};

struct Ran { int status = -1; std::string out, err; std::vector<uint32_t> words; };  // words: decoded from the trace

// The tool with `args` running `variant` without windows or display, on a traced simulated board.
Ran run_headless(const std::string& variant, std::vector<std::string> args, const std::string& input = {}) {
    const std::string trace = temp_path("trace.vcd");
    args.insert(args.begin(), {"--headless", "--variant", variant, "--link", "sim", "--trace", trace});
    ToolProcess tool(args, kNoDisplay, input);
    const int status = tool.wait(20s);
    EXPECT_TRUE(status >= 0 && status < 256) << status;
    const auto reading = read_trace(trace);
    EXPECT_EQ(reading.problem, "");
    std::filesystem::remove(trace);
    return {status, tool.out(), tool.err(), reading.words};
}

}  // namespace

TEST(CommandLine, IsCheckedBeforeAnyDisplayIsNeeded) {
    const std::string good_trace = temp_path("nodisplay.vcd");
    struct Case { std::vector<std::string> args; Env env; int status; std::vector<std::string> says; std::string never_says; };
    const Case cases[] = {
        // One line and where to look, not the whole usage.
        {{"--help=x"}, kNoDisplay, 2, {"ksy7100-eval: option '--help' takes no value\nTry 'ksy7100-eval --help'\n"}, "Usage"},
        // Files are checked before the display.
        {{"--link", "sim", "--trace", "/nonexistent-dir/t.vcd"}, kNoDisplay, 1,
         {"Cannot write the trace file /nonexistent-dir/t.vcd: No such file or directory"}, "display"},
        {{"--link", "sim", "--trace", good_trace}, kNoDisplay, 1,
         {"no display found: neither DISPLAY nor WAYLAND_DISPLAY is set", "xvfb-run"}, "abort"},
        // A display that is named but cannot be reached: Qt's own failure, said plainly.
        {{"--link", "sim"}, {"env", "-u", "QT_QPA_PLATFORM", "-u", "WAYLAND_DISPLAY", "-u", "XDG_SESSION_TYPE", "DISPLAY=:7654"}, 1,
         {"no display found", "DISPLAY=:7654", "xvfb-run"}, "Reinstalling"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + (c.args.size() > 1 ? c.args[1] : ""));
        ToolProcess tool(c.args, c.env);
        EXPECT_EQ(tool.wait(20s), c.status);
        const std::string err = tool.err();
        for (const auto& text : c.says) EXPECT_NE(err.find(text), std::string::npos) << err.substr(0, 2000);
        EXPECT_TRUE(err.find(c.never_says) == std::string::npos && err.size() < 4000) << err.substr(0, 2000);
    }
    // The trace of the run refused for want of a display was completed, not left open.
    EXPECT_TRUE(read_trace(good_trace).complete);
}

// With windows each signal is caught under the variant dialog (other stages: SignalEndsTheRun),
// where a command is refused; without, SYST:EXIT or a SIGTERM right after a client left end the
// command server. The exit is prompt, 128 + the signal, with the trace written to its end.
TEST(CommandLine, ASignalOrTheLastWordsEndTheToolPromptlyWithACompleteTrace) {
    struct Case { bool headless; int sig; };  // sig 0: SYST:EXIT
    std::vector<Case> cases = {{false, SIGTERM}, {false, SIGINT}, {false, SIGHUP}};
    for (int round = 0; round < 3; ++round) cases.insert(cases.end(), {{true, 0}, {true, SIGTERM}});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.headless ? "headless" : "windows") + ", signal " + std::to_string(c.sig));
        const std::string trace = temp_path("end.vcd");
        const int port = free_tcp_port();
        std::vector<std::string> args = {"--link", "sim", "--trace", trace, "--scpi=" + std::to_string(port)};
        if (c.headless) args.insert(args.begin(), {"--headless", "--variant", "ksy7100-1"});
        ToolProcess tool(args, c.headless ? kNoDisplay : Env{"env", "QT_QPA_PLATFORM=offscreen"});
        ASSERT_TRUE(tool.wait_for_err("command server on")) << tool.err();
        if (c.headless) CommandClient(port).tell(c.sig ? "FREQ 2401" : "FREQ 2401\nSYST:EXIT");  // then closes at once
        else {
            std::this_thread::sleep_for(1s);  // into its window
            CommandClient client(port);
            client.tell("FREQ 2401");
            EXPECT_EQ(client.ask("SYST:ERR?"), "-200,\"Execution error; no variant is chosen yet: the variant dialog is open\"");
            ASSERT_EQ(tool.wait(0ms), -1) << tool.err();
        }
        if (c.sig) tool.signal(c.sig);
        EXPECT_EQ(tool.wait(c.headless ? 20s : kEndDeadline), c.sig ? 128 + c.sig : 0) << tool.err();
        EXPECT_EQ(tool.err().find("ended by signal " + std::to_string(c.sig)) != std::string::npos, c.sig != 0) << tool.err();
        const auto reading = read_trace(trace);
        EXPECT_EQ(std::pair(reading.problem, reading.complete), std::pair(std::string(), true));
        std::filesystem::remove(trace);
    }
}

// From a plan to firmware on the command line: the exported C header compiles as C99 and C++ and
// holds the words the board latched, the channel table beside it, and the hex list imports back.
TEST(Headless, RegistersAndChannelTablesGoToFirmwareAndComeBack) {
    const std::string header = temp_path("latches.h"), channels = temp_path("channels.h"), list = temp_path("latches.txt");
    const std::string plan = "FREQ 2101.4;POW:CORE DOWN;LATC:SEND ALL";
    const Ran exported = run_headless("ksy7100-2", {"--exec", plan, "--export", header, "--channels", "2100,2101,200", "--export-channels", channels});
    ASSERT_TRUE(exported.status == 0 && exported.words.size() >= 4) << exported.err;
    ASSERT_EQ(run_headless("ksy7100-2", {"--exec", plan, "--export", list}).status, 0);

    const std::string program = temp_path("firmware.c"), binary = temp_path("firmware");
    std::ofstream(program) << "#include <stdio.h>\n#include \"" << header << "\"\n#include \"" << channels << "\"\n"
                           << "int main(void) {\n  for (int i = 0; i < 4; ++i) printf(\"%06X\\n\", (unsigned)ksy7100_latches[i]);\n"
                           << "  printf(\"%u %06X\\n\", (unsigned)KSY7100_CHANNEL_COUNT, (unsigned)ksy7100_channel_n_words[5]);\n"
                           << "  return 0;\n}\n";
    ASSERT_EQ(std::system(("cc -std=c99 -Wall -Wextra -Werror -o " + binary + " " + program).c_str()), 0);
    ASSERT_EQ(std::system(("c++ -std=c++17 -Wall -Werror -fsyntax-only -x c++ " + program).c_str()), 0);
    ToolProcess printed_by({}, {binary});  // the firmware; it ignores the tool's path given as its argument
    ASSERT_EQ(printed_by.wait(10s), 0);
    char expected[128];
    const uint32_t* w = exported.words.data() + exported.words.size() - 4;
    std::snprintf(expected, sizeof expected, "%06X\n%06X\n%06X\n%06X\n6 %06X\n", w[0], w[1], w[2], w[3],
                  (w[1] & ~0x1FFF7Cu) | (10505u / 32 << 8) | (10505u % 32 << 2));
    EXPECT_EQ(printed_by.out(), expected) << "test, N, R, control as the board latched them; channel 5 at 2101 MHz";

    const Ran imported = run_headless("ksy7100-2", {"--import", list, "--exec", "LATC:WORD? N;LATC:WORD? CONT"});
    std::snprintf(expected, sizeof expected, "%06X\n%06X\n", w[1], w[3]);
    EXPECT_EQ(std::pair(imported.status, imported.out), std::pair(0, std::string(expected))) << imported.err;
    for (const auto& f : {header, channels, list, program, binary}) std::filesystem::remove(f);
}

// A refused command or a file that cannot be read: said as the window would say it, nothing more
// runs, the board is untouched and the run exits 1.
TEST(Headless, ARefusalIsSaidRunsNothingMoreAndExitsOne) {
    struct Case { std::vector<std::string> args; std::string input, err; size_t answers; };
    const Case cases[] = {
        {{"--exec", "FREQ?; FREQ abc; FREQ 2401"}, "", "ksy7100-eval: Invalid entry in VCO Frequency.\n", 1},
        {{"--exec", "-"}, "FREQ?\nNOPE\nFREQ 2401\n", "ksy7100-eval: Undefined header: no command NOPE\n", 1},
        {{"--exec", "-"}, std::string(10000, 'x') + "\nFREQ 2401\n", "ksy7100-eval: Too much data: a line holds at most 4096 bytes\n", 0},
        {{"--load", "/nonexistent-dir/setup.txt", "--exec", "*IDN?"}, "", "could not be read", 0},
    };
    for (const auto& c : cases) {
        Ran r = run_headless("ksy7100-1", c.args, c.input);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(std::tuple(r.status, size_t(std::count(r.out.begin(), r.out.end(), '\n')), r.words.size()), std::tuple(1, c.answers, 0u)) << c.err;
    }
}

// Commands on the command line or standard input, one or more a line, answered on standard output;
// a settings file saved by one run is loaded by the next. A variant's name may be in either case.
TEST(Headless, CommandsRunWithoutAnyDisplayAndAnswerOnStandardOutput) {
    const std::string file = temp_path("setup.txt");
    Ran saved = run_headless("KSY7100-3", {"--exec", "FREQ 1905.4; LATC:WORD? N\n*IDN?;MEM:SAVE \"" + file + "\""});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.out, "01295E\nKSY7100-EVAL,KSY7100-3,SIM," KSY_VERSION "\n");
    EXPECT_EQ(saved.words, (std::vector<uint32_t>{0x0000C9, 0x01295E})) << "the variant's start sends nothing; the change R and N";
    Ran loaded = run_headless("ksy7100-3", {"--load", file, "--exec", "-"}, "FREQ?;LATC:WORD? N\nFREQ:PFD?");
    EXPECT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(loaded.out, "1905.4\n01295E\n200\n") << "the last line needs no line end";
    std::filesystem::remove(file);
}
