#pragma once
// The sweep window: the synthesizer steps from a start to a stop frequency in channel steps,
// one N counter latch per timer tick, and the window shows the frequency reached. N comes from
// the PFD frequency, so the channel step must be a whole number of PFD steps. The sweep stops by
// itself at the step that reaches or passes the stop frequency; the hourglass shows while it
// runs. A Start that is refused stops a sweep that was running. Every rule is the sweep run's
// (actions/sweeping.h); the window keeps Timer1 in step with it.
#include "actions/sweeping.h"
#include "exercisers/exerciser_window.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SystemTimer;

class sweepform : public ExerciserWindow {
    Q_OBJECT
public:
    explicit sweepform(Main& main);

    void Command3_Click();  // Start
    void Command4_Click();  // Stop
    void Command2_Click();  // Cancel
    void Timer1_Timer();

    QGroupBox *Frame2, *Frame3;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5;
    QLineEdit *Text1, *Text2, *Text3, *Text4, *Text5;
    QPushButton *Command2, *Command3, *Command4;
    SystemTimer* Timer1;

protected:
    void stop_timers() override;

private:
    // Sets the timer as the run has it (and the default cursor when it stopped), then shows the
    // outcome.
    void show_run(const actions::Outcome& outcome);

    actions::SweepRun run_;
    FollowingTimer timer1_;
};
