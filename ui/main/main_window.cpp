#include "ui/main/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include "actions/options.h"
#include "model/board_words.h"
#include "model/device_notice.h"
#include "model/main_display.h"
#include "ui/show_refusal.h"
#include "ui/main/supply_measurement.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/drop_frame.h"
#include "ui/widgets/readout_label_accessible.h"
#include "ui/widgets/system_timer.h"
#include "ui/widgets/toggle_switch.h"
#include "ui/widgets/tool_colours.h"

Main::Main(EvalState& state, boardlink::BoardLink& link, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), state_(state), link_(link), prompts_(prompts) {
    install_readout_label_accessible();
    setObjectName("Main");
    setWindowTitle("Main Interface Page");
    setPalette(tool_colours::plate(palette()));
    setAutoFillBackground(true);

    build_controls();
    build_layout();
    build_menus();
    measurement_ = std::make_unique<SupplyMeasurement>(*this);
    connect_entries();
    show_link_status();
    ui.device_notice = new QLabel;
    ui.device_notice->setObjectName("device_notice");
    QFont bold = ui.device_notice->font();
    bold.setBold(true);
    ui.device_notice->setFont(bold);
    ui.device_notice->setToolTip("A board preset stores a board name in place of a variant. Every write is then a "
                                 "bare latch-enable pulse: the chip keeps the words it already holds.");
    ui.device_notice->setMinimumWidth(1);  // clipped rather than pushing the link status away
    statusBar()->addPermanentWidget(ui.device_notice);
    tool_colours::mark_alert(ui.device_notice, true);  // red on the status bar it now lies on
    ui.device_notice->hide();  // until refresh_main knows the device
    ui.board_readout = new QLabel;
    ui.board_readout->setObjectName("board_readout");
    ui.board_readout->setAccessibleName("Board readout");
    ui.board_readout->setToolTip("The frequency the words the board holds make, from the R, N and control words last "
                                 "latched: the check that the tool and the board agree.");
    statusBar()->addPermanentWidget(ui.board_readout);
    show_board_readout();
    setFixedSize(sizeHint());
}

Main::~Main() = default;

void Main::send(uint8_t latch) { show_outcome(actions::resend_latch(state_, link_, latch)); }

bool Main::show_outcome(const actions::Outcome& outcome, QWidget* window) {
    if (outcome.refusal) show_refusal(prompts_, window, *outcome.refusal);
    else show_display(outcome.display);
    check_link();
    return outcome.ok();
}

void Main::show_display(const actions::Display& d) {
    auto& c = ui;
    auto caption = [](QLabel* label, const std::optional<std::string>& text) {
        if (text) label->setText(QString::fromStdString(*text));
    };
    caption(c.device, d.device);
    caption(c.eval, d.eval);
    caption(c.abpw2, d.abpw2);
    caption(c.Label12, d.band_select);
    if (d.output_power) set_level_label(c.Label7, d.output_power->text, d.output_power->level);
    if (d.core_power) set_level_label(c.Label9, d.core_power->text, d.core_power->level);
    if (d.configure) configure_main();
    if (d.refresh) refresh_main();
    if (d.cp_gain) c.Toggle3->setChecked(*d.cp_gain);
    if (d.output_divide) c.Toggle6->setChecked(*d.output_divide);
    if (d.lock_detect_precision) c.Toggle10->setChecked(*d.lock_detect_precision);
    show_board_readout();
}

bool Main::check_link() {
    report_trace_failure();
    if (!link_failed()) return false;
    if (!failure_reported_) {
        failure_reported_ = true;
        show_link_status();
        prompts_.message(MessageIcon::Critical, kAppTitle,
                         "The board link failed: " + QString::fromStdString(link_.failure()),
                         "Nothing more reaches the board; further writes are dropped. Check the cable and "
                         "the adapter, then start the tool again.");
    }
    return true;
}

void Main::report_trace_failure() {
    const std::string failure = link_.trace_failure();
    if (failure.empty() || trace_failure_reported_) return;
    trace_failure_reported_ = true;
    show_link_status();
    // Queued, so the message never stands between two latches of one action's send order.
    QTimer::singleShot(0, this, [this, failure] {
        prompts_.message(MessageIcon::Exclamation, kAppTitle, QString::fromStdString(failure),
                         "Tracing has stopped. The file holds every port access up to the last whole latch "
                         "write and still opens in a waveform viewer. The board link goes on working.");
    });
}

void Main::show_link_status() {
    QLabel* status = ui.link_status;
    if (link_failed()) {
        status->setText("Board link FAILED: " + QString::fromStdString(link_.failure()));
        tool_colours::mark_alert(status, true);
    } else {
        // A trace that stopped shows in red: the link works, but the record of the run is cut.
        status->setText("Board link: " + QString::fromStdString(link_.name()));
        tool_colours::mark_alert(status, !link_.trace_failure().empty());
    }
    QFont weight = status->font();
    weight.setBold(link_failed());
    status->setFont(weight);
    ui.mnuSimBoard->setEnabled(link_.simulated_board() != nullptr);
}

void Main::show_device_notice() {
    // Shown as long as latch writes carry no data; every change of the device ends in
    // refresh_main, which calls this.
    const auto notice = latch_data_notice(state_.device);
    ui.device_notice->setText(notice ? QString::fromStdString(*notice) : QString());
    ui.device_notice->setVisible(notice.has_value());
}

void Main::show_board_readout() {
    const QString text = QString::fromStdString(board_readout(state_));
    ui.board_readout->setText(text);
    ui.board_readout->setAccessibleDescription(text);
}

