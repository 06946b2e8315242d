// The tool itself, run as a child process: what it refuses before Qt starts, what it says without
// a display, how it ends when signalled, and its runs without windows as a bench script makes them
// (commands on its command line or standard input, answers on standard output, and the words the
// board received read back from the trace).
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "tests/support/trace_reader.h"

extern char** environ;

using testing_support::read_trace;
using testing_support::temp_path;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long the tool may take to end once signalled. Sanitized builds end slower (the leak check
// at exit), so they get more.
#ifdef KSY_SANITIZED
constexpr auto kEndDeadline = 3s;
#else
constexpr auto kEndDeadline = 1s;
#endif

// Changes to the environment as env(1) takes them: "-u NAME" removes, then "NAME=VALUE" sets.
using EnvChanges = std::vector<std::string>;
const EnvChanges kNoDisplay = {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", "-u", "XDG_SESSION_TYPE"};
const EnvChanges kOffscreen = {"QT_QPA_PLATFORM=offscreen"};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The tool as a child process fed `input`, its standard output and error kept in files. env(1)
// execs it in its own place, so the child's pid is the tool's.
class Tool {
public:
    struct Outcome {
        bool ended = false;   // within the time given
        bool exited = false;  // by exit(), not by a signal
        int status = -1;
    };

    Tool(const std::vector<std::string>& args, const EnvChanges& env, const std::string& input = {})
        : in_path_(temp_path("stdin.txt")), out_path_(temp_path("stdout.txt")), err_path_(temp_path("stderr.txt")) {
        std::ofstream(in_path_, std::ios::binary) << input;
        std::vector<std::string> words{"/usr/bin/env"};
        words.insert(words.end(), env.begin(), env.end());
        words.push_back(KSY_EVAL_PROGRAM);
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        ::posix_spawn_file_actions_init(&files);
        ::posix_spawn_file_actions_addopen(&files, 0, in_path_.c_str(), O_RDONLY, 0);
        ::posix_spawn_file_actions_addopen(&files, 1, out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::posix_spawn_file_actions_addopen(&files, 2, err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int started = ::posix_spawn(&pid_, argv[0], &files, nullptr, argv.data(), environ);
        ::posix_spawn_file_actions_destroy(&files);
        if (started != 0) throw std::runtime_error("cannot start " + words[0]);  // the test fails
    }
    ~Tool() {
        if (!reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    std::string out() const { return slurp(out_path_); }
    std::string err() const { return slurp(err_path_); }
    // Waits until its standard error holds `text`.
    bool wait_for_err(const std::string& text, std::chrono::milliseconds limit = 20s) {
        for (auto end = Clock::now() + limit; Clock::now() < end; std::this_thread::sleep_for(10ms))
            if (err().find(text) != std::string::npos) return true;
        return false;
    }
    void signal(int sig) { ::kill(pid_, sig); }
    Outcome wait(std::chrono::milliseconds limit) {
        Outcome o;
        for (auto end = Clock::now() + limit; Clock::now() < end; std::this_thread::sleep_for(5ms)) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                o.ended = true;
                o.exited = WIFEXITED(status);
                o.status = o.exited ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
        }
        return o;
    }

private:
    std::string in_path_, out_path_, err_path_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

struct Ran {
    int status = -1;
    std::string out, err;
    std::vector<uint32_t> words;  // decoded from the trace
};

// A run without windows and without any display: the tool with `args` on a traced simulated board.
Ran run_headless(std::vector<std::string> args, const std::string& input = {}) {
    const std::string trace = temp_path("trace.vcd");
    args.insert(args.begin(), {"--headless", "--link", "sim", "--trace", trace});
    Tool tool(args, kNoDisplay, input);
    const auto o = tool.wait(20s);
    EXPECT_TRUE(o.ended && o.exited);
    const auto reading = read_trace(trace);
    EXPECT_EQ(reading.problem, "");
    std::filesystem::remove(trace);
    return {o.status, tool.out(), tool.err(), reading.words};
}

}  // namespace

TEST(CommandLine, IsCheckedBeforeAnyDisplayIsNeeded) {
    const std::string good_trace = temp_path("nodisplay.vcd");
    struct Case {
        std::vector<std::string> args;
        EnvChanges env;
        int status;
        std::vector<std::string> says;
        std::string never_says;
    };
    const Case cases[] = {
        // One line and where to look, not the whole usage.
        {{"--help=x"}, kNoDisplay, 2, {"ksy7100-eval: option '--help' takes no value\nTry 'ksy7100-eval --help'\n"}, "Usage"},
        {{"--link", std::string(100000, 'u')}, kNoDisplay, 2, {"unknown link 'uuuu", "(100000 characters)"},
         std::string(41, 'u')},
        // Files are checked before the display.
        {{"--link", "sim", "--trace", "/nonexistent-dir/t.vcd"}, kNoDisplay, 1,
         {"Cannot write the trace file /nonexistent-dir/t.vcd: No such file or directory"}, "display"},
        {{"--link", "sim", "--trace", good_trace}, kNoDisplay, 1,
         {"no display found: neither DISPLAY nor WAYLAND_DISPLAY is set", "xvfb-run"}, "abort"},
        {{"--link", "sim"}, {"-u", "DISPLAY", "QT_QPA_PLATFORM=xcb"}, 1,
         {"the window system 'xcb' needs DISPLAY"}, "abort"},
        // A display that is named but cannot be reached: Qt's own failure, said plainly.
        {{"--link", "sim"}, {"-u", "QT_QPA_PLATFORM", "-u", "WAYLAND_DISPLAY", "-u", "XDG_SESSION_TYPE", "DISPLAY=:7654"}, 1,
         {"no display found", "DISPLAY=:7654", "xvfb-run"}, "Reinstalling"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + (c.args.size() > 1 ? c.args[1].substr(0, 20) : ""));
        Tool tool(c.args, c.env);
        auto o = tool.wait(20s);
        ASSERT_TRUE(o.ended);
        EXPECT_TRUE(o.exited) << "ended by signal " << o.status - 128;
        EXPECT_EQ(o.status, c.status);
        std::string err = tool.err();
        for (const auto& text : c.says) EXPECT_NE(err.find(text), std::string::npos) << err.substr(0, 2000);
        EXPECT_TRUE(c.never_says.empty() || err.find(c.never_says) == std::string::npos) << err.substr(0, 2000);
        EXPECT_LT(err.size(), 4000u);
    }
    // The trace of the run refused for want of a display was completed, not left open.
    EXPECT_TRUE(read_trace(good_trace).complete);
}

TEST(CommandLine, ASignalEndsTheToolPromptlyWithACompleteTrace) {
    // Each signal is caught in the event loop, under the variant dialog; the other stages a signal
    // may find are covered in-process by SignalEndsTheRun.AtEveryStageWithTheTraceCompletedAndTheLinkClosed.
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE("signal " + std::to_string(sig));
        std::string trace = temp_path("signal.vcd");
        Tool tool({"--link", "sim", "--trace", trace}, kOffscreen);
        ASSERT_TRUE(tool.wait_for_err("board link: simulated board")) << tool.err();
        std::this_thread::sleep_for(1s);  // into its window
        ASSERT_FALSE(tool.wait(0ms).ended) << tool.err();
        tool.signal(sig);
        auto o = tool.wait(kEndDeadline);
        ASSERT_TRUE(o.ended) << "still running after the signal";
        EXPECT_TRUE(o.exited);
        EXPECT_EQ(o.status, 128 + sig) << tool.err();
        EXPECT_NE(tool.err().find("ended by signal " + std::to_string(sig)), std::string::npos) << tool.err();
        auto r = read_trace(trace);
        EXPECT_EQ(r.problem, "");
        EXPECT_TRUE(r.complete);
    }
}

namespace {

// A port no one listens on now.
int free_port() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t length = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(s);
    return ntohs(a.sin_port);
}

// A client that connects, sends `text` and closes at once, as a script does at its end.
void send_and_close(int port, const std::string& text) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::send(s, text.data(), text.size(), 0), ssize_t(text.size()));
    ::close(s);
}

}  // namespace

// A script's last words, SYST:EXIT and a closed socket, or a SIGTERM right after a client left: the
// server ends cleanly every time, with the trace written to its end.
TEST(Headless, TheCommandServerEndsSoundlyHoweverItsClientsLeave) {
    for (int round = 0; round < 6; ++round) {
        const bool by_signal = round % 2 == 1;
        SCOPED_TRACE(std::string(by_signal ? "SIGTERM" : "SYST:EXIT") + ", round " + std::to_string(round));
        const std::string trace = temp_path("server-end.vcd");
        const int port = free_port();
        Tool tool({"--headless", "--variant", "ksy7100-1", "--link", "sim", "--trace", trace,
                   "--scpi=" + std::to_string(port)},
                  kNoDisplay);
        ASSERT_TRUE(tool.wait_for_err("command server on")) << tool.err();
        send_and_close(port, by_signal ? "FREQ 2401\n" : "FREQ 2401\nSYST:EXIT\n");
        if (by_signal) tool.signal(SIGTERM);
        const auto o = tool.wait(20s);
        ASSERT_TRUE(o.ended);
        EXPECT_TRUE(o.exited) << "ended by signal " << o.status - 128 << "\n" << tool.err();
        EXPECT_EQ(o.status, by_signal ? 128 + SIGTERM : 0) << tool.err();
        const auto reading = read_trace(trace);
        EXPECT_EQ(reading.problem, "");
        EXPECT_TRUE(reading.complete);
        std::filesystem::remove(trace);
    }
}

// A script that names a link the tool cannot open is told so by its exit status before any command
// runs: it never reports success for a board it did not reach.
TEST(Headless, AnExplicitLinkThatCannotBeOpenedEndsWithStatusFour) {
    Tool tool({"--headless", "--variant", "ksy7100-1", "--link", "parport:/dev/no-such-port", "--exec", "FREQ 2401;FREQ?"},
              kNoDisplay);
    const auto o = tool.wait(20s);
    ASSERT_TRUE(o.ended);
    EXPECT_EQ(o.status, 4);
    EXPECT_EQ(tool.out(), "");
    EXPECT_NE(tool.err().find("/dev/no-such-port: open failed: no such device"), std::string::npos) << tool.err();
}

// A FIFO given as the file to load is refused at once: nothing waits on it for a writer.
TEST(Headless, AFifoToLoadIsRefusedWithoutWaiting) {
    const std::string fifo = temp_path("settings.fifo");
    ::mkfifo(fifo.c_str(), 0600);
    Tool tool({"--headless", "--variant", "ksy7100-1", "--link", "sim", "--load", fifo, "--exec", "*IDN?"}, kNoDisplay);
    const auto o = tool.wait(kEndDeadline * 5);
    ASSERT_TRUE(o.ended) << "the tool waits on the FIFO";
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(tool.err().find("not a regular file (a FIFO, a device or a socket)"), std::string::npos) << tool.err();
    std::filesystem::remove(fifo);
}

// From a plan to firmware on the command line: the exported C header compiles as C99 and C++ and
// holds the words the board latched, the channel table beside it, and the hex list imports back.
TEST(Headless, RegistersAndChannelTablesGoToFirmwareAndComeBack) {
    const std::string header = temp_path("latches.h"), channels = temp_path("channels.h"), list = temp_path("latches.txt");
    const std::vector<std::string> setup = {"--variant", "ksy7100-2", "--exec", "FREQ 2101.4;POW:CORE DOWN;LATC:SEND ALL"};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.begin(), setup.begin(), setup.end());
        return run_headless(more);
    };
    const Ran exported = with({"--export", header, "--channels", "2100,2101,200", "--export-channels", channels});
    ASSERT_EQ(exported.status, 0) << exported.err;
    ASSERT_GE(exported.words.size(), 4u);
    ASSERT_EQ(with({"--export", list}).status, 0);

    const std::string program = temp_path("firmware.c"), binary = temp_path("firmware");
    std::ofstream(program) << "#include <stdio.h>\n#include \"" << header << "\"\n#include \"" << channels << "\"\n"
                           << "int main(void) {\n  for (int i = 0; i < 4; ++i) printf(\"%06X\\n\", (unsigned)ksy7100_latches[i]);\n"
                           << "  printf(\"%u %06X\\n\", (unsigned)KSY7100_CHANNEL_COUNT, (unsigned)ksy7100_channel_n_words[5]);\n"
                           << "  return 0;\n}\n";
    ASSERT_EQ(std::system(("cc -std=c99 -Wall -Wextra -Werror -o " + binary + " " + program).c_str()), 0);
    ASSERT_EQ(std::system(("c++ -std=c++17 -Wall -Werror -fsyntax-only -x c++ " + program).c_str()), 0);
    std::string printed;
    if (FILE* out = ::popen(binary.c_str(), "r")) {
        char buffer[256];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, out)) printed.append(buffer, n);
        ::pclose(out);
    }
    char expected[128];
    const auto& w = exported.words;
    std::snprintf(expected, sizeof expected, "%06X\n%06X\n%06X\n%06X\n6 %06X\n", w[w.size() - 4], w[w.size() - 3],
                  w[w.size() - 2], w[w.size() - 1], (w[w.size() - 3] & ~0x1FFF7Cu) | (10505u / 32 << 8) | (10505u % 32 << 2));
    EXPECT_EQ(printed, expected) << "test, N, R, control as the board latched them; channel 5 at 2101 MHz";

    const Ran imported = run_headless({"--variant", "ksy7100-2", "--import", list, "--exec", "LATC:WORD? N;LATC:WORD? CONT"});
    ASSERT_EQ(imported.status, 0) << imported.err;
    std::snprintf(expected, sizeof expected, "%06X\n%06X\n", w[w.size() - 3], w[w.size() - 1]);
    EXPECT_EQ(imported.out, expected);
    for (const auto& f : {header, channels, list, program, binary}) std::filesystem::remove(f);
}

