#include "actions/startup.h"

#include "actions/supplies.h"
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

}  // namespace actions
