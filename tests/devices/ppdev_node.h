#pragma once
// /dev/parport0 in the device bed: a PC parallel port as the ppdev driver shows it to one program,
// with the simulated board on its cable: data bits 0..4 out, STATUS on the select input (status
// bit 4), MUXOUT on paper end (status bit 5, pin 12) as the lock-detect line.
#include <chrono>
#include <mutex>
#include <vector>

#include "link/sim_board.h"
#include "tests/devices/device_bed.h"

namespace testing_support {

class PpdevNode : public IoctlNode {
public:
    static constexpr const char* kDevnode = "/dev/parport0";

    // Adds the port to the bed. A claim of a port that another driver holds sleeps until the
    // claimer is interrupted; the preload library retries its wait for the answer when a signal
    // interrupts it, so the claimer's time-out cannot end that sleep here, and the node ends it
    // itself after `claim_interrupted_after` with the EINTR a signal gives.
    PpdevNode(DeviceBed& bed, std::chrono::milliseconds claim_interrupted_after);

    void handle(UMockdevIoctlClient* client) override;

    // Set before a client comes; read by the test thread once no client uses them.
    bool held_by_other_driver = false;
    bool claimed = false;
    std::vector<uint8_t> writes;  // to the data register
    boardlink::SimBoard board;

private:
    std::chrono::milliseconds claim_interrupted_after_;
    std::mutex mutex_;
};

}  // namespace testing_support
