#pragma once
// How the simulated board's loop settles after a word changes its frequency or its charge-pump
// current. The board knows only the words it latched: the frequencies, the PFD and the current
// code they select. The parts on the board, the VCO gain and the set resistor are the loop
// designer's, so whoever owns the loop model fills this in (app/ does, with the model that also
// predicts the lock time: one model, so prediction and simulated measurement cannot drift apart).
#include <memory>
#include <vector>

namespace boardlink {

struct SettlingStep {
    double from_hz = 0;  // the VCO frequency at the moment of the hop
    double to_hz = 0;    // the VCO frequency the new words aim at
    double pfd_hz = 0;
    // The charge-pump current code (0..7) from t_s after the hop on; the first from t = 0. A
    // fast-lock hop has two: the raised current, then the normal one after the delay.
    struct Pump {
        double t_s = 0;
        int code = 0;
    };
    std::vector<Pump> pump;
    int lock_detect_cycles = 3;  // PFD cycles inside the window before lock detect rises: 3 or 5
};

// One settling as the loop runs it, in seconds from the hop.
class Settling {
public:
    virtual ~Settling() = default;
    virtual double frequency_hz(double t_s) const = 0;
    // The digital lock detector's output: high once the phase error at the PFD stayed inside its
    // window for the step's cycles, low again the moment it leaves.
    virtual bool lock_detect(double t_s) const = 0;
};

class LoopSettling {
public:
    virtual ~LoopSettling() = default;
    // Empty when the loop cannot be run (no usable parts): the board then hops at once.
    virtual std::shared_ptr<const Settling> settle(const SettlingStep& step) const = 0;
};

}  // namespace boardlink
