#include "exercisers/exerciser_window.h"

#include <QLineEdit>
#include <QLocale>

#include "actions/outcome.h"
#include "ui/main/main_window.h"

namespace {

// How often the run's news reaches the windows: often enough to watch, rarely enough to cost the
// run nothing.
constexpr int kFollowMs = 33;

}  // namespace

ExerciserWindow::ExerciserWindow(Main& main, const char* name, const QString& caption)
    : QDialog(&main), main_(main), state_(main.state()) {
    setObjectName(name);
    setWindowTitle(caption);
    setPalette(main.palette());
    follower_.setInterval(kFollowMs);
    connect(&follower_, &QTimer::timeout, this, &ExerciserWindow::follow);
    main.add_run_stopper(this, [this] { stop_ticks(); });
}

// Each window stops its ticks in its own destructor, while the run they tick still exists.
ExerciserWindow::~ExerciserWindow() = default;

bool ExerciserWindow::show_outcome(const actions::Outcome& outcome) { return main_.show_outcome(outcome, this); }

void ExerciserWindow::start_ticks(const actions::Outcome& start) {
    bool any = false;
    for (const auto& t : timers()) any = any || t.running();
    if (any) {
        told_scheduling_ = false;
        main_.link().hold("The " + windowTitle().toStdString() + " window is running its exerciser: stop it first.");
        ticks_.start(state_, main_.link(),
                     [this](size_t index, EvalState& s, boardlink::Port& p) { return tick(index, s, p); },
                     [this] { return timers(); }, main_.exerciser_driver);
        if (main_.exerciser_driver == actions::TimedRun::Driver::Thread) follower_.start();
    }
    show_outcome(start);
}

void ExerciserWindow::stop_ticks() {
    follower_.stop();
    auto last = ticks_.stop();
    if (!last) return;
    state_ = last->state;
    main_.link().release();
    show_news(*last);
    show_outcome({last->refusal, last->display});
    const std::string late = actions::lateness_text(*last);
    main_.show_status(run_name() + " stopped: " + (late.empty() ? "every tick on time" : late));
}

void ExerciserWindow::follow() {
    auto news = ticks_.take();
    if (!news) return;
    if (news->ended) {  // by itself: a problem, a failed link, the sweep's last step
        stop_timers();
        return;
    }
    // While the run goes on, only what it did is shown: the link stays the run's.
    state_ = news->state;
    main_.show_display(news->display);
    show_news(*news);
    if (!told_scheduling_ && ticks_.scheduling() != actions::Scheduling::None) {
        told_scheduling_ = true;
        const std::string note = run_note();
        main_.show_status(run_name() + " with " + actions::scheduling_text(ticks_.scheduling()) +
                          (note.empty() ? "" : "; " + note));
    }
}

void ExerciserWindow::tick_now(size_t index) {
    ticks_.tick_now(index);
    follow();
}

std::string ExerciserWindow::text_of(const QLineEdit* entry) { return entry->text().toStdString(); }

char ExerciserWindow::decimal_point() { return QLocale().decimalPoint().at(0).toLatin1(); }

void ExerciserWindow::done(int result) {
    stop_timers();
    QDialog::done(result);
}
