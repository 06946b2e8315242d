#include "app/headless.h"

#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <string>

#include "actions/command_language.h"
#include "actions/register_files.h"
#include "actions/settings_files.h"
#include "actions/startup.h"
#include "app/board_loop.h"
#include "app/link_report.h"
#include "app/remote_control.h"
#include "app/run.h"
#include "model/variants.h"

namespace {

// The text a refusal is told with: an action's own message as the window shows it, or the
// kind of error with its detail.
std::string refusal_text(const commands::Error& e) {
    if (e.code == commands::kDataOutOfRange) return e.message;
    return commands::standard_text(e.code) + ": " + e.message;
}

class HeadlessRun {
public:
    HeadlessRun(const Options& options, boardlink::BoardLink& link, SignalWatch& signal_watch)
        : options_(options), link_(link), signal_watch_(signal_watch), interpreter_(state_, link_, KSY_VERSION, hooks()) {}

    int run() {
        actions::open_variant_dialog(state_);
        if (auto* board = link_.simulated_board()) board->set_single_modulus(variants::is_single_modulus(*options_.variant));
        supply_monitor_ = actions::choose_variant(state_, link_, *options_.variant).supply_monitor;
        if (options_.load_file) {
            auto out = actions::load_settings_file(state_, link_, *options_.load_file, *options_.load_file);
            if (out.refusal) return refuse(out);
        }
        if (options_.import_file) {
            auto out = actions::import_registers(state_, link_, actions::PathStore(), *options_.import_file,
                                                 *options_.import_file);
            if (out.refusal) return refuse(out);
        }
        std::unique_ptr<RemoteControl> remote;
        if (options_.scpi_port) {
            remote = std::make_unique<RemoteControl>(options_, state_, link_, [] { QCoreApplication::exit(0); });
            std::string error;
            if (!remote->listen(error)) {
                refuse(error);
                return kExitCannotStart;
            }
            std::fprintf(stderr, "ksy7100-eval: command server on %s port %u\n", options_.scpi_listen.c_str(),
                         unsigned(remote->port()));
            interpreter_.hooks().exercisers = &remote->exercisers();
        }
        if (options_.exec) {
            const bool ok = *options_.exec == "-" ? run_standard_input() : run_text(*options_.exec);
            if (!ok) return kExitRefused;
        }
        if (options_.export_file) {
            auto out = actions::export_registers(state_, actions::PathStore(), *options_.export_file,
                                                 *options_.export_file, KSY_VERSION);
            if (out.refusal) return refuse(out);
        }
        if (options_.channels_file) {
            const Options::Channels& c = *options_.channels;
            auto out = actions::export_channels(state_, actions::PathStore(), *options_.channels_file,
                                                *options_.channels_file, c.start_mhz, c.stop_mhz, c.step_khz, KSY_VERSION);
            if (out.refusal) return refuse(out);
        }
        if (remote) {
            // Served until a signal or SYST:EXIT.
            signal_watch_.notify(QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
            if (!signal_watch_.received()) QCoreApplication::exec();
        }
        return kExitOk;
    }

private:
    commands::Hooks hooks() {
        commands::Hooks h;
        h.measure_supplies = [this] { return measure_supplies(); };
        add_link_hooks(h, link_, state_);
        refuse_writers_while_held(h, link_);
        return h;
    }

    int refuse(const std::string& text) {
        std::fprintf(stderr, "ksy7100-eval: %s\n", text.c_str());
        return kExitRefused;
    }
    int refuse(const actions::Outcome& out) {
        return refuse(out.refusal->message + (out.refusal->detail.empty() ? "" : " " + out.refusal->detail));
    }

    // One measurement, waiting for the converter between its steps.
    commands::Reply measure_supplies() { return measure_supplies_waiting(state_, link_, supply_monitor_); }

    // The lines of `text` (one or more commands a line); false after a refused command.
    bool run_text(const std::string& text) {
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            if (!run_line({text.substr(start, end - start), false})) return false;
            start = end + 1;
        }
        return true;
    }

    // Each answer on a line of its own; a refusal said on standard error ends the run.
    bool run_line(const commands::Line& line) {
        if (signal_watch_.received()) return true;  // the run ends; what ran stays
        const commands::Message m = interpreter_.run_message(line);
        for (const std::string& answer : m.answers) std::fputs((answer + "\n").c_str(), stdout);
        std::fflush(stdout);
        if (m.error) {
            refuse(refusal_text(*m.error));
            return false;
        }
        return true;
    }

    // Lines from standard input as they come, until its end or a signal.
    bool run_standard_input() {
        char buffer[4096];
        while (!signal_watch_.received()) {
            pollfd in{STDIN_FILENO, POLLIN, 0};
            if (::poll(&in, 1, 100) <= 0) continue;
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            for (const commands::Line& line : interpreter_.take(std::string_view(buffer, size_t(n))))
                if (!run_line(line)) return false;
        }
        if (signal_watch_.received()) return true;
        // The last line needs no line end.
        const std::vector<commands::Line> rest = interpreter_.take("\n");
        return rest.front().text.empty() || run_line(rest.front());
    }

    const Options& options_;
    boardlink::BoardLink& link_;
    SignalWatch& signal_watch_;
    EvalState state_;
    BoardLoop board_loop_{state_, link_};  // the simulated board settles by the state's loop
    commands::Interpreter interpreter_;
    boardlink::SetupResult supply_monitor_ = boardlink::SetupResult::Absent;
};

}  // namespace

int run_headless(const Options& options, boardlink::BoardLink& link, const boardlink::BoardLink::Opened& opened,
                 SignalWatch& signal_watch, int argc, char** argv) {
    if (!opened.claim_error.empty()) {
        // A script that named its link must not run on another: it would report success for a
        // board it never reached.
        const auto kind = options.link.kind;
        if (kind != boardlink::LinkRequest::Kind::Auto && kind != boardlink::LinkRequest::Kind::Sim) {
            std::fprintf(stderr, "ksy7100-eval: Failed to claim %s: %s\n", opened.claimed.c_str(),
                         opened.claim_error.c_str());
            return kExitLinkFailed;
        }
        std::fprintf(stderr, "ksy7100-eval: Failed to claim %s: %s; going on with the simulated board\n",
                     opened.claimed.c_str(), opened.claim_error.c_str());
    }
    QCoreApplication app(argc, argv);  // timers and sockets; no window system
    const int status = HeadlessRun(options, link, signal_watch).run();
    return run_status(status, signal_watch.received(), !link.trace_failure().empty());
}
