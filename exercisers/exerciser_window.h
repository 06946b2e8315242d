#pragma once
// What the two exerciser windows share: a modal window whose timers follow the run of its
// exerciser (actions/hopping.h, actions/sweeping.h), the outcome of a start or a tick shown
// through the main window, and the reading of entries in the user's locale.
//
// The run decides everything: which timers are on and at what interval, what each tick stores
// and sends, when a problem or a failed link stops it. The window only keeps its timers in step
// with the run and shows what it reports.
#include <QDialog>
#include <string>

#include "actions/exerciser_timer.h"

class QLineEdit;
class Main;
class SystemTimer;
struct EvalState;
namespace actions { struct Outcome; }

class ExerciserWindow : public QDialog {
    Q_OBJECT
public:
    ExerciserWindow(Main& main, const char* name, const QString& caption);

protected:
    // Stops the run and its timers (and undoes what the window shows while running).
    virtual void stop_timers() = 0;

    // Shows an outcome: a refusal with its entry, or the main window brought up to date; a
    // failed link is reported once. Returns whether the action went through.
    bool show_outcome(const actions::Outcome& outcome);

    // A window timer set as the run's timer is: a new interval restarts it.
    struct FollowingTimer {
        SystemTimer* timer = nullptr;
        unsigned restarts_seen = 0;
        void follow(const actions::TimerSetting& setting);
    };

    // The entry's text, for the model's parse with the locale's decimal separator.
    static std::string text_of(const QLineEdit* entry);
    static char decimal_point();

    // Closing the window (Cancel, Escape or its close box) ends its timers.
    void done(int result) override;

    Main& main_;
    EvalState& state_;
};
