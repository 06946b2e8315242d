#include "app/quit_on_signal.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace {

// Shared with the handler, which may touch nothing else.
int g_pipe[2] = {-1, -1};  // [0] written by the handler, [1] read on the GUI thread
volatile sig_atomic_t g_signal = 0;

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void on_signal(int sig) {
    if (!g_signal) g_signal = sig;
    char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_pipe[0], &byte, 1);
}

}  // namespace

SignalWatch::SignalWatch() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) g_pipe[0] = g_pipe[1] = -1;
    g_signal = 0;
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a call that waits (a read, an open) returns at a signal instead of waiting on,
    // so no system call can keep the quit from being acted on.
    action.sa_flags = 0;
    for (int sig : kSignals) sigaction(sig, &action, nullptr);
    // A trace that outgrows the file-size limit then fails its write, which is reported, instead
    // of ending the tool mid-line.
    signal(SIGXFSZ, SIG_IGN);
}

SignalWatch::~SignalWatch() {
    for (int sig : kSignals) signal(sig, SIG_DFL);
    signal(SIGXFSZ, SIG_DFL);
    delete notifier_.data();
    for (int& fd : g_pipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    g_signal = 0;
}

int SignalWatch::received() const { return g_signal; }

void SignalWatch::notify(QObject* context, std::function<void()> on_signal) {
    delete notifier_.data();
    if (g_pipe[1] < 0) return;
    notifier_ = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, context);
    QObject::connect(notifier_.data(), &QSocketNotifier::activated, context, [on_signal = std::move(on_signal)] {
        char bytes[16];
        while (::read(g_pipe[1], bytes, sizeof bytes) > 0) {
        }
        on_signal();
    });
}
