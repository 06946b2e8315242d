#include "actions/test_latch.h"

#include "actions/device_gates.h"
#include "actions/transfer.h"
#include "model/latch.h"

namespace actions {

namespace {
const char* const kTestLatchName = "The test latch";
}  // namespace

Outcome choose_test_list(EvalState& s, test_modes::List list, int index) {
    if (auto refused = needs_variant(s, kTestLatchName)) return *refused;
    test_modes::store_choice(s, list, index);
    return {};
}

Outcome set_test_switch(EvalState& s, boardlink::Port& port, test_modes::Switch which, bool on) {
    if (auto refused = needs_variant(s, kTestLatchName)) return *refused;
    test_modes::store_switch(s, which, on);
    Outcome out;
    if (which == test_modes::Switch::TestEnable) {
        out.display.refresh = true;
        Transfer(s, port, "TestModesEnable").send({kControlLatch, kRLatch, kNLatch, kTestLatch});
    }
    return out;
}

Outcome update_test_latch(EvalState& s, boardlink::Port& port) {
    if (auto refused = needs_variant(s, kTestLatchName)) return *refused;
    Transfer(s, port, "TestLatchUpdate").send(kTestLatch);
    return {};
}

}  // namespace actions
