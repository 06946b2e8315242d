#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/display.h"
#include "app/headless.h"
#include "app/options.h"
#include "app/quit_on_signal.h"
#include "app/remote_control.h"
#include "app/run.h"
#include "link/board_link.h"
#include "ui/prompts.h"

namespace {

// How the run ended, on the terminal, when it is not the plain end.
void say_how_it_ended(const boardlink::BoardLink& link, const SignalWatch& signal_watch) {
    if (std::string failure = link.trace_failure(); !failure.empty())
        std::fprintf(stderr, "ksy7100-eval: the trace is incomplete: %s\n", failure.c_str());
    if (int sig = signal_watch.received()) std::fprintf(stderr, "ksy7100-eval: ended by signal %d (%s)\n", sig, strsignal(sig));
}

}  // namespace

int main(int argc, char** argv) {
    // First of all, so that a signal at any later stage ends the run cleanly.
    SignalWatch signal_watch;

    // The tool's own options and files are checked before Qt starts, so --help, a bad option
    // and a trace that cannot be created need no display.
    ParsedOptions parsed = parse_options(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::fprintf(stderr, "ksy7100-eval: %s\nTry 'ksy7100-eval --help'\n", parsed.error.c_str());
        return kExitBadOption;
    }
    const Options& options = *parsed.options;
    if (options.help) {
        std::fputs(usage_text().c_str(), stdout);
        return kExitOk;
    }
    if (options.version) {
        std::printf("ksy7100-eval %s\n", KSY_VERSION);
        return kExitOk;
    }

    boardlink::BoardLink link;
    boardlink::BoardLink::Opened opened = link.open(options.link);
    const std::string display = display_problem(DisplayEnvironment::of_process(options.qt_platform));
    if (!opened.ok) {
        std::fprintf(stderr, "ksy7100-eval: %s\n", opened.error.c_str());
        if (display.empty() && !options.headless && !signal_watch.received()) {
            begin_display_guard();
            QApplication app(argc, argv);
            end_display_guard();
            signal_watch.notify(&app, [] { QCoreApplication::exit(0); });
            QMessageBox::critical(nullptr, kAppTitle, QString::fromStdString(opened.error));
        }
        return kExitCannotStart;
    }
    std::fprintf(stderr, "ksy7100-eval: board link: %s\n", link.name().c_str());
    if (options.headless) {
        const int status = run_headless(options, link, opened, signal_watch, argc, argv);
        link.close();
        say_how_it_ended(link, signal_watch);
        return status;
    }
    if (!display.empty()) {
        std::fprintf(stderr, "ksy7100-eval: %s\n", display.c_str());
        link.close();
        return kExitCannotStart;
    }
    if (signal_watch.received()) {  // during the opening of the link (a port claim waits)
        link.close();
        say_how_it_ended(link, signal_watch);
        return run_status(kExitOk, signal_watch.received(), !link.trace_failure().empty());
    }

    begin_display_guard();
    QApplication app(argc, argv);
    end_display_guard();
    QApplication::setApplicationName(kAppTitle);
    QApplication::setApplicationVersion(KSY_VERSION);
    // The installed desktop entry: the desktop finds the tool's name and icon for its windows by it.
    QGuiApplication::setDesktopFileName(KSY_APP_ID);

    DesktopPrompts prompts;
    int status = kExitOk;
    {
        Run run(link, prompts, signal_watch);
        std::unique_ptr<RemoteControl> remote;
        if (options.scpi_port) {
            remote = std::make_unique<RemoteControl>(options, *run.main_window(), [&run] { return run.variant_dialog(); });
            if (std::string error; !remote->listen(error)) {
                std::fprintf(stderr, "ksy7100-eval: %s\n", error.c_str());
                remote.reset();
                run.teardown();
                return kExitCannotStart;
            }
            std::fprintf(stderr, "ksy7100-eval: command server on %s port %u\n", options.scpi_listen.c_str(),
                         unsigned(remote->port()));
        }
        run.start(opened, options);
        run.exec();
        remote.reset();  // before the windows it shows its changes in
        status = run.teardown();
    }
    say_how_it_ended(link, signal_watch);
    return status;
}
