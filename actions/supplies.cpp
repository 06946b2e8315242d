#include "actions/supplies.h"

namespace actions {
namespace {

using boardlink::SupplyInput;
constexpr SupplyInput kOrder[3] = {SupplyInput::Vp, SupplyInput::Vdd, SupplyInput::IddSense};

uint16_t data_port(const EvalState& s) { return static_cast<uint16_t>(s.data_port); }
uint16_t readback_port(const EvalState& s) { return static_cast<uint16_t>(s.readback_port); }

}  // namespace

boardlink::SetupResult set_up_supply_monitor(EvalState& s, boardlink::Port& port) {
    auto result = boardlink::readback_setup(port, data_port(s), readback_port(s));
    port.flush();
    return result;
}

void SupplyReading::step(EvalState& s, boardlink::Port& port, int k) {
    if (k > 0 && k <= 3) codes_[k - 1] = boardlink::read_supply_code(port, data_port(s), readback_port(s), kOrder[k - 1]);
    if (k >= 0 && k < 3) boardlink::select_supply_input(port, data_port(s), readback_port(s), kOrder[k]);
    port.flush();
}

SupplyTexts SupplyReading::texts() const { return supply_texts(codes_[0], codes_[1], codes_[2]); }

std::string supply_answer(const SupplyTexts& t) { return t.vdd + "," + t.vp + "," + t.idd; }

}  // namespace actions
