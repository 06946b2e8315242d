#pragma once
// The lock-time window: the synthesizer hops between two frequencies on a timer, rewriting the
// N counter latch at each hop, so the loop's re-lock can be watched on an instrument. Each
// frequency may switch the output divide-by-2; "Use CP Gain" raises the charge-pump gain for
// each hop and lowers it at once ("Delay Off") or after a delay ("Delay On").
//
// Timer 1 drives plain hopping, timer 2 hopping with charge-pump gain, timer 3 the delayed
// lowering of the gain; the hop run (actions/hopping.h) holds every rule and sets them, and the
// ticks run on the timing thread. The entries and switches are read at every hop, as they stand.
#include <mutex>

#include "actions/hopping.h"
#include "actions/lock_figures.h"
#include "exercisers/exerciser_window.h"

class QLabel;
class QLineEdit;
class QPushButton;
class PlotPanel;
class ToggleSwitch;

class locktime : public ExerciserWindow {
    Q_OBJECT
public:
    explicit locktime(Main& main);
    // The ticks stop before the run they tick goes.
    ~locktime() override { stop_timers(); }

    void Command1_Click();  // Start
    void Command4_Click();  // Use CP Gain
    void Command3_Click();  // Stop
    void Command2_Click();  // Cancel
    // One tick of each timer now, as the timing thread makes it (tests step the run so).
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();

    // The run, for a look at its timers while its ticks are stepped by hand.
    const actions::HopRun& run() const { return run_; }

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5;
    QLineEdit *Text1, *Text2, *Text3, *Text4;
    ToggleSwitch *Toggle1, *Toggle2, *Toggle3;
    // The lock measurement: its switch, the figures of the run (kept after Stop) and their
    // histogram with the model's prediction for the same step.
    ToggleSwitch* Toggle4;
    QLabel* Label6;
    PlotPanel* LockHistogram;
    const actions::LockFigures& lock_figures() const { return figures_; }
    QPushButton *Command1, *Command4, *Command3, *Command2;

protected:
    void stop_timers() override;
    actions::TickResult tick(size_t index, EvalState& state, boardlink::Port& port) override;
    std::vector<actions::TimerSetting> timers() const override { return run_.timers(); }
    std::string run_name() const override { return "Hopping"; }
    std::string run_note() const override { return gain_note_; }
    void show_news(const actions::RunNews& news) override;

private:
    actions::HopRun::Entries entries() const;
    actions::HopRun::Switches switches() const;
    // The entries and switches as the hops read them, taken from the window at every edit.
    void take_inputs();
    // Decides whether the run about to start measures lock (a refusal is shown: false then).
    bool prepare_lock();
    void show_figures();

    actions::HopRun run_;
    mutable std::mutex inputs_mutex_;
    actions::HopRun::Entries hop_entries_;
    actions::HopRun::Switches hop_switches_;
    // The inputs the ticks use: the run's own copy.
    actions::HopRun::Entries tick_entries_;
    actions::HopRun::Switches tick_switches_;
    std::string gain_note_;  // what the status line says of the gain's timing, from the start
    actions::LockFigures figures_;
    std::optional<double> prediction_s_;  // the model's lock-detect time for the run's step
};
