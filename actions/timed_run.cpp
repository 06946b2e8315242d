#include "actions/timed_run.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>

#include <time.h>

#include <cerrno>

#include <algorithm>

#include "actions/tick_schedule.h"

namespace actions {
namespace {

int64_t now_ns() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// A priority above every normal thread and well below the kernel's own real-time threads.
constexpr int kRealTimePriority = 20;

// Asks for real-time scheduling for the calling thread; false when the system refuses it (no
// privilege, no real-time budget). Either way the thread's sleeps end within a microsecond of
// their deadline rather than the default 50 us timer slack.
bool ask_for_real_time() {
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    sched_param param{};
    param.sched_priority = kRealTimePriority;
    return ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param) == 0;
}

// The later display effects win; a refresh asked by any tick is made.
void merge(Display& into, const Display& later) {
    auto keep = [](auto& field, const auto& newer) {
        if (newer) field = newer;
    };
    keep(into.device, later.device);
    keep(into.eval, later.eval);
    keep(into.abpw2, later.abpw2);
    keep(into.band_select, later.band_select);
    keep(into.output_power, later.output_power);
    keep(into.core_power, later.core_power);
    into.configure = into.configure || later.configure;
    into.refresh = into.refresh || later.refresh;
    keep(into.cp_gain, later.cp_gain);
    keep(into.output_divide, later.output_divide);
    keep(into.lock_detect_precision, later.lock_detect_precision);
}

bool any_running(const std::vector<TimerSetting>& timers) {
    for (const TimerSetting& t : timers)
        if (t.running()) return true;
    return false;
}

}  // namespace

const char* scheduling_keyword(Scheduling scheduling) {
    switch (scheduling) {
    case Scheduling::RealTime: return "REALTIME";
    case Scheduling::Normal: return "NORMAL";
    default: return "NONE";
    }
}

std::string scheduling_text(Scheduling scheduling) {
    return scheduling == Scheduling::RealTime ? "real-time scheduling" : "normal scheduling";
}

std::string lateness_text(const RunNews& news) {
    if (news.late == 0 && news.skipped == 0) return {};
    auto ticks = [](unsigned long n) { return std::to_string(n) + (n == 1 ? " tick" : " ticks"); };
    std::string text = ticks(news.late) + " late by more than 1 ms";
    if (news.skipped) text += ", " + ticks(news.skipped) + " skipped after the machine stalled";
    return text;
}

// The deadlines of each of the run's timers, kept in step with the timers: a timer whose interval
// was set again, or that was off and is on again, starts its period afresh from `start`: the
// start of the run, or the deadline of the tick that set it, so a timer a tick arms keeps to the
// run's deadline grid however long that tick took.
struct TimedRun::Schedules {
    std::vector<std::optional<TickSchedule>> due;
    std::vector<unsigned> restarts_seen;

    void follow(const std::vector<TimerSetting>& timers, int64_t start) {
        due.resize(timers.size());
        restarts_seen.resize(timers.size());
        for (size_t i = 0; i < timers.size(); ++i) {
            if (!timers[i].running()) {
                due[i].reset();
            } else if (!due[i] || timers[i].restarts != restarts_seen[i]) {
                due[i].emplace(start, int64_t(timers[i].interval_ms) * 1'000'000);
            }
            restarts_seen[i] = timers[i].restarts;
        }
    }
    std::optional<size_t> next() const {
        std::optional<size_t> first;
        for (size_t i = 0; i < due.size(); ++i)
            if (due[i] && (!first || due[i]->due_ns() < due[*first]->due_ns())) first = i;
        return first;
    }
};

int64_t TimedRun::Clock::now_ns() const { return run_.driver_ == Driver::Caller ? run_.clock_ns_ : actions::now_ns(); }

