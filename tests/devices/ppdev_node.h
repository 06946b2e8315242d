#pragma once
// /dev/parport0 in the device bed, its ppdev ioctls answered by the parallel-port model with the
// simulated board on its cable.
#include <chrono>
#include <mutex>
#include <string>

#include "link/sim_board.h"
#include "tests/devices/device_bed.h"
#include "tests/support/ppdev_model.h"

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

    // The model and the board, for the test thread once no client uses them.
    PpdevModel& model() { return model_; }
    boardlink::SimBoard& board() { return board_; }

private:
    boardlink::SimBoard board_;
    PpdevModel model_{board_};
    std::chrono::milliseconds claim_interrupted_after_;
    std::mutex mutex_;
};

}  // namespace testing_support
