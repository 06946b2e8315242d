#pragma once
// What the two exerciser windows share: a modal window whose timers drive the board, a send
// that stops those timers when the board link fails, the report of a rejected entry, and the
// reading of entries in the user's locale.
//
// The link's failure is reported once by the main window; a window that finds the link failed
// stops its timers, so it never goes on as if the board still followed it.
#include <QDialog>
#include <cstdint>
#include <string>

class QLineEdit;
class Main;
struct EvalState;
namespace exerciser { struct Problem; }

class ExerciserWindow : public QDialog {
    Q_OBJECT
public:
    ExerciserWindow(Main& main, const char* name, const QString& caption);

protected:
    // Stops every timer of the window (and undoes what it shows while running).
    virtual void stop_timers() = 0;

    // Sends one latch. False when the link has failed: the timers are then stopped.
    bool send(uint8_t latch);
    // For the start of a tick: true (timers stopped) when the link has failed since the start.
    bool link_down();
    // For a start button: true, with a message and every timer stopped, when the link has
    // failed already.
    bool refuse_on_failed_link(const QString& what);
    // A problem with the entries or the settings: every timer of the window stops (before the
    // message, so no tick runs behind it), then the message; an unusable entry is emptied, and
    // the entry at fault gets the focus. A refused start stops the timers too: a run going on
    // with the old settings behind the message would look like the new one.
    void report(const exerciser::Problem& problem);

    // The entry's text, for the model's parse with the locale's decimal separator.
    static std::string text_of(const QLineEdit* entry);
    static char decimal_point();

    // Closing the window (Cancel, Escape or its close box) ends its timers.
    void done(int result) override;

    Main& main_;
    EvalState& state_;
};
