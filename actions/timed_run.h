#pragma once
// An exerciser run on a timing thread of its own, so its hops or sweep steps keep time however
// busy the windows or the machine are. The thread sleeps to absolute deadlines of the monotonic
// clock (actions/tick_schedule.h), asks for real-time scheduling and quietly takes normal
// scheduling when the system refuses it.
//
// While it runs, the run owns a copy of the state and the link: nothing else writes the link, and
// the caller's state is brought up to date from the run's news, which the caller takes when it
// likes (a window at most 30 times a second). stop() ends the run after the tick in progress, so
// the board holds whole words, and gives back the state those words describe.
//
// The run's rules stay in its exerciser (actions/hopping.h, actions/sweeping.h): a tick is one of
// its tick functions, and the run's timers say which ticks are due and how often.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "actions/exerciser_timer.h"
#include "actions/outcome.h"
#include "actions/run_clock.h"
#include "actions/tick_result.h"
#include "link/port.h"
#include "model/eval_state.h"
#include "model/exerciser_plan.h"

namespace actions {

enum class Scheduling { None, RealTime, Normal };
// "REALTIME", "NORMAL" or "NONE" (no run yet), as a status query answers it.
const char* scheduling_keyword(Scheduling scheduling);
// "real-time scheduling" or "normal scheduling", for the status line.
std::string scheduling_text(Scheduling scheduling);

// What the run did since the caller last took its news.
struct RunNews {
    EvalState state;                 // as the last tick left it: what the board holds
    Display display;                 // what those ticks set in the main window, merged
    std::optional<Refusal> refusal;  // why the run stopped itself, if it did so with a problem
    std::optional<exerciser::SweepTexts> texts;  // after the last sweep step since the news before
    unsigned long progress = 0;      // hops or steps made so far
    std::vector<HopLock> locks;      // the lock times of the hops decided since the news before
    unsigned long late = 0;          // ticks that ran more than 1 ms after their deadline
    unsigned long skipped = 0;       // deadlines dropped after a stall longer than a period
    bool ended = false;              // no timer is left: the run stopped itself
};

// "3 ticks late by more than 1 ms" (and how many were skipped), or empty when none was.
std::string lateness_text(const RunNews& news);

class TimedRun {
public:
    // One tick of timer `index` on the run's state and the link.
    using Tick = std::function<TickResult(size_t index, EvalState& state, boardlink::Port& port)>;
    // The run's timers as they stand; read at the start and after every tick.
    using Timers = std::function<std::vector<TimerSetting>()>;
    // Who makes the ticks: the timing thread, or the caller through tick_now() (tests step a
    // run so, tick by tick, with the same code the thread runs).
    enum class Driver { Thread, Caller };

    TimedRun();
    TimedRun(const TimedRun&) = delete;
    TimedRun& operator=(const TimedRun&) = delete;
    ~TimedRun();  // stop()

    // Starts the run on a copy of `state`. The link is the run's until stop().
    void start(const EvalState& state, boardlink::Port& port, Tick tick, Timers timers, Driver driver);
    // Ends the run after the tick in progress and returns its last news, with the state that the
    // board's words describe; empty when no run was active.
    std::optional<RunNews> stop();
    // The news since the last take, if there is any. Once the run has ended, stop() gives its
    // last news again, refusal and display effects included.
    std::optional<RunNews> take();
    // With Driver::Caller: makes one tick of timer `index` now.
    void tick_now(size_t index);
    // With Driver::Caller: moves a clock of the run's own `by_ns` on, making every tick due on
    // the way at its deadline, in the order and on the grid the timing thread keeps (tests check
    // the times of a run's words so, without waiting for them). clock_ns() is that clock, from 0
    // at the start.
    void advance(int64_t by_ns);
    int64_t clock_ns() const { return clock_ns_; }
    // The clock the ticks keep time by: the monotonic clock on the timing thread; with
    // Driver::Caller the run's own (clock_ns()), which a tick's sleep moves on.
    RunClock& clock() { return clock_; }

    // Started and not stopped yet (it may have ended by itself: take() says so).
    bool active() const { return active_; }
    Scheduling scheduling() const { return scheduling_; }

private:
    struct Schedules;
    class Clock : public RunClock {
    public:
        explicit Clock(TimedRun& run) : run_(run) {}
        int64_t now_ns() const override;
        void sleep_until(int64_t t_ns) override;
        int64_t deadline_ns() const override { return deadline_ns_; }
        int64_t deadline_ns_ = 0;

    private:
        TimedRun& run_;
    };
    // What the ticks did since the news were last handed over (the thread's own).
    struct Pending {
        Display display;
        std::optional<Refusal> refusal;
        std::optional<exerciser::SweepTexts> texts;
        unsigned long progress = 0, late = 0, skipped = 0;
        std::vector<HopLock> locks;
        bool ended = false, any = false;
    };
    void loop();
    bool sleep_until(int64_t due_ns);  // false: stop asked
    void note(const TickResult& result, bool late, uint64_t skipped);
    bool hand_over(bool wait);  // the pending news into news_; without `wait` only if the lock is free

    Tick tick_;
    Timers timers_;
    boardlink::Port* port_ = nullptr;
    EvalState state_;  // the run's own; only the ticks touch it while the run is active
    Pending pending_;
    bool active_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<Scheduling> scheduling_{Scheduling::None};

    std::mutex mutex_;  // guards the news
    RunNews news_;
    bool fresh_ = false;

    std::thread thread_;

    // The run's own clock and deadlines, for advance().
    int64_t clock_ns_ = 0;
    std::unique_ptr<Schedules> clocked_;
    Driver driver_ = Driver::Thread;
    Clock clock_{*this};
};

}  // namespace actions