void Main::set_level_label(QLabel* label, const std::string& text, int level) {
    label->setText(QString::fromStdString(text));
    tool_colours::fill(label, tool_colours::power_level(level, palette()));
}

void Main::configure_main() {
    MainConfiguration config = main_configuration(state_.device);
    auto& c = ui;
    if (config.show_variant_controls) {
        for (QWidget* w : std::initializer_list<QWidget*>{c.Frame9, c.Frame10, c.Frame11, c.Label14, c.Label15,
                                                          c.Command1, c.Frame16})
            w->setVisible(true);
        c.Timer1->setEnabled(false);
    }
    if (config.pres_caption) c.pres->setText(QString::fromStdString(*config.pres_caption));
    if (config.divide_toggles_shown) {
        c.Toggle4->setVisible(*config.divide_toggles_shown);
        c.Toggle6->setVisible(*config.divide_toggles_shown);
    }
    if (config.current2_tip) c.Label6->setToolTip(QString::fromStdString(*config.current2_tip));
    if (config.current1_tip) c.Label14->setToolTip(QString::fromStdString(*config.current1_tip));
    if (config.prescaler_tip) {
        c.Label3->setToolTip(QString::fromStdString(*config.prescaler_tip));
        c.pres->setToolTip(QString::fromStdString(*config.prescaler_tip));
    }
}

void Main::refresh_main() {
    const MainDisplay d = main_display(state_);
    auto& c = ui;
    auto text = [](QLabel* label, const std::optional<std::string>& value) {
        if (value) label->setText(QString::fromStdString(*value));
    };
    auto position = [](ToggleSwitch* toggle, const std::optional<bool>& on) {
        if (on) toggle->setChecked(*on);
    };
    c.vcofreq->setText(QString::fromStdString(d.vcofreq));
    c.ref_freq->setText(QString::fromStdString(d.ref_freq));
    c.crystal->setText(QString::fromStdString(d.crystal));
    text(c.Label12, d.band_select_ratio);
    c.Toggle10->setChecked(d.lock_detect_precision_5);
    text(c.abpw2, d.abpw2);
    position(c.Toggle4, d.internal_divide);
    position(c.Toggle6, d.output_divide);
    text(c.pres, d.pres);
    text(c.Label10, d.powerdown);
    text(c.currentsetting1, d.currentsetting1);
    text(c.currentsetting2, d.currentsetting2);
    if (d.output_power) set_level_label(c.Label7, d.output_power->text, d.output_power->level);
    position(c.Toggle7, d.mute_till_ld);
    position(c.Toggle5, d.cp_three_state);
    position(c.Toggle1, d.pd_polarity_positive);
    text(c.Label5, d.muxout);
    position(c.Toggle2, d.counter_reset);
    if (d.core_power) set_level_label(c.Label9, d.core_power->text, d.core_power->level);
    show_device_notice();
    show_board_readout();
    emit refreshed();
}

void Main::register_window(Window window, WindowFactory factory) { factories_[window] = std::move(factory); }

void Main::open_window(Window window) {
    auto found = factories_.find(window);
    if (found == factories_.end()) return;  // not built yet
    if (window == Window::SimulatedBoard) {
        // A companion view, not a setting dialog: modeless, so it shows words as they arrive.
        if (!sim_window_) {
            sim_window_ = found->second(*this).release();
            if (!sim_window_) return;  // the link is not the simulated board
            sim_window_->setParent(this, Qt::Window);
        }
        sim_window_->show();
        sim_window_->raise();
        return;
    }
    std::unique_ptr<QDialog> dialog = found->second(*this);
    dialog->setParent(this, dialog->windowFlags() | Qt::Dialog);
    dialog->setWindowModality(Qt::ApplicationModal);
    open_dialogs_.push_back({window, dialog.get()});
    prompts_.run_modal(*dialog);
    open_dialogs_.pop_back();
}

std::optional<std::string> Main::settings_window_open() const {
    for (const auto& [window, dialog] : open_dialogs_) {
        // The windows that only show or resend leave the settings alone.
        if (window == Window::Rev || window == Window::Conversion || window == Window::Resend) continue;
        return dialog->windowTitle().toStdString();
    }
    return std::nullopt;
}

void Main::open_if(Window window, bool allowed) {
    if (!allowed) return;
    // Windows that only show something open even while the board is busy.
    const bool shows_only = window == Window::Rev || window == Window::Conversion || window == Window::SimulatedBoard;
    if (!shows_only && refuse_while_busy()) return;
    open_window(window);
}

bool Main::refuse_while_busy() {
    const auto& reason = link_.held_by();
    if (!reason) return false;
    prompts_.message(MessageIcon::Exclamation, kAppTitle, QString::fromStdString(*reason), {}, true);
    return true;
}

void Main::add_run_stopper(QObject* owner, std::function<void()> stop) {
    run_stoppers_.emplace_back(owner, std::move(stop));
}

void Main::show_status(const std::string& text) { statusBar()->showMessage(QString::fromStdString(text)); }

void Main::closeEvent(QCloseEvent* event) {
    // Closing the main window releases the port and ends the program with every other window.
    // What writes or watches the board goes before the link, so nothing outlives the board it
    // uses: the runs on their timing threads first.
    for (auto& [owner, stop] : run_stoppers_)
        if (owner) stop();
    run_stoppers_.clear();
    measurement_->cancel();
    delete sim_window_;
    sim_window_ = nullptr;
    link_.close();
    event->accept();
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void Main::Exitmenu_Click() {
    // Ends at once; the run's teardown then destroys every window, completes the trace and
    // releases the port.
    QCoreApplication::exit(0);
}
