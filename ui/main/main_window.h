#pragma once
// The main window, hub of the tool: it shows every setting of the evaluation state, carries
// the menus, and opens every other window. Other windows reach the state, the board and the
// few controls they write directly through it.
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "actions/main_controls.h"
#include "actions/outcome.h"
#include "actions/timed_run.h"
#include "link/board_link.h"
#include "model/eval_state.h"
#include "ui/prompts.h"

class QAction;
class QDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;
class ClickLabel;
class DropFrame;
class NumericLed;
class SupplyMeasurement;
class SystemTimer;
class ToggleSwitch;

// The windows the main window opens, each from the entries of its table.
enum class Window {
    Synth, Crystal, Current1, Current2, Powerdown, Mux, Prescaler, Preset, Fastlock, Bandselect,
    Rev, Resend, Conversion, Registers, VcoTest, Locktime, Sweep, SimulatedBoard, LoopFilter,
};

class Main : public QMainWindow {
    Q_OBJECT
public:
    Main(EvalState& state, boardlink::BoardLink& link, Prompts& prompts, QWidget* parent = nullptr);
    ~Main() override;

    EvalState& state() { return state_; }
    boardlink::BoardLink& link() { return link_; }
    Prompts& prompts() { return prompts_; }

    // Resends one latch from the state (the resend window's action). A link failure is reported once.
    void send(uint8_t latch);

    // Shows what an action reports: its refusal (the message, and the entry of `window` it
    // names emptied or focused), or the main-window controls it sets and the refresh it asks
    // for. Then a link failure is reported, once. Returns whether the action went through.
    bool show_outcome(const actions::Outcome& outcome, QWidget* window = nullptr);
    void show_display(const actions::Display& display);
    bool link_failed() const { return !link_.failure().empty(); }

    void configure_main();
    void refresh_main();

signals:
    // After refresh_main: windows that show what follows from the state (the loop designer)
    // follow a change made elsewhere, by a remote client for one.
    void refreshed();

public:
    // Shows a window of the table modally (or, for the simulated board, modelessly).
    void open_window(Window window);
    using WindowFactory = std::function<std::unique_ptr<QDialog>(Main&)>;
    void register_window(Window window, WindowFactory factory);
    bool has_window(Window window) const { return factories_.count(window) != 0; }
    const WindowFactory& window_factory(Window window) const { return factories_.at(window); }

    SupplyMeasurement& supply_measurement() { return *measurement_; }

    // The caption of a window that edits settings and is open now (modally), if any: a change
    // made meanwhile from elsewhere would be undone by its entries on OK.
    std::optional<std::string> settings_window_open() const;

