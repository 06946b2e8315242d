#include "tests/support/tool_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "tests/support/trace_reader.h"

extern char** environ;

namespace testing_support {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Calls `done` every few milliseconds until it holds or `limit` has passed.
template <class Done>
bool poll_until(Done done, std::chrono::milliseconds limit) {
    for (auto end = std::chrono::steady_clock::now() + limit; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(5)))
        if (std::chrono::steady_clock::now() >= end) return false;
    return true;
}

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(port));
    return address;
}

}  // namespace

ToolProcess::ToolProcess(const std::vector<std::string>& args, const std::vector<std::string>& prefix,
                         const std::string& input)
    : in_path_(temp_path("tool_stdin.txt")), out_path_(temp_path("tool_stdout.txt")), err_path_(temp_path("tool_stderr.txt")) {
    std::ofstream(in_path_, std::ios::binary) << input;
    std::vector<std::string> words = prefix;
    words.push_back(KSY_EVAL_PROGRAM);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    ::posix_spawn_file_actions_init(&files);
    ::posix_spawn_file_actions_addopen(&files, 0, in_path_.c_str(), O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&files, 1, out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::posix_spawn_file_actions_addopen(&files, 2, err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int started = ::posix_spawnp(&pid_, argv[0], &files, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&files);
    if (started != 0) throw std::runtime_error("cannot start " + words[0]);
}

ToolProcess::~ToolProcess() {
    if (status_ >= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

int ToolProcess::wait(std::chrono::milliseconds limit) {
    poll_until([this] {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 256 + WTERMSIG(status);
        return status_ >= 0;
    }, limit);
    return status_;
}

bool ToolProcess::wait_for_err(const std::string& text, std::chrono::milliseconds limit) {
    return poll_until([&] { return err().find(text) != std::string::npos; }, limit);
}

void ToolProcess::signal(int sig) { ::kill(pid_, sig); }
std::string ToolProcess::out() const { return slurp(out_path_); }
std::string ToolProcess::err() const { return slurp(err_path_); }

int free_tcp_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    ::close(fd);
    return ok ? ntohs(address.sin_port) : -1;
}

CommandClient::CommandClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    const sockaddr_in address = loopback(port);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return;
    ::close(fd_);
    fd_ = -1;
}

CommandClient::~CommandClient() {
    if (fd_ >= 0) ::close(fd_);
}

void CommandClient::tell(const std::string& line) {
    if (fd_ >= 0) (void)!::write(fd_, (line + "\n").data(), line.size() + 1);
}

std::string CommandClient::ask(const std::string& line) {
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

}  // namespace testing_support
