#pragma once
// The tool itself (ksy7100-eval) as a child process, its standard output and error kept in files,
// and a client of its command server. It inherits this process's environment: inside the device
// bed its libftdi1, libusb and ppdev calls reach the models of this process.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

inline std::string slurp(const std::string& path) { std::ifstream in(path, std::ios::binary); return {std::istreambuf_iterator<char>(in), {}}; }

// Calls `done` every few milliseconds until it holds or `limit` has passed.
template <class Done>
bool poll_until(Done done, std::chrono::milliseconds limit) {
    for (auto end = std::chrono::steady_clock::now() + limit; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(5)))
        if (std::chrono::steady_clock::now() >= end) return false;
    return true;
}

class ToolProcess {
public:
    // `prefix`: words before the program (env(1) and its changes, setpriv and its options);
    // `input`: what it reads on standard input.
    explicit ToolProcess(const std::vector<std::string>& args, const std::vector<std::string>& prefix = {},
                         const std::string& input = {});
    ~ToolProcess() {  // kills it when it still runs
        if (status_ < 0) ::kill(pid_, SIGKILL), ::waitpid(pid_, nullptr, 0);
    }
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    // Its exit status once it ends within `limit`; 256 + the signal when a signal killed it; -1
    // while it still runs.
    int wait(std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        poll_until([this] {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 256 + WTERMSIG(status);
            return status_ >= 0;
        }, limit);
        return status_;
    }
    // Waits until its standard error holds `text`.
    bool wait_for_err(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        return poll_until([&] { return err().find(text) != std::string::npos; }, limit);
    }
    void signal(int sig) { ::kill(pid_, sig); }
    std::string out() const { return slurp(out_path_); }
    std::string err() const { return slurp(err_path_); }

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::string in_path_, out_path_, err_path_;
};

inline sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(port));
    return address;
}

// A free TCP port on this machine for the tool's command server.
inline int free_tcp_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    ::close(fd);
    return ok ? ntohs(address.sin_port) : -1;
}

// Lines to the command server on `port`; ask() gives the one-line answer, empty when none comes.
class CommandClient {
public:
    explicit CommandClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        const sockaddr_in address = loopback(port);
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return;
        ::close(fd_);
        fd_ = -1;
    }
    ~CommandClient() { if (fd_ >= 0) ::close(fd_); }
    void tell(const std::string& line) {
        if (fd_ >= 0) (void)!::write(fd_, (line + "\n").data(), line.size() + 1);
    }
    std::string ask(const std::string& line) {
        tell(line);
        size_t end;
        char chunk[512];
        for (int waited = 0; fd_ >= 0 && (end = pending_.find('\n')) == std::string::npos && waited < 200;) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) ++waited;
            else if (const ssize_t n = ::read(fd_, chunk, sizeof chunk); n > 0) pending_.append(chunk, size_t(n));
            else break;
        }
        if ((end = pending_.find('\n')) == std::string::npos) return {};
        std::string answer = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        return answer;
    }

private:
    int fd_ = -1;
    std::string pending_;
};

}  // namespace testing_support