    // The controls, under their names; other windows write some of them directly.
    struct Controls {
        QFrame* Frame1 = nullptr;
        QGroupBox *Frame2 = nullptr, *Frame3 = nullptr, *Frame4 = nullptr, *Frame5 = nullptr,
                  *Frame6 = nullptr, *Frame7 = nullptr, *Frame9 = nullptr, *Frame10 = nullptr,
                  *Frame11 = nullptr, *Frame15 = nullptr;
        DropFrame *Frame12 = nullptr, *Frame13 = nullptr, *Frame16 = nullptr;
        ClickLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
                   *Label5 = nullptr, *Label6 = nullptr, *Label8 = nullptr, *Label10 = nullptr,
                   *Label12 = nullptr, *Label14 = nullptr, *Label15 = nullptr, *Label29 = nullptr;
        QLabel *Label7 = nullptr, *Label9 = nullptr, *device = nullptr;
        ClickLabel *vcofreq = nullptr, *ref_freq = nullptr, *crystal = nullptr, *pres = nullptr,
                   *currentsetting1 = nullptr, *currentsetting2 = nullptr, *abpw2 = nullptr,
                   *eval = nullptr, *Picture1 = nullptr;
        ToggleSwitch *Toggle1 = nullptr, *Toggle2 = nullptr, *Toggle3 = nullptr, *Toggle4 = nullptr,
                     *Toggle5 = nullptr, *Toggle6 = nullptr, *Toggle7 = nullptr, *Toggle10 = nullptr;
        QToolButton *Command11 = nullptr, *Command12 = nullptr, *Command13 = nullptr, *Command14 = nullptr;
        QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command5 = nullptr, *Command7 = nullptr,
                    *Command8 = nullptr, *Command10 = nullptr, *Command15 = nullptr;  // 15: Loop Filter
        NumericLed *NumLED1 = nullptr, *NumLED2 = nullptr, *NumLED3 = nullptr;
        QFrame* Line1 = nullptr;
        SystemTimer* Timer1 = nullptr;
        QLabel* link_status = nullptr;
        QLabel* device_notice = nullptr;  // standing notice while the device is not a variant
        QLabel* board_readout = nullptr;  // what the words the board holds make
        QAction *mnuExportRegisters = nullptr, *mnuImportRegisters = nullptr, *mnuExportChannels = nullptr;
        QAction *mnuOpen = nullptr, *mnuSave = nullptr, *mnuPrint = nullptr, *Exitmenu = nullptr,
                *crystalmenu = nullptr, *synthmenu = nullptr, *registermenu = nullptr,
                *prescalermenu = nullptr, *current2menu = nullptr, *current1menu = nullptr,
                *powerdownmenu = nullptr, *backmenu = nullptr, *bandselect = nullptr, *muxmenu = nullptr,
                *mnu_conversion = nullptr, *mnuEval = nullptr, *mnuMeasure = nullptr, *mnuSimBoard = nullptr,
                *mnuRev = nullptr, *loopmenu = nullptr;
    };
    Controls ui;

    // Handlers of the main window's own controls.
    void Toggle1_Click();
    void Toggle2_Click();
    void Toggle3_Click();
    void Toggle4_Click();
    void Toggle5_Click();
    void Toggle6_Click();
    void Toggle7_Click();
    void Toggle10_Click();
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();
    void Command14_Click();
    void Exitmenu_Click();

    // The file menu's settings entries and printing connect here when they are built.
    std::function<void()> on_get_settings, on_save_settings, on_print;
    // And the register export and import and the channel table.
    std::function<void()> on_export_registers, on_import_registers, on_export_channels;

    // While an exerciser's run holds the link (one that a remote client started), the main
    // window's controls and every window that changes settings are refused with the link's
    // reason, as the modal exerciser windows refuse them to a user. Shows the reason and returns
    // true when the link is held.
    bool refuse_while_busy();

    // How the exercisers run their ticks: on their timing thread, or by hand (tests step them).
    actions::TimedRun::Driver exerciser_driver = actions::TimedRun::Driver::Thread;
    // A run that writes the link from its own thread registers how to stop it: the main window
    // stops every such run (after its tick in progress) before it closes the link.
    void add_run_stopper(QObject* owner, std::function<void()> stop);
    // A note in the status line (a run's scheduling, its late ticks at Stop).
    void show_status(const std::string& text);

    // Reports a failed link once (status line and a message); returns true when failed. A trace
    // that could not be written is reported once too, after the action that found it.
    bool check_link();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build_controls();
    void build_layout();
    void build_menus();
    void connect_entries();
    void show_link_status();
    void show_device_notice();
    void show_board_readout();
    void report_trace_failure();
    void set_level_label(QLabel* label, const std::string& text, int level);
    void open_if(Window window, bool allowed);
    void switch_clicked(ToggleSwitch* toggle, actions::MainSwitch which);
    void level_clicked(actions::PowerLevel which, int direction);

    EvalState& state_;
    boardlink::BoardLink& link_;
    Prompts& prompts_;
    std::map<Window, WindowFactory> factories_;
    std::unique_ptr<SupplyMeasurement> measurement_;
    QDialog* sim_window_ = nullptr;
    std::vector<std::pair<Window, QDialog*>> open_dialogs_;  // the modal windows open now, innermost last
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> run_stoppers_;
    bool failure_reported_ = false;
    bool trace_failure_reported_ = false;
};
