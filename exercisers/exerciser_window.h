#pragma once
// What the two exerciser windows share: a modal window whose exerciser's ticks run on the timing
// thread (actions/timed_run.h), the outcome of a start or a tick shown through the main window,
// and the reading of entries in the user's locale.
//
// The run decides everything: which timers are on and at what interval, what each tick stores
// and sends, when a problem or a failed link stops it. The window starts the ticks when a start
// went through, shows the run's news at most 30 times a second, and stops the ticks (after the
// one in progress) at Stop, at a refused start and when it closes; then the main window shows
// what the board holds, and the status line how well the run kept time.
#include <QDialog>
#include <QTimer>
#include <string>

#include "actions/timed_run.h"

class QLineEdit;
class Main;
struct EvalState;
namespace actions { struct Outcome; }

class ExerciserWindow : public QDialog {
    Q_OBJECT
public:
    ExerciserWindow(Main& main, const char* name, const QString& caption);
    ~ExerciserWindow() override;

    // Whether the exerciser's ticks run (on the timing thread, or stepped by hand).
    bool running() const { return ticks_.active(); }
    // The clock the ticks keep time by (a tick that waits inside itself sleeps on it; tests give
    // the simulated board this clock when they step the ticks by hand).
    actions::RunClock& run_clock() { return ticks_.clock(); }

protected:
    // Stops the run and its ticks (and undoes what the window shows while running).
    virtual void stop_timers() = 0;

    // What the timing thread runs: one tick of timer `index`, and the run's timers as they are.
    virtual actions::TickResult tick(size_t index, EvalState& state, boardlink::Port& port) = 0;
    virtual std::vector<actions::TimerSetting> timers() const = 0;
    // What a window shows of its run's news besides the main window (the sweep's frequency).
    virtual void show_news(const actions::RunNews&) {}
    // "Hopping", "Sweeping": what the status line calls the run.
    virtual std::string run_name() const = 0;
    // What the status line adds about the run just started (empty: nothing).
    virtual std::string run_note() const { return {}; }

    // Ends the ticks running now, if any, after the tick in progress: the state is then the one
    // the board's words describe, and the main window shows it. Before a new start and at Stop.
    void stop_ticks();
    // After a start: runs the ticks when the run has a timer on, and shows the start's outcome.
    void start_ticks(const actions::Outcome& start);
    // With the ticks stepped by hand (tests): one tick of timer `index`, shown at once.
    void tick_now(size_t index);


    // Shows an outcome: a refusal with its entry, or the main window brought up to date; a
    // failed link is reported once. Returns whether the action went through.
    bool show_outcome(const actions::Outcome& outcome);

    // The entry's text, for the model's parse with the locale's decimal separator.
    static std::string text_of(const QLineEdit* entry);
    static char decimal_point();

    // Closing the window (Cancel, Escape or its close box) ends its timers.
    void done(int result) override;

    Main& main_;
    EvalState& state_;

private:
    void follow();  // the run's news into the windows
    bool told_scheduling_ = false;

    actions::TimedRun ticks_;
    QTimer follower_;
};
