#pragma once
// A simulated evaluation board behind the port interface. It decodes the wire exactly as the
// board does and knows nothing of how the words were built:
//  - the synthesizer's 24-bit shift register takes DATA (bit 1) on each rising edge of CLK
//    (bit 0), most significant bit first; a rising edge of LE (bit 2) loads the register into
//    the latch named by its two lowest bits;
//  - the supply converter is clocked by data bit 3 (idle high), reads data bit 1 on the rising
//    edge and presents its answer on status bit 4 on the falling edge.
// It also settles like a loop: when a latched word changes the VCO frequency, the PFD or the
// charge-pump current, the board runs the settling its loop (link/loop_settling.h) gives for that
// step from the moment of the latch-enable edge, and MUXOUT follows the control latch's muxout
// field on the board's clock.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "link/loop_settling.h"
#include "link/pi_mutex.h"
#include "link/port.h"

namespace boardlink {

class SimBoard : public Port {
public:
    static constexpr double kRefInHz = 10'000'000;  // the simulated board's reference oscillator

    struct Converter {
        bool present = true;
        int busy_polls = 2;      // status reads that report busy after each set-up operation; -1: forever
        double vp_volts = 4.5;   // charge-pump supply
        double vdd_volts = 3.3;  // digital and analog supply
    };

    SimBoard();
    explicit SimBoard(Converter converter);

    void out(uint16_t address, uint8_t value) override;
    uint8_t in(uint16_t address) override;
    std::string name() const override { return "simulated board"; }

    // The word each latch holds (index = control bits: 0 control, 1 R, 2 N, 3 test), if any.
    const std::array<std::optional<uint32_t>, 4>& latches() const { return latches_; }
    // Every word loaded, oldest first; the history keeps the last kHistory words.
    static constexpr size_t kHistory = 4096;
    const std::deque<uint32_t>& history() const { return history_; }
    uint64_t words_loaded() const { return words_loaded_; }

    // The output frequency the held latches program: (P x B + A) x REF IN / R, with P from the
    // control latch's prescaler bits (B alone for a chip without dual-modulus prescaler), halved when
    // the N latch's output divide-by-2 bit is set. Empty until R, N and control are held, or R is 0.
    std::optional<double> output_frequency_hz() const;
    // The prescaler modulus the control latch selects.
    std::optional<int> prescaler_modulus() const;

    // The synthesizer on the board: the variant without dual-modulus prescaler divides by B alone.
    void set_single_modulus(bool single) { single_modulus_ = single; }
    bool single_modulus() const { return single_modulus_; }

    // The supply current the simulated chip draws, from its power settings.
    double idd_milliamps() const;

    // The board's time in ns: the moment of each latch-enable edge and the moment MUXOUT is read.
    // The monotonic clock unless set; tests give it their run's own clock. Set before words flow.
    using Clock = std::function<int64_t()>;
    void set_clock(Clock clock);
    int64_t now_ns() const { return clock_(); }
    // The loop the board settles by; without one (or with parts that make no loop) the VCO is at
    // the programmed frequency the moment the word is latched, and lock detect is high.
    void set_loop(std::shared_ptr<const LoopSettling> loop);

    // A logic output as a reader sees it: a three-stated (or open-drain, released) output floats.
    enum class Level : uint8_t { Low, High, Floating };
    // MUXOUT at `t_ns` as the muxout field of the control latch selects it (three-state before a
    // control word is held, as the chip powers up).
    Level muxout_at(int64_t t_ns) const;
    // The VCO frequency at `t_ns` (before the output divide-by-2); empty until R, N and control
    // are held.
    std::optional<double> vco_frequency_at(int64_t t_ns) const;
    // The VCO frequency from the latest hop's latch-enable edge over `span_ns` (or until now when
    // that is sooner) at `points` even times, read whole while another thread may write; empty
    // before the words program a frequency.
    struct Trace {
        std::vector<double> t_s, hz;  // time from the hop's edge, VCO frequency
    };
    std::optional<Trace> settling_trace(int64_t span_ns, int points) const;
    // The lock-detect line: MUXOUT now, wired to a status input where a floating line reads high.
    std::optional<bool> lock_detect() override;
    std::optional<int64_t> latched_at_ns() const override;

    // Called after every word loaded into a latch (the window that shows the board uses it), on
    // the thread that wrote the word: an exerciser's timing thread too. Replacing the listener
    // waits for a call in progress.
    void set_listener(std::function<void()> listener);

    // What the board holds, read whole while another thread may be writing to it (the accessors
    // above are for when nothing writes).
    struct View {
        std::array<std::optional<uint32_t>, 4> latches;
        uint64_t words_loaded = 0;
        std::optional<double> output_frequency_hz;
        std::optional<double> vco_hz;  // now, while the loop settles
        Level muxout = Level::Floating;  // now
        int64_t at_ns = 0;               // the board's time of this view
    };
    View view() const;

    Converter& converter() { return converter_; }

private:
    bool take(uint16_t address, uint8_t value);  // true when a word was loaded
    void on_converter_byte(uint8_t byte);
    uint16_t code_for(double volts) const;
    // The loop after a word was latched at `t_ns`: a new settling when the frequency or the PFD
    // moved, the present one extended when only the current or the detector's precision did.
    void follow_loop(int64_t t_ns);
    std::optional<double> programmed_vco_hz() const;  // what the held words aim at
    bool loop_open() const;                           // charge pump three-stated, or powered down
    bool lock_detect_at(int64_t t_ns) const;

    struct Hop {
        int64_t start_ns = 0;
        SettlingStep step;
        std::shared_ptr<const Settling> settling;  // empty: the VCO jumped at once
    };
    Clock clock_;
    std::shared_ptr<const LoopSettling> loop_;
    std::optional<Hop> hop_;
    std::optional<int64_t> latched_at_ns_;

    Converter converter_;
    bool single_modulus_ = false;
    uint8_t data_ = 24;  // last value of the data register (the port idles at 24)
    uint32_t shift_ = 0;
    std::array<std::optional<uint32_t>, 4> latches_{};
    std::deque<uint32_t> history_;
    uint64_t words_loaded_ = 0;
    mutable PriorityInheritingMutex mutex_;  // the decoding state: a run's thread writes while a window reads
    std::mutex listener_mutex_;
    std::function<void()> listener_;

    // Converter serial state
    uint8_t in_byte_ = 0;
    int in_bits_ = 0;
    uint32_t out_value_ = 0;
    int out_bits_ = 0;       // answer bits still to present
    bool output_cycle_ = false;  // the present clock cycle shifts an answer bit out
    bool out_line_ = false;  // level of status bit 4
    int busy_left_ = 0;
};

}  // namespace boardlink
