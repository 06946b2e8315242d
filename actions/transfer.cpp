#include "actions/transfer.h"

#include "model/latch.h"

namespace actions {

void Transfer::send(uint8_t latch) {
    if (!action_.empty()) {
        port_.mark(action_);
        action_.clear();
    }
    state_.latch_select = latch;
    write_latch(state_, port_);
}

void Transfer::send_full_sequence() { send({kTestLatch, kNLatch, kRLatch, kControlLatch}); }

}  // namespace actions
