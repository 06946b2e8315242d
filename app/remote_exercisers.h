#pragma once
// The exercisers of a run driven by commands (HOP:STAR, SWE:STAR, ...): the lock-time hopping and
// the sweep, each the run its window uses (actions/hopping.h, actions/sweeping.h), its ticks made
// on the timing thread (actions/timed_run.h). While one runs it holds the link, so every other
// writer is refused; its news reaches the state (and the main window, through `show`) at most
// 30 times a second, and whole when it stops. A run that stops with a problem says why on
// standard error, there being no window to say it in.
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

#include "actions/command_language.h"
#include "actions/hopping.h"
#include "actions/lock_figures.h"
#include "actions/sweeping.h"
#include "actions/timed_run.h"
#include "link/board_link.h"

class RemoteExercisers : public QObject, public commands::Exercisers {
    Q_OBJECT
public:
    struct View {
        std::function<void(const actions::Display&)> show;  // the main window's controls; may be empty
        std::function<void(const std::string&)> status;     // the status line; may be empty
        std::function<void()> run_over;                     // once a run has stopped: the link may be read
    };
    RemoteExercisers(EvalState& state, boardlink::BoardLink& link, View view,
                     actions::TimedRun::Driver driver = actions::TimedRun::Driver::Thread);
    ~RemoteExercisers() override;

    actions::Outcome start_hop(const Hop& hop) override;
    void stop_hop() override;
    std::string hop_status() override;
    void set_lock_measurement(std::optional<bool> on) override { lock_asked_ = on; }
    bool lock_measurement() override;
    std::string hop_lock() override;
    std::string hop_lock_all() override;
    actions::Outcome start_sweep(const Sweep& sweep) override;
    void stop_sweep() override;
    std::string sweep_status() override;

    // With Driver::Caller: one tick of the running exerciser's timer `index` (tests).
    void tick_now(size_t index);
    // With Driver::Caller: the run's own clock moved on by `by_ns`, every tick due on the way made
    // (tests give the simulated board this clock, clock_ns()).
    void advance(int64_t by_ns);
    int64_t clock_ns() const { return ticks_.clock_ns(); }

private:
    enum class Kind { None, Hop, Sweep };
    void start_ticks(Kind kind);
    void follow();  // the run's news into the state
    void finish();  // stops the run and takes its last news
    void take(const actions::RunNews& news);

    EvalState& state_;
    boardlink::BoardLink& link_;
    View view_;
    actions::TimedRun::Driver driver_;
    actions::HopRun hop_;
    actions::HopRun::Entries hop_entries_;
    actions::HopRun::Switches hop_switches_;
    actions::SweepRun sweep_;
    actions::TimedRun ticks_;
    Kind running_ = Kind::None;  // which exerciser the ticks are of
    bool told_scheduling_ = false;
    QTimer follower_;
    // What the status queries answer between the news: the last figures of each exerciser.
    unsigned long hops_ = 0;      // hops of the run in progress or the last one
    unsigned long hop_base_ = 0;  // the hop run's count when that run started
    std::optional<std::string> swept_to_;  // MHz of the last sweep step
    std::string hop_timing_ = "NONE,0", sweep_timing_ = "NONE,0";  // scheduling, late ticks
    std::optional<bool> lock_asked_;  // HOP:LOCK:STAT; empty: the default
    actions::LockFigures locks_;      // of the hop run in progress or the last one
};
