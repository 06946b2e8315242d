// Runs without windows, start to exit: one command, and 10,000 frequency commands fed through
// standard input. Each figure is the child process's own: wall time for the single command,
// processor time (user and system) for the long run, whose 10,000 N latch writes go into the
// simulated board.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

struct ChildCost {
    double wall_s = 0, cpu_s = 0;
};

// The tool with `args`, `input` on its standard input, its output discarded.
ChildCost run_tool(std::vector<std::string> args, const std::string& input) {
    args.insert(args.begin(), KSY_EVAL_PROGRAM);
    int in[2];
    if (::pipe(in) != 0) return {};
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::close(in[0]);
        ::close(in[1]);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::unsetenv("DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    for (size_t done = 0; done < input.size();) {
        const ssize_t n = ::write(in[1], input.data() + done, input.size() - done);
        if (n <= 0) break;
        done += size_t(n);
    }
    ::close(in[1]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    ChildCost cost;
    cost.wall_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cost.cpu_s = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return cost;
}

void BM_HeadlessOneCommand(benchmark::State& bs) {
    for (auto _ : bs) {
        ChildCost c = run_tool({"--headless", "--variant", "ksy7100-1", "--link", "sim", "--exec", "*IDN?"}, "");
        bs.SetIterationTime(c.wall_s);
    }
}

void BM_Headless10000FrequencyCommands(benchmark::State& bs) {
    std::string input;
    for (int i = 0; i < 10000; ++i) input += "FREQ " + std::to_string(2400 + (i % 100) * 0.2) + "\n";
    for (auto _ : bs) {
        ChildCost c = run_tool({"--headless", "--variant", "ksy7100-1", "--link", "sim", "--exec", "-"}, input);
        bs.SetIterationTime(c.cpu_s);
        bs.counters["wall_s"] = c.wall_s;
    }
}

}  // namespace

BENCHMARK(BM_HeadlessOneCommand)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_Headless10000FrequencyCommands)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