TEST(Headless, CommandsRunWithoutAnyDisplayAndAnswerOnStandardOutput) {
    Ran r = run_headless({"--variant", "ksy7100-1", "--exec", "FREQ 2400.2; LATC:WORD? N\n*IDN?"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "017706\nKSY7100-EVAL,KSY7100-1,SIM," KSY_VERSION "\n");
    EXPECT_EQ(r.words, (std::vector<uint32_t>{0x0000C9, 0x017706})) << "the variant's start sends nothing; the load sends R and N";
}

TEST(Headless, ARefusedCommandSaysWhatTheWindowWouldRunsNothingMoreAndExitsOne) {
    struct Case { std::string exec, input, err; size_t answers; };
    const Case cases[] = {
        {"FREQ?; FREQ abc; FREQ 2401", "", "ksy7100-eval: Invalid entry in VCO Frequency.\n", 1},
        {"-", "FREQ?\nNOPE\nFREQ 2401\n", "ksy7100-eval: Undefined header: no command NOPE\n", 1},
        {"-", std::string(10000, 'x') + "\nFREQ 2401\n", "ksy7100-eval: Too much data: a line holds at most 4096 bytes\n", 0},
        {"LATC:SEND", "", "ksy7100-eval: Missing parameter: LATC:SEND needs CONT|R|N|TEST|ALL\n", 0},
    };
    for (const auto& c : cases) {
        Ran r = run_headless({"--variant", "ksy7100-1", "--exec", c.exec}, c.input);
        EXPECT_EQ(r.status, 1) << c.exec;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(size_t(std::count(r.out.begin(), r.out.end(), '\n')), c.answers) << c.exec;
        EXPECT_TRUE(r.words.empty()) << c.exec << ": the board is untouched";
    }
}

TEST(Headless, LoadSendsRControlNAndStandardInputTakesOneOrMoreCommandsALine) {
    const std::string file = temp_path("setup.txt");
    Ran saved = run_headless({"--variant", "ksy7100-3", "--exec", "FREQ 1905.4; MEM:SAVE \"" + file + "\""});
    ASSERT_EQ(saved.status, 0) << saved.err;
    Ran loaded = run_headless({"--variant", "ksy7100-3", "--load", file, "--exec", "-"}, "FREQ?;LATC:WORD? N\nFREQ:PFD?\n");
    EXPECT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(loaded.out, "1905.4\n01295E\n200\n");
    std::vector<int> latches;
    for (uint32_t w : loaded.words) latches.push_back(int(w & 3));
    EXPECT_EQ(latches, (std::vector<int>{1, 0, 2}));

    Ran missing = run_headless({"--variant", "ksy7100-3", "--load", file + ".absent"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("could not be read"), std::string::npos) << missing.err;
    EXPECT_TRUE(missing.words.empty());
    std::filesystem::remove(file);
}
