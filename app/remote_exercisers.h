#pragma once
// The exercisers of a run driven by commands (HOP:STAR, SWE:STAR, ...): the lock-time hopping and
// the sweep, each the run its window uses (actions/hopping.h, actions/sweeping.h), with real
// timers kept in step with the run after every call and tick. What a tick changes is shown through
// `show` (the main window in a windowed run); a tick that stops a run with a problem says why on
// standard error, there being no window to say it in.
#include <QObject>
#include <functional>
#include <optional>

#include "actions/command_language.h"
#include "actions/hopping.h"
#include "actions/sweeping.h"
#include "ui/widgets/system_timer.h"

class RemoteExercisers : public QObject, public commands::Exercisers {
    Q_OBJECT
public:
    RemoteExercisers(EvalState& state, boardlink::Port& port, std::function<void(const actions::Display&)> show);

    actions::Outcome start_hop(const Hop& hop) override;
    void stop_hop() override;
    std::string hop_status() const override;
    actions::Outcome start_sweep(const Sweep& sweep) override;
    void stop_sweep() override;
    std::string sweep_status() const override;

    // Why the board takes no other writer now: a run these commands started is going.
    std::optional<std::string> busy_reason() const;

private:
    struct Follower {
        SystemTimer timer;
        unsigned restarts_seen = 0;
        void follow(const actions::TimerSetting& setting);
    };
    void follow();
    void tick_done(const actions::Outcome& outcome, const char* what);

    EvalState& state_;
    boardlink::Port& port_;
    std::function<void(const actions::Display&)> show_;
    actions::HopRun hop_;
    actions::HopRun::Entries hop_entries_;
    actions::HopRun::Switches hop_switches_;
    actions::SweepRun sweep_;
    std::optional<std::string> swept_to_;  // MHz of the last sweep step
    Follower plain_, gain_, release_, sweep_timer_;
};
