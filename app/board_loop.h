#pragma once
// The simulated board's loop, filled with the loop model: the parts, the VCO gain and the set
// resistor of the state's loop record, stepped by the same transient that predicts the lock time
// (model/loop_transient.h). link/ cannot see the model; this is where the two meet.
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "link/board_link.h"
#include "link/loop_settling.h"
#include "model/eval_state.h"

class ModelSettling : public boardlink::LoopSettling {
public:
    // `state` is read on the thread that creates this object, which is the thread that owns it.
    explicit ModelSettling(const EvalState& state);
    // A settling of the loop as the state describes it now. On another thread (a run's timing
    // thread) the loop is the one taken at the last refresh(): the state is the owner's to change.
    std::shared_ptr<const boardlink::Settling> settle(const boardlink::SettlingStep& step) const override;
    // Takes the loop from the state; on the owner's thread only.
    void refresh();

    struct Loop {
        LoopParts parts;
        double kvco_hz_per_v = 0;
        double rset_ohms = 0;
        bool operator==(const Loop&) const = default;
    };

private:
    const EvalState& state_;
    std::thread::id owner_;
    mutable std::mutex mutex_;
    mutable Loop loop_;
    // The settlings of the last few steps: a hop run repeats the same two steps, whose transients
    // are then run once, not at every hop (the board's answers stay as quick as the wire).
    struct Kept {
        Loop loop;
        boardlink::SettlingStep step;
        std::shared_ptr<const boardlink::Settling> settling;
    };
    static constexpr std::size_t kKept = 8;
    mutable std::vector<Kept> kept_;
};

// A settling of `loop` for `step` (empty when the parts make no loop): what the board runs.
std::shared_ptr<const boardlink::Settling> model_settling(const ModelSettling::Loop& loop,
                                                          const boardlink::SettlingStep& step);

// Gives the link's simulated board (if it is one) the loop of `state` for as long as it lives,
// refreshed whenever a run takes the link.
class BoardLoop {
public:
    BoardLoop(EvalState& state, boardlink::BoardLink& link);
    ~BoardLoop();
    BoardLoop(const BoardLoop&) = delete;
    BoardLoop& operator=(const BoardLoop&) = delete;

private:
    boardlink::BoardLink& link_;
    std::shared_ptr<ModelSettling> settling_;
};
