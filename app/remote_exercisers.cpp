#include "app/remote_exercisers.h"

#include <cstdio>

namespace {

// The longest delay a timer takes: with "Delay Off" the release timer must not come before the
// first hop, which turns it off.
constexpr const char* kLongestDelay = "32767";

}  // namespace

RemoteExercisers::RemoteExercisers(EvalState& state, boardlink::Port& port,
                                   std::function<void(const actions::Display&)> show)
    : state_(state), port_(port), show_(std::move(show)) {
    connect(&plain_.timer, &SystemTimer::tick, this,
            [this] { tick_done(hop_.tick_plain(state_, port_, hop_entries_, hop_switches_), "hopping"); });
    connect(&gain_.timer, &SystemTimer::tick, this,
            [this] { tick_done(hop_.tick_gain(state_, port_, hop_entries_, hop_switches_), "hopping"); });
    connect(&release_.timer, &SystemTimer::tick, this, [this] { tick_done(hop_.tick_release(state_, port_), "hopping"); });
    connect(&sweep_timer_.timer, &SystemTimer::tick, this, [this] {
        auto step = sweep_.tick(state_, port_);
        if (step.texts) swept_to_ = step.texts->current;
        tick_done(step, "the sweep");
    });
}

void RemoteExercisers::Follower::follow(const actions::TimerSetting& setting) {
    if (setting.restarts != restarts_seen) {
        timer.setInterval(setting.interval_ms);
        restarts_seen = setting.restarts;
    }
    timer.setEnabled(setting.enabled);
}

void RemoteExercisers::follow() {
    plain_.follow(hop_.plain_timer());
    gain_.follow(hop_.gain_timer());
    release_.follow(hop_.release_timer());
    sweep_timer_.follow(sweep_.timer());
}

void RemoteExercisers::tick_done(const actions::Outcome& outcome, const char* what) {
    follow();
    if (outcome.refusal) std::fprintf(stderr, "ksy7100-eval: %s stopped: %s\n", what, outcome.refusal->message.c_str());
    else if (show_) show_(outcome.display);
}

actions::Outcome RemoteExercisers::start_hop(const Hop& hop) {
    const bool delay_off = hop.with_gain && hop.delay == "0";
    actions::HopRun::Entries entries{hop.start, hop.stop, hop.interval, delay_off ? kLongestDelay : hop.delay, '.'};
    actions::HopRun::Switches switches{hop.divide_at_start, hop.divide_at_stop, hop.with_gain && !delay_off};
    auto out = hop.with_gain ? hop_.start_with_gain(state_, port_, entries) : hop_.start_plain(state_, port_, entries);
    if (out.ok()) {
        hop_entries_ = entries;
        hop_switches_ = switches;
    }
    follow();
    return out;
}

void RemoteExercisers::stop_hop() {
    hop_.stop();
    follow();
}

std::string RemoteExercisers::hop_status() const {
    return std::string(hop_.running() ? "RUN," : "IDLE,") + std::to_string(hop_.hops());
}

actions::Outcome RemoteExercisers::start_sweep(const Sweep& sweep) {
    auto out = sweep_.start(state_, port_, {sweep.start, sweep.stop, sweep.step, sweep.rate, '.'});
    follow();
    return out;
}

void RemoteExercisers::stop_sweep() {
    sweep_.stop();
    follow();
}

std::string RemoteExercisers::sweep_status() const {
    return std::string(sweep_.running() ? "RUN," : "IDLE,") + swept_to_.value_or("NONE");
}

std::optional<std::string> RemoteExercisers::busy_reason() const {
    if (hop_.running())
        return "A lock-time hop run started by a remote client is running: the board takes no other setting until "
               "it stops (HOP:STOP).";
    if (sweep_.running())
        return "A sweep started by a remote client is running: the board takes no other setting until it stops "
               "(SWE:STOP).";
    return std::nullopt;
}
