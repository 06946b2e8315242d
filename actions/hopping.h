#pragma once
// The lock-time exerciser: the synthesizer hops between two frequencies on a timer, rewriting
// the N counter latch at each hop, optionally switching the output divide-by-2 per frequency
// and raising the charge-pump gain for each hop ("Use CP Gain"), lowered at once ("Delay Off")
// or after a delay ("Delay On"). The gain is raised and lowered in the latch each hop sends, the
// N latch (DB21), so the board's gain is always the one the main window's switch shows; the
// control latch's gain bit is left as the user set it.
//
// Three timers: `plain` drives plain hopping, `gain` hopping with charge-pump gain, `release`
// the delayed lowering of the gain: armed by each hop for the delay after it, and firing once. The intervals are read when a start is asked for, the
// frequencies and switches at every hop. A refused start stops every timer; a hop that cannot
// be made, or a link that has failed, stops them too.
#include <optional>
#include <string>
#include <vector>

#include "actions/exerciser_timer.h"
#include "actions/lock_watch.h"
#include "actions/outcome.h"
#include "actions/tick_result.h"
#include "link/port.h"
#include "model/eval_state.h"

namespace actions {

class HopRun {
public:
    // The entries as typed: start and stop frequency (whole MHz), the time between jumps and
    // the delay before the gain is lowered (ms).
    struct Entries {
        std::string start, stop, interval, delay;
        char decimal_point = '.';
    };
    // The switches: divide-by-2 at the start and at the stop frequency (empty: left as the user
    // set it), and "Delay On".
    struct Switches {
        std::optional<bool> divide_at_start = false, divide_at_stop = false;
        bool delay_on = false;
    };

    // "Start": plain hopping (hop_mode 0). "Use CP Gain": hopping with gain (hop_mode 1) and the
    // release timer. Neither stops the other mode's timer.
    Outcome start_plain(EvalState& state, const boardlink::Port& port, const Entries& entries);
    Outcome start_with_gain(EvalState& state, const boardlink::Port& port, const Entries& entries);
    // "Stop", and the end of the window: every timer off.
    void stop();
    // "Cancel" turns the plain timer off before the window closes (which stops the rest).
    void stop_plain() { plain_.enabled = false; }

    // One tick of timer `index` (0 plain, 1 with gain, 2 the release), as the timing thread makes
    // it, with the hops made so far.
    TickResult tick(size_t index, EvalState& state, boardlink::Port& port, const Entries& entries,
                    const Switches& switches);
    // The three timers, in the order of `index`.
    std::vector<TimerSetting> timers() const { return {plain_, gain_, release_}; }

    Outcome tick_plain(EvalState& state, boardlink::Port& port, const Entries& entries, const Switches& switches);
    Outcome tick_gain(EvalState& state, boardlink::Port& port, const Entries& entries, const Switches& switches);
    Outcome tick_release(EvalState& state, boardlink::Port& port);

    const TimerSetting& plain_timer() const { return plain_; }
    const TimerSetting& gain_timer() const { return gain_; }
    const TimerSetting& release_timer() const { return release_; }
    bool running() const { return plain_.running() || gain_.running() || release_.running(); }
    // With "Use CP Gain" and "Delay On": what the user should know of the gain's timing (the gain
    // stays raised when the delay is not shorter than the time between hops), else empty.
    std::string gain_note(const Switches& switches) const;
    // Hops made since the run was created.
    unsigned long hops() const { return hops_; }

    // Measures each hop's lock time on the link's lock-detect line, keeping time by `clock` (the
    // timing thread's); nullptr: no measurement. Set before the run starts.
    void measure_lock(RunClock* clock) {
        lock_clock_ = clock;
        watch_ = {};
    }
    // How long before the next tick is due the lock-detect line is read last: the tick is then
    // on time.
    static constexpr int64_t kWatchMarginNs = 100'000;

private:
    Outcome refuse_start(const boardlink::Port& port, bool& refused);
    // The common step of both hop ticks; false (every timer stopped, `out` refused) when the
    // hop cannot be made.
    bool hop(EvalState& state, const Entries& entries, const Switches& switches, Outcome& out);
    // Lowers the gain a hop raised, for the N latch that follows.
    void lower_gain(EvalState& state, Outcome& out);
    // Stops every timer when the link has failed; true then.
    bool link_failed(const boardlink::Port& port);
    // The lock measurement: a hop starts watching from its first N word's latch-enable edge (the
    // hop before is decided as it stands); every tick then reads the line until the next tick.
    void watch_hop(TickResult& result);
    void note_first_word(boardlink::Port& port);
    void keep_watching(boardlink::Port& port, TickResult& result);

    TimerSetting plain_, gain_, release_;
    unsigned long hops_ = 0;
    bool gain_raised_ = false;  // a hop raised the N latch's gain and it was not lowered since
    RunClock* lock_clock_ = nullptr;
    LockWatch watch_;
    int64_t next_hop_ns_ = 0, release_ns_ = 0;  // when the next hop and the armed release are due
    std::optional<int64_t> first_le_ns_;         // the tick's first N word was latched then
};

}  // namespace actions
