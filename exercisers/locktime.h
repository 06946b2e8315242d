#pragma once
// The lock-time window: the synthesizer hops between two frequencies on a timer, rewriting the
// N counter latch at each hop, so the loop's re-lock can be watched on an instrument. Each
// frequency may switch the output divide-by-2; "Use CP Gain" raises the charge-pump gain for
// each hop and lowers it at once ("Delay Off") or after a delay ("Delay On").
//
// Timer1 drives plain hopping, Timer2 hopping with charge-pump gain, Timer3 the delayed
// lowering of the gain. The intervals are read when a start button is pressed, the
// frequencies at every hop.
#include <string>

#include "exercisers/exerciser_window.h"
#include "model/exerciser_plan.h"

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
    // The entries as typed, owned while the model looks at them.
    struct Entries {
        std::string start, stop, interval, delay;
        exerciser::HopEntries view() const;
    };
    Entries entries() const;
    // The common hop step of both hop ticks; false (the timers stopped) when it cannot be made.
    bool hop(bool fast_lock_tick);
    // Lowers the charge-pump gain and sends the control latch.
    bool release_gain();
};
