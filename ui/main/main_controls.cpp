// What the main window does when the user acts on it: the eight switches and four power
// buttons change their fields and send at once; every other entry opens a window.
#include <QAction>
#include <QPushButton>
#include <QToolButton>

#include "actions/main_controls.h"
#include "model/variants.h"
#include "ui/main/main_window.h"
#include "ui/main/supply_measurement.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/drop_frame.h"
#include "ui/widgets/toggle_switch.h"

using actions::MainSwitch;
using actions::PowerLevel;

namespace {

// A switch the user flipped while the board is busy goes back to where it was.
bool refused_while_busy(Main& main, ToggleSwitch* toggle) {
    if (!main.refuse_while_busy()) return false;
    toggle->setChecked(!toggle->isChecked());
    return true;
}

}  // namespace

void Main::Toggle1_Click() { switch_clicked(ui.Toggle1, MainSwitch::PdPolarity); }
void Main::Toggle2_Click() { switch_clicked(ui.Toggle2, MainSwitch::CounterReset); }
void Main::Toggle3_Click() { switch_clicked(ui.Toggle3, MainSwitch::CpGain); }
void Main::Toggle4_Click() { switch_clicked(ui.Toggle4, MainSwitch::InternalDivide); }
void Main::Toggle5_Click() { switch_clicked(ui.Toggle5, MainSwitch::ChargePumpThreeState); }
void Main::Toggle6_Click() { switch_clicked(ui.Toggle6, MainSwitch::OutputDivide); }
void Main::Toggle7_Click() { switch_clicked(ui.Toggle7, MainSwitch::MuteTillLockDetect); }
void Main::Toggle10_Click() { switch_clicked(ui.Toggle10, MainSwitch::LockDetectPrecision); }

void Main::switch_clicked(ToggleSwitch* toggle, MainSwitch which) {
    if (refused_while_busy(*this, toggle)) return;
    show_outcome(actions::set_main_switch(state_, link_, which, toggle->isChecked()));
}

void Main::Command13_Click() { level_clicked(PowerLevel::Output, +1); }
void Main::Command11_Click() { level_clicked(PowerLevel::Output, -1); }
void Main::Command12_Click() { level_clicked(PowerLevel::Core, +1); }
void Main::Command14_Click() { level_clicked(PowerLevel::Core, -1); }

void Main::level_clicked(PowerLevel which, int direction) {
    if (refuse_while_busy()) return;
    show_outcome(actions::step_power_level(state_, link_, which, direction));
}

