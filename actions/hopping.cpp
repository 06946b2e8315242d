#include "actions/hopping.h"

#include <algorithm>
#include <limits>

#include "actions/exerciser_refusals.h"
#include "actions/transfer.h"
#include "model/exerciser_plan.h"
#include "model/latch.h"
#include "model/variants.h"

namespace actions {
namespace {

exerciser::HopEntries view(const HopRun::Entries& e) {
    return {e.start, e.stop, e.interval, e.delay, e.decimal_point};
}

bool link_ok(const boardlink::Port& port) { return port.failure().empty(); }

}  // namespace

void HopRun::lower_gain(EvalState& s, Outcome& out) {
    s.cp_gain_bits = 0;
    gain_raised_ = false;
    out.display.cp_gain = false;
    out.display.refresh = true;
}

bool HopRun::link_failed(const boardlink::Port& port) {
    if (link_ok(port)) return false;
    stop();
    return true;
}

void HopRun::stop() {
    plain_.enabled = false;
    gain_.enabled = false;
    release_.enabled = false;
}

Outcome HopRun::start_plain(EvalState& s, const boardlink::Port& port, const Entries& e) {
    if (link_failed(port)) return failed_link_refusal(port, "the hopping");
    auto start = exerciser::hop_start(s, view(e), false);
    if (!start) {
        stop();
        return {exerciser_refusal(*start.problem), {}};
    }
    plain_.set_interval(start->interval_ms);
    s.hop_mode = 0;
    plain_.enabled = true;
    return {};
}

Outcome HopRun::start_with_gain(EvalState& s, const boardlink::Port& port, const Entries& e) {
    if (link_failed(port)) return failed_link_refusal(port, "the hopping");
    auto start = exerciser::hop_start(s, view(e), true);
    if (!start) {
        stop();
        return {exerciser_refusal(*start.problem), {}};
    }
    gain_.set_interval(start->interval_ms);
    gain_.enabled = true;
    // The release is armed by each hop, for the delay after that hop; nothing is raised yet.
    release_.set_interval(start->delay_ms);
    release_.enabled = false;
    s.hop_mode = 1;
    return {};
}

std::string HopRun::gain_note(const Switches& sw) const {
    if (!gain_.running() || !sw.delay_on || release_.interval_ms < gain_.interval_ms) return {};
    return "the charge-pump gain stays raised: the delay (" + std::to_string(release_.interval_ms) +
           " ms) is not shorter than the time between hops (" + std::to_string(gain_.interval_ms) + " ms)";
}

bool HopRun::hop(EvalState& s, const Entries& e, const Switches& sw, Outcome& out) {
    auto step = exerciser::hop_step(s, view(e), sw.divide_at_start, sw.divide_at_stop);
    if (!step) {
        stop();
        out.refusal = exerciser_refusal(*step.problem);
        return false;
    }
    exerciser::apply_hop(s, *step);
    ++hops_;
    out.display.output_divide = step->out_div2;
    out.display.refresh = true;
    if (s.hop_mode == 1) {
        s.cp_gain_bits = exerciser::kNCpGainBit;
        gain_raised_ = true;
        out.display.cp_gain = true;
    }
    return true;
}

TickResult HopRun::tick(size_t index, EvalState& s, boardlink::Port& port, const Entries& e, const Switches& sw) {
    TickResult r;
    first_le_ns_.reset();
    static_cast<Outcome&>(r) =
        index == 0 ? tick_plain(s, port, e, sw) : index == 1 ? tick_gain(s, port, e, sw) : tick_release(s, port);
    r.progress = hops_;
    if (lock_clock_) {
        if (first_le_ns_) watch_hop(r);
        keep_watching(port, r);
    }
    return r;
}

void HopRun::watch_hop(TickResult& r) {
    if (auto decided = watch_.conclude()) r.locks.push_back(*decided);
    watch_.begin(*first_le_ns_);
    const int64_t deadline = lock_clock_->deadline_ns();
    const TimerSetting& hops = plain_.running() ? plain_ : gain_;
    next_hop_ns_ = deadline + int64_t(hops.interval_ms) * 1'000'000;
    release_ns_ = release_.running() ? deadline + int64_t(release_.interval_ms) * 1'000'000 : 0;
}

void HopRun::keep_watching(boardlink::Port& port, TickResult& r) {
    if (!watch_.watching()) return;
    int64_t next_tick = running() ? next_hop_ns_ : std::numeric_limits<int64_t>::max();
    if (release_.running() && release_ns_ > lock_clock_->now_ns()) next_tick = std::min(next_tick, release_ns_);
    if (auto decided = watch_.watch(port, *lock_clock_, next_tick - kWatchMarginNs)) r.locks.push_back(*decided);
}

void HopRun::note_first_word(boardlink::Port& port) {
    if (!lock_clock_ || first_le_ns_) return;
    // A link that batches its writes sends them now, so the time taken is that of the edge,
    // unless the link knows the edge's own time.
    port.flush();
    first_le_ns_ = port.latched_at_ns().value_or(lock_clock_->now_ns());
}

Outcome HopRun::tick_plain(EvalState& s, boardlink::Port& port, const Entries& e, const Switches& sw) {
    Outcome out;
    if (link_failed(port) || !hop(s, e, sw, out)) return out;
    if (variants::is_family_variant(s.device)) {
        Transfer wire(s, port, "HopTick" + std::to_string(hops_));
        wire.send(kNLatch);
        note_first_word(port);
        if (s.hop_mode == 1 && link_ok(port)) lower_gain(s, out);
        // The N latch once more, with the gain bit as it stands now.
        if (link_ok(port)) wire.send(kNLatch);
    }
    link_failed(port);
    return out;
}

Outcome HopRun::tick_gain(EvalState& s, boardlink::Port& port, const Entries& e, const Switches& sw) {
    Outcome out;
    if (link_failed(port) || !hop(s, e, sw, out)) return out;
    {
        Transfer wire(s, port, "HopTick" + std::to_string(hops_));
        wire.send(kNLatch);  // for any device name
        note_first_word(port);
        if (link_ok(port)) {
            if (!sw.delay_on) {
                release_.enabled = false;
                lower_gain(s, out);
                wire.send(kNLatch);
            } else {
                // One release, the delay after this hop: the countdown starts afresh at every hop,
                // so the gain is held for the delay whatever the time between hops. A hop due
                // before the release re-arms it: the gain then stays raised.
                release_.set_interval(release_.interval_ms);
                release_.enabled = true;
            }
        }
    }
    link_failed(port);
    return out;
}

Outcome HopRun::tick_release(EvalState& s, boardlink::Port& port) {
    Outcome out;
    release_.enabled = false;  // one release per hop
    if (link_failed(port) || !gain_raised_) return out;
    lower_gain(s, out);
    Transfer(s, port, "HopGainRelease").send(kNLatch);
    link_failed(port);
    return out;
}

}  // namespace actions
