#include "actions/startup.h"

#include "actions/supplies.h"
#include "actions/transfer.h"
#include "model/variants.h"

namespace actions {

void open_variant_dialog(EvalState& s) { variants::apply_port_defaults(s); }

VariantOutcome choose_variant(EvalState& s, boardlink::Port& port, std::optional<std::string_view> variant) {
    VariantOutcome out;
    variants::apply_variant_choice(s, variant);
    if (variant) {
        out.display.device = variants::display_name(*variant);
        out.display.eval = variants::board_name(*variant);
    }
    out.display.configure = true;
    out.display.refresh = true;
    out.supply_monitor = set_up_supply_monitor(s, port);
    return out;
}

Outcome reset_to_defaults(EvalState& s, boardlink::Port& port) {
    if (!variants::is_family_variant(s.device))
        return refused("There is no variant to return to: the device is \"" + s.device.substr(0, 20) +
                       "\", not one of the nine variants.");
    const std::string variant = s.device;
    EvalState fresh = variants::start_state(variant);
    // The record of what the board was sent stays: it is true until the sends below renew it.
    fresh.latches_sent = s.latches_sent;
    fresh.control_word = s.control_word;
    fresh.r_word_assembled = s.r_word_assembled, fresh.r_word = s.r_word;
    fresh.n_word_assembled = s.n_word_assembled, fresh.n_word = s.n_word;
    fresh.test_word = s.test_word;
    fresh.tx_word = s.tx_word;
    fresh.board_single_modulus = s.board_single_modulus;
    s = fresh;
    Outcome out;
    out.display.device = variants::display_name(variant);
    out.display.eval = variants::board_name(variant);
    out.display.configure = true;
    out.display.refresh = true;
    out.display.cp_gain = false;
    Transfer(s, port, "Reset").send_full_sequence();
    return out;
}

}  // namespace actions
