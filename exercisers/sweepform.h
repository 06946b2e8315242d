#pragma once
// The sweep window: the synthesizer steps from a start to a stop frequency in channel steps,
// one N counter latch per timer tick, and the window shows the frequency reached. N comes from
// the PFD frequency, so the channel step must be a whole number of PFD steps. The sweep stops by
// itself at the step that reaches or passes the stop frequency; the hourglass shows while it
// runs. A Start that is refused stops a sweep that was running. Every rule is the sweep run's
// (actions/sweeping.h); its steps run on the timing thread.
#include "actions/sweeping.h"
#include "exercisers/exerciser_window.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class sweepform : public ExerciserWindow {
    Q_OBJECT
public:
    explicit sweepform(Main& main);
    // The ticks stop before the run they tick goes.
    ~sweepform() override { stop_timers(); }

    void Command3_Click();  // Start
    void Command4_Click();  // Stop
    void Command2_Click();  // Cancel
    // One step now, as the timing thread makes it (tests step the sweep so).
    void Timer1_Timer();

    // The run, for a look at its timer while its steps are made by hand.
    const actions::SweepRun& run() const { return run_; }

    QGroupBox *Frame2, *Frame3;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5;
    QLineEdit *Text1, *Text2, *Text3, *Text4, *Text5;
    QPushButton *Command2, *Command3, *Command4;

protected:
    void stop_timers() override;
    actions::TickResult tick(size_t, EvalState& state, boardlink::Port& port) override { return run_.tick(state, port); }
    std::vector<actions::TimerSetting> timers() const override { return run_.timers(); }
    void show_news(const actions::RunNews& news) override;
    std::string run_name() const override { return "Sweep"; }

private:
    actions::SweepRun run_;
};
