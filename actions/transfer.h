#pragma once
// The latch writes of one action. Each send sets latch_select and writes that latch; when the
// action ends, the link is flushed once, so a backend that batches its accesses (a USB adapter)
// sends the whole action as one transfer. The action's name goes to the port before its first
// write, so a trace marks where each action began.
#include <cstdint>
#include <initializer_list>
#include <string>

#include "link/port.h"
#include "model/eval_state.h"

namespace actions {

class Transfer {
public:
    // `action` names the user action in a trace ("LoadNow"), where its first latch write begins.
    Transfer(EvalState& state, boardlink::Port& port, std::string action = {})
        : state_(state), port_(port), action_(std::move(action)) {}
    ~Transfer() { port_.flush(); }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    void send(uint8_t latch);
    void send(std::initializer_list<uint8_t> latches) {
        for (uint8_t latch : latches) send(latch);
    }
    // Most setting dialogs send test, N counter, R counter, control, back to back.
    void send_full_sequence();

private:
    EvalState& state_;
    boardlink::Port& port_;
    std::string action_;  // named to the port before the first write, then cleared
};

}  // namespace actions
