// Runs without windows, as a bench script makes them: the tool as a child process with no display
// at all, commands on its command line or standard input, answers on standard output, and the
// words the board received read back from the trace.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/trace_reader.h"

namespace {

struct Ran {
    int status = -1;
    std::string out, err;
    std::vector<uint32_t> words;  // decoded from the trace
};

std::string temp_path(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("ksy_headless_" + std::to_string(::getpid()) + "_" + name)).string();
}

std::string slurp(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    return text;
}

// The tool with `args` (and a trace), without DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM, fed
// `input` on standard input.
Ran run_tool(std::vector<std::string> args, const std::string& input = {}) {
    const std::string trace = temp_path("trace.vcd");
    args.insert(args.begin(), {KSY_EVAL_PROGRAM, "--link", "sim", "--trace", trace});
    int in[2], out[2], err[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    [[maybe_unused]] auto written = ::write(in[1], input.data(), input.size());
    ::close(in[1]);
    Ran ran;
    ran.out = slurp(out[0]);
    ran.err = slurp(err[0]);
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    auto reading = testing_support::read_trace(trace);
    EXPECT_EQ(reading.problem, "");
    ran.words = reading.words;
    std::filesystem::remove(trace);
    return ran;
}

std::vector<int> latches(const std::vector<uint32_t>& words) {
    std::vector<int> l;
    for (uint32_t w : words) l.push_back(int(w & 3));
    return l;
}

}  // namespace

TEST(Headless, CommandsRunWithoutAnyDisplayAndAnswerOnStandardOutput) {
    Ran r = run_tool({"--headless", "--variant", "ksy7100-1", "--exec", "FREQ 2400.2; LATC:WORD? N\n*IDN?"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "017706\nKSY7100-EVAL,KSY7100-1,0," KSY_VERSION "\n");
    EXPECT_EQ(r.words, std::vector<uint32_t>{0x017706}) << "the variant's start sends nothing; the load sends N";
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
        Ran r = run_tool({"--headless", "--variant", "ksy7100-1", "--exec", c.exec}, c.input);
        EXPECT_EQ(r.status, 1) << c.exec;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(size_t(std::count(r.out.begin(), r.out.end(), '\n')), c.answers) << c.exec;
        EXPECT_TRUE(r.words.empty()) << c.exec << ": the board is untouched";
    }
}

TEST(Headless, LoadSendsRControlNAndStandardInputTakesOneOrMoreCommandsALine) {
    const std::string file = temp_path("setup.txt");
    Ran saved = run_tool({"--headless", "--variant", "ksy7100-3", "--exec", "FREQ 1905.4; MEM:SAVE \"" + file + "\""});
    ASSERT_EQ(saved.status, 0) << saved.err;
    Ran loaded = run_tool({"--headless", "--variant", "ksy7100-3", "--load", file, "--exec", "-"},
                          "FREQ?;LATC:WORD? N\nFREQ:PFD?\n");
    EXPECT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(loaded.out, "1905.4\n" + std::string("01295E\n") + "200\n");
    EXPECT_EQ(latches(loaded.words), (std::vector<int>{1, 0, 2}));

    Ran missing = run_tool({"--headless", "--variant", "ksy7100-3", "--load", file + ".absent"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("could not be read"), std::string::npos) << missing.err;
    EXPECT_TRUE(missing.words.empty());
    std::filesystem::remove(file);
}
