#include "exercisers/exerciser_window.h"

#include <QLineEdit>
#include <QLocale>

#include "model/exerciser_plan.h"
#include "ui/main/main_window.h"

ExerciserWindow::ExerciserWindow(Main& main, const char* name, const QString& caption)
    : QDialog(&main), main_(main), state_(main.state()) {
    setObjectName(name);
    setWindowTitle(caption);
    setPalette(main.palette());
}

bool ExerciserWindow::send(uint8_t latch) {
    main_.send(latch);
    if (!main_.link_failed()) return true;
    stop_timers();
    return false;
}

bool ExerciserWindow::link_down() {
    if (!main_.link_failed()) return false;
    stop_timers();
    main_.check_link();  // says why, unless that was said already
    return true;
}

bool ExerciserWindow::refuse_on_failed_link(const QString& what) {
    if (!main_.link_failed()) return false;
    stop_timers();
    main_.prompts().message(MessageIcon::Exclamation, kAppTitle,
                            "The board link has failed, so " + what + " cannot run.",
                            QString::fromStdString(main_.link().failure()), true);
    return true;
}

void ExerciserWindow::report(const exerciser::Problem& problem) {
    stop_timers();
    main_.prompts().message(MessageIcon::Exclamation, kAppTitle, QString::fromStdString(problem.message), {}, true);
    if (problem.entry.empty()) return;
    auto* entry = findChild<QLineEdit*>(QString::fromStdString(problem.entry));
    if (!entry) return;
    if (problem.bad_text) entry->clear();
    entry->setFocus();
}

std::string ExerciserWindow::text_of(const QLineEdit* entry) { return entry->text().toStdString(); }

char ExerciserWindow::decimal_point() { return QLocale().decimalPoint().at(0).toLatin1(); }

void ExerciserWindow::done(int result) {
    stop_timers();
    QDialog::done(result);
}
