#include "actions/register_sends.h"

#include "actions/device_gates.h"
#include "actions/transfer.h"
#include "model/latch.h"
#include "model/main_display.h"

namespace actions {

using regmap::Row;

namespace {

const char* const kRegisterMap = "The register map";

// The rows a send stores: its own row, or all three.
std::span<const Row> rows_of(RegisterSend which) {
    static constexpr Row control[] = {Row::Control}, n[] = {Row::N}, r[] = {Row::R};
    switch (which) {
    case RegisterSend::Control: return control;
    case RegisterSend::N: return n;
    case RegisterSend::R: return r;
    case RegisterSend::All: break;
    }
    return regmap::kRows;
}

Outcome rebuild(EvalState& s, const regmap::RegisterBits& bits, std::span<const Row> rows) {
    auto rebuilt = regmap::rebuild_state(s, bits, rows);
    if (!rebuilt) return refused(rebuilt.failure.message, {}, false, true);
    s = *rebuilt;
    Outcome out;
    out.display.lock_detect_precision = s.ldp_bits != 0;
    out.display.abpw2 = abp_width_caption(s.abp_width_bits);
    return out;
}

}  // namespace

Outcome rebuild_from_register_map(EvalState& s, const regmap::RegisterBits& bits) {
    return rebuild(s, bits, regmap::kRows);
}

Outcome send_register_map(EvalState& s, boardlink::Port& port, const regmap::RegisterBits& bits, RegisterSend which) {
    if (auto refused = needs_variant(s, kRegisterMap)) return *refused;
    const uint16_t core_power = s.core_power;
    Outcome out = rebuild(s, bits, rows_of(which));
    if (!out.ok()) return out;
    out.display.refresh = true;
    // The main window's gain switch is the N latch's gain bit (DB21).
    out.display.cp_gain = s.cp_gain_bits != 0;
    // Core power is one setting held in the control and the test latch: a new level goes to both.
    const bool core_power_changed = s.core_power != core_power;

    static const char* const names[] = {"RegisterControl", "RegisterN", "RegisterR", "RegisterLoadNow"};
    Transfer wire(s, port, names[static_cast<int>(which)]);
    switch (which) {
    case RegisterSend::Control: wire.send(kControlLatch); break;
    case RegisterSend::N: wire.send(kNLatch); break;
    case RegisterSend::R: wire.send(kRLatch); break;
    case RegisterSend::All: wire.send({kRLatch, kControlLatch}); break;
    }
    if (core_power_changed) wire.send(kTestLatch);
    if (which == RegisterSend::All) wire.send(kNLatch);
    return out;
}

Outcome write_register_word(EvalState& s, boardlink::Port& port, Row row, std::string_view hex_word) {
    if (auto refused = needs_variant(s, kRegisterMap)) return *refused;
    const uint32_t whole = regmap::whole_word_bits(row);
    auto typed = regmap::parse_row_word(hex_word, row, regmap::unshown_bits(s, row), whole);
    if (!typed) return refused(typed.failure.message, {}, false, true);
    regmap::RegisterBits bits = regmap::bits_from_state(s);
    bits[row] = *typed & ~whole;
    EvalState written = s;
    if (row == Row::R) written.r_aux_bits = int32_t(*typed & whole);
    const RegisterSend send = row == Row::Control ? RegisterSend::Control : row == Row::N ? RegisterSend::N : RegisterSend::R;
    Outcome out = send_register_map(written, port, bits, send);
    if (out.ok()) s = written;
    return out;
}

}  // namespace actions
