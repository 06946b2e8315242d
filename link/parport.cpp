#include "link/parport.h"

#include "link/latch_protocol.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace boardlink {
namespace {

void no_op_handler(int) {}

// PPCLAIM sleeps, interruptibly, while another driver holds the port. A watchdog thread
// interrupts it with a signal once the timeout has passed, and keeps doing so in case the
// signal landed just before the call began to sleep. Returns 0 or the errno of the claim.
int claim_with_timeout(int fd, std::chrono::milliseconds timeout) {
    const int sig = SIGRTMIN;
    struct sigaction action {}, previous {};
    action.sa_handler = no_op_handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the interrupted claim returns EINTR
    sigaction(sig, &action, &previous);

    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    pthread_t claimer = pthread_self();
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (cv.wait_for(lock, timeout, [&] { return done; })) return;
        while (!cv.wait_for(lock, std::chrono::milliseconds(100), [&] { return done; }))
            pthread_kill(claimer, sig);
    });
    int result = ioctl(fd, PPCLAIM);
    int err = result == 0 ? 0 : errno;
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    cv.notify_all();
    watchdog.join();
    sigaction(sig, &previous, nullptr);
    return err;
}

}  // namespace

std::string parport_error(const std::string& device, const char* step, int err) {
    std::string cause;
    switch (err) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
        cause = "no such device (is the parallel port driver loaded? try: sudo modprobe ppdev parport_pc)";
        break;
    case EACCES:
    case EPERM:
        cause = "permission denied; add your user to group lp (sudo usermod -aG lp $USER) and log in again";
        break;
    case EBUSY:
    case EINTR:
        cause = "the port is busy: another driver or program holds it";
        break;
    case ENOTTY:
    case EINVAL:
        cause = "not a parallel port device";
        break;
    default:
        cause = std::strerror(err);
        break;
    }
    return device + ": " + step + " failed: " + cause;
}

std::unique_ptr<ParallelPort> ParallelPort::open(const std::string& device, std::string& error,
                                                 std::chrono::milliseconds claim_timeout) {
    int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = parport_error(device, "open", errno);
        return nullptr;
    }
    if (int err = claim_with_timeout(fd, claim_timeout); err != 0) {
        error = parport_error(device, "claim", err);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<ParallelPort>(new ParallelPort(device, fd));
}

ParallelPort::~ParallelPort() {
    ioctl(fd_, PPRELEASE);
    ::close(fd_);
}

void ParallelPort::fail(const char* what, int err) {
    if (failure_.empty()) failure_ = device_ + ": " + what + " failed: " + std::strerror(err);
}

void ParallelPort::out(uint16_t address, uint8_t value) {
    if (!failure_.empty() || address != kDataRegister) return;
    unsigned char byte = value;
    if (ioctl(fd_, PPWDATA, &byte) != 0) return fail("writing the data register", errno);
    if ((value & kLeBit) && !(data_ & kLeBit)) {
        timespec ts{};
        ::clock_gettime(CLOCK_MONOTONIC, &ts);
        latched_at_ns_ = int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
    }
    data_ = value;
}

uint8_t ParallelPort::in(uint16_t address) {
    if (!failure_.empty() || address != kStatusRegister) return 0xFF;
    unsigned char status = 0xFF;
    if (ioctl(fd_, PPRSTATUS, &status) != 0) {
        fail("reading the status register", errno);
        return 0xFF;
    }
    return status;
}

std::optional<bool> ParallelPort::lock_detect() {
    constexpr uint8_t kPaperEnd = 0x20;  // status bit 5, pin 12
    const uint8_t status = in(kStatusRegister);
    if (!failure_.empty()) return std::nullopt;
    return (status & kPaperEnd) != 0;
}

}  // namespace boardlink
