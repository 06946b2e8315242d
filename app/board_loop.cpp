#include "app/board_loop.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>

#include "model/loop_defaults.h"
#include "model/loop_transient.h"

namespace {

// The charge-pump current of a current code: the state's own formula, on a state that selects it.
double pump_current_a(double rset_ohms, int code) {
    EvalState s;
    s.rset = rset_ohms;
    s.cs1_bits = (code & 7) << 14;
    return charge_pump_current_a(s);
}

// The detector as the chip clocks it: at each PFD edge after the hop (the hop's own edge is where
// the counters restart), a count of edges in a row with the phase error inside the window; the
// output rises when the count reaches the precision's cycles and falls at the first edge outside.
// The transient is run at the first question, not when the word is latched: the board answers a
// latch-enable edge in the time the wire takes, and the time of the edge is what a lock time is
// measured from.
class TransientSettling : public boardlink::Settling {
public:
    TransientSettling(const FrequencyHop& hop, int cycles) : hop_(hop), cycles_(cycles) {}

    double frequency_hz(double t_s) const override { return run().transient.frequency_hz(t_s); }
    bool lock_detect(double t_s) const override {
        const std::vector<double>& edges = run().edges;
        return (std::upper_bound(edges.begin(), edges.end(), t_s) - edges.begin()) % 2 == 1;
    }

private:
    struct Run {
        HopTransient transient;
        std::vector<double> edges;  // rise, fall, rise, ...
    };
    const Run& run() const {
        std::call_once(once_, [this] { run_.emplace(simulate()); });
        return *run_;
    }
    Run simulate() const {
        Run r{HopTransient(hop_), {}};
        const std::vector<double> errors = r.transient.phase_error_series_s();
        const double period = r.transient.series_period_s();
        int inside = 0;
        bool high = false;
        for (std::size_t k = 1; k < errors.size(); ++k) {
            const bool in_window = std::abs(errors[k]) < HopTransient::kLockDetectWindowS;
            inside = in_window ? inside + 1 : 0;
            if (in_window ? (!high && inside == cycles_) : high) {
                r.edges.push_back(double(k) * period);
                high = !high;
            }
        }
        // The stored series ends where the phase error stays within half the window for good,
        // or at the horizon: only the first case goes on to lock.
        const bool settled = !errors.empty() && double(errors.size()) * period < HopTransient::kHorizonS &&
                             std::abs(errors.back()) < HopTransient::kLockDetectWindowS;
        if (!high && settled) r.edges.push_back(double(errors.size() - 1 + std::size_t(cycles_ - inside)) * period);
        return r;
    }

    FrequencyHop hop_;
    int cycles_;
    mutable std::once_flag once_;
    mutable std::optional<Run> run_;
};

}  // namespace

std::shared_ptr<const boardlink::Settling> model_settling(const ModelSettling::Loop& loop,
                                                          const boardlink::SettlingStep& step) {
    FrequencyHop hop{loop.parts, loop.kvco_hz_per_v, step.pfd_hz, step.from_hz, step.to_hz, {}};
    for (const auto& pump : step.pump) hop.pump.push_back({pump.t_s, pump_current_a(loop.rset_ohms, pump.code)});
    if (!hop_problem(hop).empty()) return nullptr;
    return std::make_shared<TransientSettling>(hop, step.lock_detect_cycles);
}

ModelSettling::ModelSettling(const EvalState& state) : state_(state), owner_(std::this_thread::get_id()) { refresh(); }

void ModelSettling::refresh() {
    std::lock_guard lock(mutex_);
    loop_ = {state_.loop.parts, state_.loop.kvco_mhz_per_v * 1e6, state_.rset};
}

std::shared_ptr<const boardlink::Settling> ModelSettling::settle(const boardlink::SettlingStep& step) const {
    Loop loop;
    {
        std::lock_guard lock(mutex_);
        if (std::this_thread::get_id() == owner_) loop_ = {state_.loop.parts, state_.loop.kvco_mhz_per_v * 1e6, state_.rset};
        loop = loop_;
    }
    // A hop starts from where the VCO is, which after a settled hop is the frequency aimed at to a
    // fraction of a hertz: steps that differ by less than that are the same step.
    boardlink::SettlingStep same = step;
    same.from_hz = std::round(step.from_hz);
    const auto equal = [&](const Kept& k) {
        if (!(k.loop == loop) || k.step.from_hz != same.from_hz || k.step.to_hz != same.to_hz ||
            k.step.pfd_hz != same.pfd_hz || k.step.lock_detect_cycles != same.lock_detect_cycles ||
            k.step.pump.size() != same.pump.size())
            return false;
        for (std::size_t i = 0; i < same.pump.size(); ++i)
            if (k.step.pump[i].t_s != same.pump[i].t_s || k.step.pump[i].code != same.pump[i].code) return false;
        return true;
    };
    std::lock_guard lock(mutex_);
    if (auto kept = std::find_if(kept_.begin(), kept_.end(), equal); kept != kept_.end()) return kept->settling;
    auto settling = model_settling(loop, same);
    if (kept_.size() == kKept) kept_.erase(kept_.begin());
    kept_.push_back({loop, same, settling});
    return settling;
}

BoardLoop::BoardLoop(EvalState& state, boardlink::BoardLink& link) : link_(link) {
    auto* board = link.simulated_board();
    if (!board) return;
    settling_ = std::make_shared<ModelSettling>(state);
    board->set_loop(settling_);
    link.set_hold_listener([settling = settling_] { settling->refresh(); });
}

BoardLoop::~BoardLoop() {
    if (!settling_) return;
    link_.set_hold_listener({});
    if (auto* board = link_.simulated_board()) board->set_loop(nullptr);
}
