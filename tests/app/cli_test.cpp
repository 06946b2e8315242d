// The tool itself, run as a child process: what it refuses before Qt starts, what it says without
// a display, and how it ends when signalled.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "tests/support/trace_reader.h"

extern char** environ;

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

// The tool as a child process, its standard error kept in a file. env(1) execs it in its own
// place, so the child's pid is the tool's.
class Tool {
public:
    struct Outcome {
        bool ended = false;   // within the time given
        bool exited = false;  // by exit(), not by a signal
        int status = -1;
    };

    Tool(const std::vector<std::string>& args, const EnvChanges& env) : err_path_(temp_path("stderr.txt")) {
        std::vector<std::string> words{"/usr/bin/env"};
        words.insert(words.end(), env.begin(), env.end());
        words.push_back(KSY_EVAL_PROGRAM);
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        ::posix_spawn_file_actions_init(&files);
        ::posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
        ::posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
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

    std::string err() const {
        std::ifstream in(err_path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
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
    std::string err_path_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

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
        {{"--help=x"}, kNoDisplay, 2, {"option '--help' takes no value"}, ""},
        {{"--version=1"}, kNoDisplay, 2, {"option '--version' takes no value"}, ""},
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
    EXPECT_TRUE(testing_support::read_trace(good_trace).complete);
}

TEST(CommandLine, ASignalEndsTheToolPromptlyWithACompleteTrace) {
    struct Case { const char* stage; std::string link; int sig; };
    const Case cases[] = {
        {"in the event loop, under the variant dialog", "sim", SIGTERM},
        {"in the event loop, under the variant dialog", "sim", SIGINT},
        {"in the event loop, under the variant dialog", "sim", SIGHUP},
        {"under the start-up message of a port that cannot be claimed", "parport:/nonexistent/parport9", SIGTERM},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.stage) + ", signal " + std::to_string(c.sig));
        std::string trace = temp_path("signal.vcd");
        Tool tool({"--link", c.link, "--trace", trace}, kOffscreen);
        ASSERT_TRUE(tool.wait_for_err("board link: simulated board")) << tool.err();
        std::this_thread::sleep_for(1s);  // into its window or message box
        ASSERT_FALSE(tool.wait(0ms).ended) << tool.err();
        tool.signal(c.sig);
        auto o = tool.wait(kEndDeadline);
        ASSERT_TRUE(o.ended) << "still running after the signal";
        EXPECT_TRUE(o.exited);
        EXPECT_EQ(o.status, 128 + c.sig) << tool.err();
        EXPECT_NE(tool.err().find("ended by signal " + std::to_string(c.sig)), std::string::npos) << tool.err();
        auto r = testing_support::read_trace(trace);
        EXPECT_EQ(r.problem, "");
        EXPECT_TRUE(r.complete);
    }
}
