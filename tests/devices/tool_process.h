#pragma once
// The tool itself (ksy7100-eval) started as a child process inside the device bed: it inherits
// the preload library and the bed's location from the environment, so its libftdi1, libusb and
// ppdev calls reach the models of this process.
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace testing_support {

class ToolProcess {
public:
    // `prefix`: words before the program (setpriv and its options), empty for none.
    explicit ToolProcess(const std::vector<std::string>& args, const std::vector<std::string>& prefix = {});
    ~ToolProcess();  // kills it when it still runs
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    // Its exit status once it ends within `limit`, -1 when it does not (it is then killed) or
    // ends by a signal.
    int wait(std::chrono::seconds limit = std::chrono::seconds(60));
    std::string out() const;
    std::string err() const;

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    std::string out_path_, err_path_;
};

// A free TCP port on this machine for the tool's command server.
int free_tcp_port();

// One line to the command server on `port` and its one-line answer; empty when nothing answers.
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
