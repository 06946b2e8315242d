#include "app/board_loop.h"

#include <algorithm>
#include <cmath>

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
class TransientSettling : public boardlink::Settling {
public:
    TransientSettling(const FrequencyHop& hop, int cycles) : transient_(hop) {
        const std::vector<double> errors = transient_.phase_error_series_s();
        const double period = transient_.series_period_s();
        int inside = 0;
        bool high = false;
        for (std::size_t k = 1; k < errors.size(); ++k) {
            if (std::abs(errors[k]) < HopTransient::kLockDetectWindowS) {
                if (++inside == cycles) high = toggle(double(k) * period, true);
            } else {
                inside = 0;
                if (high) high = toggle(double(k) * period, false);
            }
        }
        // The stored series ends where the phase error stays within half the window for good,
        // or at the horizon: only the first case goes on to lock.
        const double end = double(errors.size()) * period;
        const bool settled = !errors.empty() && end < HopTransient::kHorizonS &&
                             std::abs(errors.back()) < HopTransient::kLockDetectWindowS;
        if (!high && settled) toggle(double(errors.size() - 1 + std::size_t(cycles - inside)) * period, true);
    }

    double frequency_hz(double t_s) const override { return transient_.frequency_hz(t_s); }
    bool lock_detect(double t_s) const override {
        const auto passed = std::upper_bound(edges_.begin(), edges_.end(), t_s) - edges_.begin();
        return passed % 2 == 1;
    }

private:
    bool toggle(double t_s, bool to) {
        edges_.push_back(t_s);
        return to;
    }
    HopTransient transient_;
    std::vector<double> edges_;  // rise, fall, rise, ...
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
    return model_settling(loop, step);
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
