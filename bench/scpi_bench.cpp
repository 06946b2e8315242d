// The command server from a plain socket client on this machine: the round trip of a query, a
// frequency command with its *OPC?, and 1000 commands sent at once (pipelined) until the last
// answer. The tool runs without windows on the simulated board, started once for all figures.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

uint16_t free_port() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    ::close(s);
    return ntohs(a.sin_port);
}

class Server {
public:
    Server() : port_(free_port()) {
        pid_ = ::fork();
        if (pid_ == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            ::unsetenv("DISPLAY");
            const std::string scpi = "--scpi=" + std::to_string(port_);
            ::execl(KSY_EVAL_PROGRAM, KSY_EVAL_PROGRAM, "--headless", "--variant", "ksy7100-1", "--link", "sim",
                    scpi.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Server() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    uint16_t port() const { return port_; }

private:
    uint16_t port_;
    pid_t pid_ = -1;
};

class Client {
public:
    explicit Client(uint16_t port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (int tries = 0; tries < 500; ++tries) {
            fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
            if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) break;
            ::close(fd_);
            fd_ = -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    ~Client() { ::close(fd_); }
    void send(const std::string& text) {
        for (size_t done = 0; done < text.size();) {
            const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
            if (n <= 0) return;
            done += size_t(n);
        }
    }
    // Reads until `lines` answer lines have come.
    void read_lines(int lines) {
        char buffer[65536];
        while (lines > 0) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) return;
            for (ssize_t i = 0; i < n; ++i) lines -= buffer[i] == '\n';
        }
    }

private:
    int fd_ = -1;
};

Server& server() {
    static Server s;
    return s;
}

void BM_QueryRoundTrip(benchmark::State& bs) {
    Client c(server().port());
    for (auto _ : bs) {
        c.send("*IDN?\n");
        c.read_lines(1);
    }
}

void BM_FrequencyWithOpc(benchmark::State& bs) {
    Client c(server().port());
    int i = 0;
    for (auto _ : bs) {
        c.send(i++ % 2 ? "FREQ 2400.2;*OPC?\n" : "FREQ 2400.4;*OPC?\n");
        c.read_lines(1);
    }
}

void BM_ThousandPipelinedCommands(benchmark::State& bs) {
    Client c(server().port());
    std::string batch;
    for (int i = 0; i < 1000; ++i) batch += i % 2 ? "FREQ 2400.2\n" : "FREQ 2400.4\n";
    batch += "*OPC?\n";
    for (auto _ : bs) {
        c.send(batch);
        c.read_lines(1);
    }
}

}  // namespace

BENCHMARK(BM_QueryRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(5)->DisplayAggregatesOnly(true);
BENCHMARK(BM_FrequencyWithOpc)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ThousandPipelinedCommands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
