#include "actions/register_sends.h"

#include "actions/transfer.h"
#include "model/latch.h"
#include "model/main_display.h"

namespace actions {

using regmap::Row;

Outcome rebuild_from_register_map(EvalState& s, const regmap::RegisterBits& bits) {
    auto rebuilt = regmap::rebuild_state(s, bits);
    if (!rebuilt) return refused(rebuilt.failure.message, {}, false, true);
    s = *rebuilt;
    Outcome out;
    out.display.lock_detect_precision = s.ldp_bits != 0;
    out.display.abpw2 = abp_width_caption(s.abp_width_bits);
    return out;
}

Outcome send_register_map(EvalState& s, boardlink::Port& port, const regmap::RegisterBits& bits, RegisterSend which) {
    Outcome out = rebuild_from_register_map(s, bits);
    if (!out.ok()) return out;
    out.display.refresh = true;
    // Both gain bits, the control latch's DB10 and the N latch's DB21, show on the main window's
    // one gain switch: the one of the latch sent, and after all three the N latch's.
    if (which == RegisterSend::Control) out.display.cp_gain = (bits[Row::Control] >> 10) & 1;
    if (which == RegisterSend::N || which == RegisterSend::All) out.display.cp_gain = (bits[Row::N] >> 21) & 1;

    Transfer wire(s, port);
    switch (which) {
    case RegisterSend::Control: wire.send(kControlLatch); break;
    case RegisterSend::N: wire.send(kNLatch); break;
    case RegisterSend::R: wire.send(kRLatch); break;
    case RegisterSend::All: wire.send({kRLatch, kControlLatch, kNLatch}); break;
    }
    return out;
}

Outcome write_register_word(EvalState& s, boardlink::Port& port, Row row, std::string_view hex_word) {
    auto typed = regmap::parse_row_word(hex_word, row, regmap::unshown_bits(s, row));
    if (!typed) return refused(typed.failure.message, {}, false, true);
    regmap::RegisterBits bits = regmap::bits_from_state(s);
    bits[row] = *typed;
    const RegisterSend send = row == Row::Control ? RegisterSend::Control : row == Row::N ? RegisterSend::N : RegisterSend::R;
    return send_register_map(s, port, bits, send);
}

}  // namespace actions