void TimedRun::Clock::sleep_until(int64_t t_ns) {
    if (run_.driver_ == Driver::Caller) {
        run_.clock_ns_ = std::max(run_.clock_ns_, t_ns);
        return;
    }
    timespec ts{time_t(t_ns / 1'000'000'000), long(t_ns % 1'000'000'000)};
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

TimedRun::TimedRun() = default;
TimedRun::~TimedRun() { stop(); }

void TimedRun::start(const EvalState& state, boardlink::Port& port, Tick tick, Timers timers, Driver driver) {
    stop();
    tick_ = std::move(tick);
    timers_ = std::move(timers);
    port_ = &port;
    state_ = state;
    pending_ = Pending{};
    {
        std::lock_guard lock(mutex_);
        news_ = RunNews{};
        news_.state = state_;
        fresh_ = false;
    }
    stop_ = false;
    active_ = true;
    clock_ns_ = 0;
    clocked_.reset();
    driver_ = driver;
    scheduling_ = Scheduling::None;  // until the thread knows what it got
    if (driver == Driver::Thread) thread_ = std::thread([this] { loop(); });
}

// The thread never waits for the lock of the news while the run goes on: a window that holds it
// and is then preempted by the machine's other work would hold the ticks up with it. What cannot
// be handed over at once waits for the next try (at the latest one slice of sleep later).
void TimedRun::loop() {
    scheduling_ = ask_for_real_time() ? Scheduling::RealTime : Scheduling::Normal;
    Schedules schedules;
    schedules.follow(timers_(), now_ns());
    while (!stop_.load(std::memory_order_acquire)) {
        const auto next = schedules.next();
        if (!next) {
            pending_.ended = true;
            break;
        }
        const int64_t deadline = schedules.due[*next]->due_ns();
        if (!sleep_until(deadline)) break;
        const auto ran = schedules.due[*next]->ran(now_ns());
        clock_.deadline_ns_ = deadline;
        const TickResult result = tick_(*next, state_, *port_);
        schedules.follow(timers_(), deadline);
        note(result, ran.late, ran.skipped);
        hand_over(false);
    }
    hand_over(true);  // the owner is in stop() or only takes the news: the lock is free soon
}

bool TimedRun::sleep_until(int64_t due_ns) {
    // Slices short enough that Stop is answered within a few milliseconds whatever the period.
    constexpr int64_t kSliceNs = 5'000'000;
    for (;;) {
        if (stop_.load(std::memory_order_acquire)) return false;
        if (pending_.any) hand_over(false);
        const int64_t now = now_ns();
        if (now >= due_ns) return true;
        const int64_t until = std::min(due_ns, now + kSliceNs);
        timespec ts{time_t(until / 1'000'000'000), long(until % 1'000'000'000)};
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
    }
}

void TimedRun::note(const TickResult& result, bool late, uint64_t skipped) {
    merge(pending_.display, result.display);
    if (result.refusal) pending_.refusal = result.refusal;
    if (result.texts) pending_.texts = result.texts;
    if (result.progress) pending_.progress = result.progress;
    pending_.locks.insert(pending_.locks.end(), result.locks.begin(), result.locks.end());
    pending_.late += late ? 1 : 0;
    pending_.skipped += skipped;
    pending_.any = true;
}

bool TimedRun::hand_over(bool wait) {
    std::unique_lock lock(mutex_, std::defer_lock);
    if (wait) lock.lock();
    else if (!lock.try_lock()) return false;
    news_.state = state_;
    merge(news_.display, pending_.display);
    if (pending_.refusal) news_.refusal = pending_.refusal;
    if (pending_.texts) news_.texts = pending_.texts;
    if (pending_.progress) news_.progress = pending_.progress;
    news_.locks.insert(news_.locks.end(), pending_.locks.begin(), pending_.locks.end());
    news_.late += pending_.late;
    news_.skipped += pending_.skipped;
    news_.ended = news_.ended || pending_.ended;
    fresh_ = fresh_ || pending_.any || pending_.ended;
    pending_ = Pending{};
    return true;
}

void TimedRun::tick_now(size_t index) {
    if (!active_ || thread_.joinable()) return;
    clock_.deadline_ns_ = clock_ns_;
    note(tick_(index, state_, *port_), false, 0);
    pending_.ended = !any_running(timers_());
    hand_over(true);
}

void TimedRun::advance(int64_t by_ns) {
    if (!active_ || thread_.joinable()) return;
    if (!clocked_) {
        clocked_ = std::make_unique<Schedules>();
        clocked_->follow(timers_(), clock_ns_);
    }
    const int64_t until = clock_ns_ + by_ns;
    for (auto next = clocked_->next(); next && clocked_->due[*next]->due_ns() <= until; next = clocked_->next()) {
        const int64_t deadline = clocked_->due[*next]->due_ns();
        // A tick that slept past the next deadline makes that one late, as on the thread.
        clock_ns_ = std::max(clock_ns_, deadline);
        clock_.deadline_ns_ = deadline;
        clocked_->due[*next]->ran(deadline);
        note(tick_(*next, state_, *port_), false, 0);
        clocked_->follow(timers_(), deadline);
        pending_.ended = !any_running(timers_());
        hand_over(true);
        if (news_.ended) return;  // no timer left
    }
    clock_ns_ = std::max(clock_ns_, until);
}

std::optional<RunNews> TimedRun::take() {
    std::lock_guard lock(mutex_);
    if (!fresh_) return std::nullopt;
    RunNews news = news_;
    // The display effects and sweep texts are told once, the counts go on; the news of a run
    // that ended stays whole for stop() to give.
    if (!news_.ended) {
        news_.display = {};
        news_.texts.reset();
    }
    news_.locks.clear();  // each hop's figure is told once
    fresh_ = false;
    return news;
}

std::optional<RunNews> TimedRun::stop() {
    if (thread_.joinable()) {
        stop_ = true;
        thread_.join();
    }
    if (!active_) return std::nullopt;
    active_ = false;
    std::lock_guard lock(mutex_);
    RunNews news = news_;
    news.state = state_;
    news.ended = true;
    news_.display = {};
    news_.refusal.reset();
    news_.texts.reset();
    news_.locks.clear();
    fresh_ = false;
    return news;
}

}  // namespace actions
