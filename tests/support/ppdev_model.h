#pragma once
// A PC parallel port as the ppdev driver shows it to one program: the claim (which waits while
// another driver holds the port), the data register written, the status and data registers read.
// The simulated board hangs on it through the board's cable: data bits 0..4 out, STATUS on the
// select input (status bit 4), MUXOUT on paper end (status bit 5, pin 12) as the lock-detect line. Plain C++: the ioctl glue lives with the device tests.
#include <cstdint>
#include <string>
#include <vector>

#include "link/sim_board.h"

namespace testing_support {

class PpdevModel {
public:
    explicit PpdevModel(boardlink::SimBoard& board) : board_(board) {}

    enum class Claim { Granted, Waits };
    // While another driver holds the port, a claim sleeps until it lets go or a signal comes.
    Claim claim();
    void release() { claimed_ = false; }
    void hold_by_other_driver(bool held) { held_by_other_ = held; }

    // Each returns 0 or the errno the driver gives.
    int write_data(uint8_t value);
    int read_data(uint8_t& value) const;
    int read_status(uint8_t& value) const;

    bool claimed() const { return claimed_; }
    const std::vector<uint8_t>& writes() const { return writes_; }
    void log_unknown(unsigned long request);
    const std::vector<unsigned long>& unknown_requests() const { return unknown_; }

private:
    boardlink::SimBoard& board_;
    bool claimed_ = false;
    bool held_by_other_ = false;
    uint8_t data_ = 0;
    std::vector<uint8_t> writes_;
    std::vector<unsigned long> unknown_;
};

}  // namespace testing_support
