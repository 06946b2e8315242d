#pragma once
// The tool itself (ksy7100-eval) started as a child process, its standard output and error kept in
// files. It inherits this process's environment: inside the device bed the preload library and
// the bed's location, so its libftdi1, libusb and ppdev calls reach the models of this process.
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace testing_support {

class ToolProcess {
public:
    // `prefix`: words before the program (env(1) and its changes, setpriv and its options);
    // `input`: what it reads on standard input.
    explicit ToolProcess(const std::vector<std::string>& args, const std::vector<std::string>& prefix = {},
                         const std::string& input = {});
    ~ToolProcess();  // kills it when it still runs
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    // Its exit status once it ends within `limit`; 256 + the signal when a signal killed it; -1
    // while it still runs.
    int wait(std::chrono::milliseconds limit = std::chrono::seconds(60));
    // Waits until its standard error holds `text`.
    bool wait_for_err(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(20));
    void signal(int sig);
    std::string out() const;
    std::string err() const;

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::string in_path_, out_path_, err_path_;
};

// A free TCP port on this machine for the tool's command server.
int free_tcp_port();

// Lines to the command server on `port`; ask() gives the one-line answer, empty when none comes.
class CommandClient {
public:
    explicit CommandClient(int port);
    ~CommandClient();
    bool connected() const { return fd_ >= 0; }
    std::string ask(const std::string& line);
    void tell(const std::string& line);

private:
    int fd_ = -1;
    std::string pending_;
};

}  // namespace testing_support
