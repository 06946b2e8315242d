#include "exercisers/exerciser_window.h"

#include <QLineEdit>
#include <QLocale>

#include "actions/outcome.h"
#include "ui/main/main_window.h"
#include "ui/widgets/system_timer.h"

ExerciserWindow::ExerciserWindow(Main& main, const char* name, const QString& caption)
    : QDialog(&main), main_(main), state_(main.state()) {
    setObjectName(name);
    setWindowTitle(caption);
    setPalette(main.palette());
}

bool ExerciserWindow::show_outcome(const actions::Outcome& outcome) { return main_.show_outcome(outcome, this); }

void ExerciserWindow::FollowingTimer::follow(const actions::TimerSetting& setting) {
    if (setting.restarts != restarts_seen) {
        timer->setInterval(setting.interval_ms);
        restarts_seen = setting.restarts;
    }
    timer->setEnabled(setting.enabled);
}

std::string ExerciserWindow::text_of(const QLineEdit* entry) { return entry->text().toStdString(); }

char ExerciserWindow::decimal_point() { return QLocale().decimalPoint().at(0).toLatin1(); }

void ExerciserWindow::done(int result) {
    stop_timers();
    QDialog::done(result);
}
