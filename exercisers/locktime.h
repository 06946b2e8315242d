#pragma once
// The lock-time window: the synthesizer hops between two frequencies on a timer, rewriting the
// N counter latch at each hop, so the loop's re-lock can be watched on an instrument. Each
// frequency may switch the output divide-by-2; "Use CP Gain" raises the charge-pump gain for
// each hop and lowers it at once ("Delay Off") or after a delay ("Delay On").
//
// Timer1 drives plain hopping, Timer2 hopping with charge-pump gain, Timer3 the delayed
// lowering of the gain; they follow the hop run (actions/hopping.h), which holds every rule.
#include "actions/hopping.h"
#include "exercisers/exerciser_window.h"

class QLabel;
class QLineEdit;
class QPushButton;
class SystemTimer;
class ToggleSwitch;

class locktime : public ExerciserWindow {
    Q_OBJECT
public:
    explicit locktime(Main& main);

    void Command1_Click();  // Start
    void Command4_Click();  // Use CP Gain
    void Command3_Click();  // Stop
    void Command2_Click();  // Cancel
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5;
    QLineEdit *Text1, *Text2, *Text3, *Text4;
    ToggleSwitch *Toggle1, *Toggle2, *Toggle3;
    QPushButton *Command1, *Command2, *Command3, *Command4;
    SystemTimer *Timer1, *Timer2, *Timer3;

protected:
    void stop_timers() override;

private:
    actions::HopRun::Entries entries() const;
    actions::HopRun::Switches switches() const;
    // Sets the three timers as the run has them, then shows the outcome.
    void show_run(const actions::Outcome& outcome);

    actions::HopRun run_;
    FollowingTimer timer1_, timer2_, timer3_;
};