void Main::connect_entries() {
    auto& c = ui;
    connect(c.Toggle1, &ToggleSwitch::clicked, this, &Main::Toggle1_Click);
    connect(c.Toggle2, &ToggleSwitch::clicked, this, &Main::Toggle2_Click);
    connect(c.Toggle3, &ToggleSwitch::clicked, this, &Main::Toggle3_Click);
    connect(c.Toggle4, &ToggleSwitch::clicked, this, &Main::Toggle4_Click);
    connect(c.Toggle5, &ToggleSwitch::clicked, this, &Main::Toggle5_Click);
    connect(c.Toggle6, &ToggleSwitch::clicked, this, &Main::Toggle6_Click);
    connect(c.Toggle7, &ToggleSwitch::clicked, this, &Main::Toggle7_Click);
    connect(c.Toggle10, &ToggleSwitch::clicked, this, &Main::Toggle10_Click);
    connect(c.Command11, &QToolButton::clicked, this, &Main::Command11_Click);
    connect(c.Command12, &QToolButton::clicked, this, &Main::Command12_Click);
    connect(c.Command13, &QToolButton::clicked, this, &Main::Command13_Click);
    connect(c.Command14, &QToolButton::clicked, this, &Main::Command14_Click);

    // The entries that open windows, with their variant conditions.
    auto all = [] { return true; };
    auto nine = [this] { return variants::is_family_variant(state_.device); };
    auto eight = [this] { return variants::has_dual_modulus(state_.device); };
    auto entry = [this](auto* sender, auto signal, Window window, auto condition) {
        connect(sender, signal, this, [this, window, condition] { open_if(window, condition()); });
    };
    for (ClickLabel* l : {c.Label1, c.Label2, c.ref_freq, c.vcofreq}) entry(l, &ClickLabel::clicked, Window::Synth, all);
    entry(c.synthmenu, &QAction::triggered, Window::Synth, all);
    for (ClickLabel* l : {c.crystal, c.Label29}) entry(l, &ClickLabel::clicked, Window::Crystal, all);
    entry(c.crystalmenu, &QAction::triggered, Window::Crystal, all);
    for (ClickLabel* l : {c.currentsetting1, c.Label14, c.Label15})
        entry(l, &ClickLabel::clicked, Window::Current1, nine);
    entry(c.current1menu, &QAction::triggered, Window::Current1, all);
    for (ClickLabel* l : {c.currentsetting2, c.Label6, c.Label4})
        entry(l, &ClickLabel::clicked, Window::Current2, nine);
    entry(c.current2menu, &QAction::triggered, Window::Current2, all);
    entry(c.Command2, &QPushButton::clicked, Window::Powerdown, nine);
    entry(c.Label10, &ClickLabel::clicked, Window::Powerdown, nine);
    entry(c.powerdownmenu, &QAction::triggered, Window::Powerdown, nine);
    entry(c.Command10, &QPushButton::clicked, Window::Mux, nine);
    entry(c.Frame12, &DropFrame::dropped, Window::Mux, nine);
    entry(c.muxmenu, &QAction::triggered, Window::Mux, all);
    for (ClickLabel* l : {c.Label3, c.pres}) entry(l, &ClickLabel::clicked, Window::Prescaler, eight);
    entry(c.prescalermenu, &QAction::triggered, Window::Prescaler, eight);
    entry(c.eval, &ClickLabel::clicked, Window::Preset, all);
    entry(c.mnuEval, &QAction::triggered, Window::Preset, all);
    entry(c.abpw2, &ClickLabel::clicked, Window::Fastlock, all);
    entry(c.Frame16, &DropFrame::dropped, Window::Fastlock, all);
    entry(c.backmenu, &QAction::triggered, Window::Fastlock, nine);
    for (ClickLabel* l : {c.Label8, c.Label12}) entry(l, &ClickLabel::clicked, Window::Bandselect, all);
    entry(c.bandselect, &QAction::triggered, Window::Bandselect, all);
    entry(c.Frame13, &DropFrame::dropped, Window::Bandselect, all);
    entry(c.mnuRev, &QAction::triggered, Window::Rev, all);
    entry(c.Command7, &QPushButton::clicked, Window::Resend, all);
    entry(c.mnu_conversion, &QAction::triggered, Window::Conversion, all);
    entry(c.Command1, &QPushButton::clicked, Window::Registers, nine);
    entry(c.registermenu, &QAction::triggered, Window::Registers, nine);
    entry(c.Picture1, &ClickLabel::doubleClicked, Window::VcoTest, nine);
    entry(c.Command5, &QPushButton::clicked, Window::Locktime, all);
    entry(c.Command8, &QPushButton::clicked, Window::Sweep, all);
    entry(c.mnuSimBoard, &QAction::triggered, Window::SimulatedBoard, all);
    entry(c.Command15, &QPushButton::clicked, Window::LoopFilter, all);
    entry(c.loopmenu, &QAction::triggered, Window::LoopFilter, all);

    connect(c.mnuMeasure, &QAction::triggered, this, [this] { if (!refuse_while_busy()) measurement_->start(); });
    connect(c.mnuOpen, &QAction::triggered, this, [this] { if (on_get_settings && !refuse_while_busy()) on_get_settings(); });
    connect(c.mnuSave, &QAction::triggered, this, [this] { if (on_save_settings) on_save_settings(); });
    connect(c.mnuExportRegisters, &QAction::triggered, this, [this] { if (on_export_registers) on_export_registers(); });
    connect(c.mnuImportRegisters, &QAction::triggered, this,
            [this] { if (on_import_registers && !refuse_while_busy()) on_import_registers(); });
    connect(c.mnuExportChannels, &QAction::triggered, this, [this] { if (on_export_channels) on_export_channels(); });
    connect(c.mnuPrint, &QAction::triggered, this, [this] { if (on_print) on_print(); });
    connect(c.Exitmenu, &QAction::triggered, this, &Main::Exitmenu_Click);
}
