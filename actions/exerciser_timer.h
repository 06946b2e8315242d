#pragma once
// A timer of an exerciser as its run sets it. The run decides when its timers tick; whoever
// drives it (a window, the command server) keeps a real timer in step with this setting after
// every call and calls the run's tick when that timer fires.
//
// An interval of 0 means the timer does not run, whatever `enabled` says. Setting the interval
// restarts the countdown; enabling a timer that is already enabled does not.
namespace actions {

struct TimerSetting {
    int interval_ms = 0;
    bool enabled = false;
    unsigned restarts = 0;  // how often the interval was set: a change means "restart now"

    bool running() const { return enabled && interval_ms > 0; }
    void set_interval(int ms) {
        interval_ms = ms < 0 ? 0 : ms;
        ++restarts;
    }
};

}  // namespace actions
