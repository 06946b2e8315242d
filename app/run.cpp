#include "app/run.h"

#include "actions/register_files.h"
#include "actions/settings_files.h"

#include <QApplication>

#include "ui/main/deviceform.h"
#include "ui/main/main_window.h"
#include "app/window_registry.h"

int run_status(int loop_status, int signal, bool trace_incomplete) {
    if (trace_incomplete) return kExitTraceIncomplete;
    if (signal) return kExitSignalBase + signal;
    return loop_status;
}

Run::Run(boardlink::BoardLink& link, Prompts& prompts, SignalWatch& signal_watch) : link_(link), signal_watch_(signal_watch) {
    board_loop_ = std::make_unique<BoardLoop>(state_, link_);
    main_ = std::make_unique<Main>(state_, link_, prompts);
    install_windows(*main_);
    // A signal leaves every event loop at once: the main one, and those of modal windows and
    // message boxes, including one shown before the main loop began. Loops started after it
    // return at once too, so nothing waits for an answer on the way out.
    signal_watch_.notify(&signal_context_, [] { QCoreApplication::exit(0); });
}

Run::~Run() { teardown(); }

void Run::start(const boardlink::BoardLink::Opened& opened, const std::optional<std::string>& variant,
                const std::optional<std::string>& load_file) {
    variant_ = std::make_unique<deviceform>(*main_, opened);
    variant_->Form_Load();
    if (variant) variant_->mark(*variant);
    if (load_file)
        QObject::connect(variant_.get(), &deviceform::chosen, main_.get(), [this, path = *load_file] {
            main_->show_outcome(actions::load_settings_file(state_, link_, path, path));
        });
    if (!signal_watch_.received()) variant_->show();
}

void Run::start(const boardlink::BoardLink::Opened& opened, const Options& options) {
    start(opened, options.variant, options.load_file);
    QObject::connect(variant_.get(), &deviceform::chosen, main_.get(), [this, &options] {
        const actions::PathStore paths;
        if (options.import_file && main_->show_outcome(actions::import_registers(
                                       state_, link_, paths, *options.import_file, *options.import_file)) == false)
            return;
        if (options.export_file)
            main_->show_outcome(actions::export_registers(state_, paths, *options.export_file, *options.export_file, KSY_VERSION));
        if (options.channels_file)
            main_->show_outcome(actions::export_channels(state_, paths, *options.channels_file, *options.channels_file,
                                                         options.channels->start_mhz, options.channels->stop_mhz,
                                                         options.channels->step_khz, KSY_VERSION));
    });
}

void Run::exec() {
    if (signal_watch_.received()) return;  // it came before the loop, which would not see it
    loop_status_ = QApplication::exec();
}

int Run::teardown() {
    if (status_) return *status_;
    // Windows first: the variant dialog refers to the main window, and the main window takes
    // every window it opened with it (a running measurement or exerciser stops on the way).
    variant_.reset();
    main_.reset();
    board_loop_.reset();
    link_.close();
    status_ = run_status(loop_status_, signal_watch_.received(), !link_.trace_failure().empty());
    return *status_;
}
