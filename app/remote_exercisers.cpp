#include "app/remote_exercisers.h"

#include <cstdio>

namespace {

// The longest delay a timer takes: with "Delay Off" the release timer must not come before the
// first hop, which turns it off.
constexpr const char* kLongestDelay = "32767";

// How often the news of a run reaches the state and the windows.
constexpr int kFollowMs = 33;

std::string timing(const actions::TimedRun& ticks, const actions::RunNews& news) {
    return std::string(actions::scheduling_keyword(ticks.scheduling())) + "," +
           std::to_string(news.late + news.skipped);
}

}  // namespace

RemoteExercisers::RemoteExercisers(EvalState& state, boardlink::BoardLink& link, View view,
                                   actions::TimedRun::Driver driver)
    : state_(state), link_(link), view_(std::move(view)), driver_(driver) {
    follower_.setInterval(kFollowMs);
    connect(&follower_, &QTimer::timeout, this, &RemoteExercisers::follow);
}

RemoteExercisers::~RemoteExercisers() { finish(); }

void RemoteExercisers::start_ticks(Kind kind) {
    running_ = kind;
    told_scheduling_ = false;
    // A new run reports its own count and steps, never those of the run before.
    if (kind == Kind::Hop) {
        hop_base_ = hop_.hops();
        hops_ = 0;
        hop_timing_ = "NONE,0";
        locks_.clear();
    } else {
        swept_to_.reset();
        sweep_timing_ = "NONE,0";
    }
    actions::TimedRun::Tick tick;
    actions::TimedRun::Timers timers;
    if (kind == Kind::Hop) {
        // The entries and switches are the command's: fixed for the run.
        tick = [this, entries = hop_entries_, switches = hop_switches_](size_t timer, EvalState& s, boardlink::Port& p) {
            return hop_.tick(timer, s, p, entries, switches);
        };
        timers = [this] { return hop_.timers(); };
        link_.hold("A lock-time hop run started by a remote client is running: the board takes no other setting "
                   "until it stops (HOP:STOP).");
    } else {
        tick = [this](size_t, EvalState& s, boardlink::Port& p) { return sweep_.tick(s, p); };
        timers = [this] { return sweep_.timers(); };
        link_.hold("A sweep started by a remote client is running: the board takes no other setting until it stops "
                   "(SWE:STOP).");
    }
    ticks_.start(state_, link_, std::move(tick), std::move(timers), driver_);
    if (driver_ == actions::TimedRun::Driver::Thread) follower_.start();
}

void RemoteExercisers::take(const actions::RunNews& news) {
    state_ = news.state;
    if (running_ == Kind::Hop) {
        hops_ = news.progress > hop_base_ ? news.progress - hop_base_ : 0;
        for (const actions::HopLock& hop : news.locks) locks_.add(hop);
        hop_timing_ = timing(ticks_, news);
    } else if (running_ == Kind::Sweep) {
        if (news.texts) swept_to_ = news.texts->current;
        sweep_timing_ = timing(ticks_, news);
    }
    if (view_.show) view_.show(news.display);
}

void RemoteExercisers::follow() {
    auto news = ticks_.take();
    if (!news) return;
    if (news->ended) return finish();
    take(*news);
    if (!told_scheduling_ && ticks_.scheduling() != actions::Scheduling::None && view_.status) {
        told_scheduling_ = true;
        view_.status(std::string(running_ == Kind::Hop ? "Hopping" : "Sweeping") + " with " +
                     actions::scheduling_text(ticks_.scheduling()));
    }
}

void RemoteExercisers::finish() {
    follower_.stop();
    auto last = ticks_.stop();
    if (!last) return;
    const Kind was = running_;
    take(*last);
    running_ = Kind::None;
    link_.release();
    const char* what = was == Kind::Hop ? "hopping" : "the sweep";
    if (last->refusal) std::fprintf(stderr, "ksy7100-eval: %s stopped: %s\n", what, last->refusal->message.c_str());
    if (view_.status) {
        const std::string late = actions::lateness_text(*last);
        view_.status(std::string(was == Kind::Hop ? "Hopping" : "Sweep") + " stopped" +
                     (late.empty() ? ": every tick on time" : ": " + late));
    }
    if (view_.run_over) view_.run_over();
}

void RemoteExercisers::tick_now(size_t index) {
    ticks_.tick_now(index);
    follow();
}

void RemoteExercisers::advance(int64_t by_ns) {
    ticks_.advance(by_ns);
    follow();
}

actions::Outcome RemoteExercisers::start_hop(const Hop& hop) {
    finish();
    const bool delay_off = hop.with_gain && hop.delay == "0";
    actions::HopRun::Entries entries{hop.start, hop.stop, hop.interval, delay_off ? kLongestDelay : hop.delay, '.'};
    actions::HopRun::Switches switches{hop.divide_at_start, hop.divide_at_stop, hop.with_gain && !delay_off};
    const actions::LockDecision lock =
        actions::lock_measurement(lock_asked_, link_.lock_detect().has_value(), state_.muxout_bits);
    if (lock.refusal) return {lock.refusal, {}};
    hop_.measure_lock(lock.measure ? &ticks_.clock() : nullptr);
    auto out = hop.with_gain ? hop_.start_with_gain(state_, link_, entries) : hop_.start_plain(state_, link_, entries);
    if (out.ok()) {
        hop_entries_ = entries;
        hop_switches_ = switches;
    }
    if (hop_.running()) start_ticks(Kind::Hop);
    return out;
}

void RemoteExercisers::stop_hop() {
    if (running_ == Kind::Hop) finish();
    hop_.stop();
}

std::string RemoteExercisers::hop_status() {
    follow();
    return std::string(running_ == Kind::Hop ? "RUN," : "IDLE,") + std::to_string(hops_) + "," + hop_timing_;
}

bool RemoteExercisers::lock_measurement() {
    return actions::lock_measurement(lock_asked_, link_.lock_detect().has_value(), state_.muxout_bits).measure;
}

std::string RemoteExercisers::hop_lock() {
    follow();
    return locks_.summary_text();
}

std::string RemoteExercisers::hop_lock_all() {
    follow();
    return locks_.all_text();
}

actions::Outcome RemoteExercisers::start_sweep(const Sweep& sweep) {
    finish();
    auto out = sweep_.start(state_, link_, {sweep.start, sweep.stop, sweep.step, sweep.rate, '.'});
    if (sweep_.running()) start_ticks(Kind::Sweep);
    return out;
}

void RemoteExercisers::stop_sweep() {
    if (running_ == Kind::Sweep) finish();
    sweep_.stop();
}

std::string RemoteExercisers::sweep_status() {
    follow();
    return std::string(running_ == Kind::Sweep ? "RUN," : "IDLE,") + swept_to_.value_or("NONE") + "," + sweep_timing_;
}
